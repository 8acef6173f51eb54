#include "engine/monitor/journal.h"
#include "engine/monitor/journal_platform.h"

#include <cerrno>
#include <cstring>
#include <string_view>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace pellavane {
namespace {

[[noreturn]] void Fail(const std::string& path, int error)
{
    throw JournalWriteError("Cannot write to journal '" + path +
                            "': " + std::generic_category().message(error));
}

[[noreturn]] void Foreign(const std::string& path, const std::string& why)
{
    throw JournalWriteError("Not writing to journal '" + path + "': " + why);
}

class JournalFd
{
public:
    explicit JournalFd(int fd) : m_fd(fd) {}
    JournalFd(const JournalFd&) = delete;
    JournalFd& operator=(const JournalFd&) = delete;
    ~JournalFd()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int Get() const { return m_fd; }
    int Close()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        // After EINTR Linux has closed the descriptor anyway.
        return (result == 0 || errno == EINTR) ? 0 : errno;
    }

private:
    int m_fd;
};

// One write call for the whole row, as the text log does, so a reader never meets half a row; a
// short write goes on only to learn the system's reason for it.
int WriteAll(int fd, std::string_view data)
{
    std::size_t written = 0;
    while (written < data.size()) {
        const ssize_t n = ::write(fd, data.data() + written, data.size() - written);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (n == 0) {
            return ENOSPC;
        }
        written += static_cast<std::size_t>(n);
    }
    return 0;
}

bool StartsWithHeader(int fd)
{
    const std::string_view header = kJournalHeader;
    char first[64] = {};
    static_assert(sizeof first > std::char_traits<char>::length(kJournalHeader) + 2);
    ssize_t got = 0;
    do {
        got = ::pread(fd, first, header.size() + 2, 0);
    } while (got < 0 && errno == EINTR);
    return got >= 0 && StartsWithJournalHeader(std::string_view(first, static_cast<std::size_t>(got)));
}

} // namespace

void AppendJournalLine(const std::string& path, const std::string& line)
{
    // Non-blocking so that a pipe or device someone left at this path cannot hang the open.
    JournalFd file(::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666));
    if (file.Get() < 0) {
        Fail(path, errno);
    }
    // Another copy of the program (a --check beside the window) may append at the same moment:
    // the lock keeps two headers, or a cut-back of someone else's row, from happening.
    while (::flock(file.Get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            Fail(path, errno);
        }
    }
    struct stat before
    {};
    if (::fstat(file.Get(), &before) != 0) {
        Fail(path, errno);
    }
    if (!S_ISREG(before.st_mode)) {
        Foreign(path, "it is not a regular file");
    }
    if (before.st_size > 0 && !StartsWithHeader(file.Get())) {
        Foreign(path, "its first line is not the journal's header");
    }
    const std::string data =
        before.st_size == 0 ? std::string(kJournalHeader) + "\r\n" + line + "\r\n" : line + "\r\n";
    const int error = WriteAll(file.Get(), data);
    if (error != 0) {
        // Never leave a torn row behind: a reader would take its remains for a row.
        if (::ftruncate(file.Get(), before.st_size) != 0) {
            // The write's reason is the one to tell.
        }
        Fail(path, error);
    }
    if (const int closeError = file.Close(); closeError != 0) {
        Fail(path, closeError);
    }
}

bool IsJournalFile(const std::string& path) noexcept
{
    const JournalFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info
    {};
    return file.Get() >= 0 && ::fstat(file.Get(), &info) == 0 && S_ISREG(info.st_mode) &&
           StartsWithHeader(file.Get());
}

namespace journal_platform {

bool IsPathSeparator(char c)
{
    return c == '/';
}

} // namespace journal_platform
} // namespace pellavane
