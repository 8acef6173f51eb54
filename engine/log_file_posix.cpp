#include "engine/recorder.h"

#include <cerrno>
#include <csignal>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellavane {
namespace {

[[noreturn]] void Fail(const std::string& path, int error)
{
    throw LogWriteError("Cannot write to log file '" + path + "': " + std::generic_category().message(error));
}

class LogFd
{
public:
    explicit LogFd(int fd) : m_fd(fd) {}
    LogFd(const LogFd&) = delete;
    LogFd& operator=(const LogFd&) = delete;
    ~LogFd()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int Get() const { return m_fd; }
    /** Closes the file and gives the reason when that fails, 0 when it worked. */
    int Close()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        // After EINTR Linux has closed the descriptor anyway; the data went to the file.
        return (result == 0 || errno == EINTR) ? 0 : errno;
    }

private:
    int m_fd;
};

// Writes all of data with one write, as an appending writer must for its line to stay whole beside
// other writers; a short write goes on only to learn the system's reason for it.
int WriteAll(int fd, const std::string& data)
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

// A write past a file-size limit (ulimit -f, LimitFSIZE=) raises SIGXFSZ, which ends the program
// with half a line in the log. Ignored, the write fails with EFBIG and is handled like a full disk.
// A handler someone else installed is left alone.
bool IgnoreFileSizeSignal()
{
    struct sigaction current
    {};
    if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
        std::signal(SIGXFSZ, SIG_IGN);
    }
    return true;
}

} // namespace

void AppendLogLine(const std::string& path, const std::string& line)
{
    [[maybe_unused]] static const bool fileSizeSignalIgnored = IgnoreFileSizeSignal();
    LogFd file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    if (file.Get() < 0) {
        Fail(path, errno);
    }
    struct stat before
    {};
    if (::fstat(file.Get(), &before) != 0) {
        Fail(path, errno);
    }
    const int error = WriteAll(file.Get(), line + "\r\n");
    if (error != 0) {
        // Never leave a torn line behind: the next record would be glued to its remains.
        if (::ftruncate(file.Get(), before.st_size) != 0) {
            // A device such as /dev/full cannot be cut back; the write's reason is the one to tell.
        }
        Fail(path, error);
    }
    if (const int closeError = file.Close(); closeError != 0) {
        Fail(path, closeError);
    }
}

} // namespace pellavane
