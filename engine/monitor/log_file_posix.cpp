#include "engine/monitor/recorder.h"

#include "core/posix_support.h"

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
    posix::UniqueFd file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    if (file.Get() < 0) {
        Fail(path, errno);
    }
    struct stat before
    {};
    if (::fstat(file.Get(), &before) != 0) {
        Fail(path, errno);
    }
    // All of it in one write, as an appending writer must for its line to stay whole beside other
    // writers; a short write goes on only to learn the system's reason for it.
    const int error = posix::WriteAll(file.Get(), line + "\r\n");
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
