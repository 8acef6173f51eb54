#include "engine/listeners/metrics_file.h"

#include "core/posix_support.h"

#include <cerrno>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellavane {
namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error)
{
    throw MetricsWriteError("Cannot write " + what + " '" + path +
                            "': " + std::generic_category().message(error));
}

} // namespace

void ReplaceFileAtomically(const std::string& path, const std::string& text, const std::string& what)
{
    if (path.empty()) {
        Fail(what, path, ENOENT);
    }
    // "name.prom.XXXXXX" does not end in ".prom", so the collector never reads it half written.
    std::string temporary = path + ".XXXXXX";
    std::vector<char> name(temporary.begin(), temporary.end());
    name.push_back('\0');
    posix::UniqueFd file(::mkostemp(name.data(), O_CLOEXEC));
    if (!file) {
        Fail(what, path, errno);
    }
    temporary = name.data();
    int error = 0;
    if (::fchmod(file.Get(), 0644) != 0) {
        error = errno;
    }
    if (error == 0) {
        error = posix::WriteAll(file.Get(), text);
    }
    // Without the flush a crash after the rename could leave an empty file under the real name.
    if (error == 0 && ::fsync(file.Get()) != 0) {
        error = errno;
    }
    if (const int closeError = file.Close(); error == 0) {
        error = closeError;
    }
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        Fail(what, path, error);
    }
}

} // namespace pellavane
