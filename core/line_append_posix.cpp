#include "core/line_append.h"

#include <cerrno>
#include <csignal>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellavane {
namespace {

[[noreturn]] void Fail(int error)
{
    throw AppendFailure(std::generic_category().message(error));
}

// A write past a file-size limit (ulimit -f, LimitFSIZE=) raises SIGXFSZ, which ends the program
// with half a line in the file. Ignored, the write fails with EFBIG and is handled like a full disk.
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

LineAppendFile::LineAppendFile(const std::string& path, Access access)
{
    [[maybe_unused]] static const bool fileSizeSignalIgnored = IgnoreFileSizeSignal();
    const int flags = access == Access::ReadAndAppend ? O_RDWR | O_NONBLOCK : O_WRONLY;
    m_file.Reset(::open(path.c_str(), flags | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    if (!m_file) {
        Fail(errno);
    }
}

LineAppendFile::~LineAppendFile() = default;

bool LineAppendFile::IsRegularFile() const
{
    struct stat info
    {};
    if (::fstat(m_file.Get(), &info) != 0) {
        Fail(errno);
    }
    return S_ISREG(info.st_mode);
}

void LineAppendFile::LockWholeFile()
{
    // Released by the close.
    while (::flock(m_file.Get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            Fail(errno);
        }
    }
}

std::uint64_t LineAppendFile::Size()
{
    struct stat info
    {};
    if (::fstat(m_file.Get(), &info) != 0) {
        Fail(errno);
    }
    m_sizeBefore = static_cast<std::uint64_t>(info.st_size);
    return *m_sizeBefore;
}

void LineAppendFile::AppendWhole(std::string_view text)
{
    const std::uint64_t before = m_sizeBefore ? *m_sizeBefore : Size();
    // A short write goes on only to learn the system's reason for it.
    const int error = posix::WriteAll(m_file.Get(), text);
    if (error != 0) {
        if (::ftruncate(m_file.Get(), static_cast<off_t>(before)) != 0) {
            // A device such as /dev/full cannot be cut back; the write's reason is the one to tell.
        }
        Fail(error);
    }
}

void LineAppendFile::Close()
{
    if (const int error = m_file.Close(); error != 0) {
        Fail(error);
    }
}

LineAppendFile::Native LineAppendFile::Get() const noexcept
{
    return m_file.Get();
}

} // namespace pellavane
