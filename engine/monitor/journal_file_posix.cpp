#include "engine/monitor/journal.h"
#include "engine/monitor/journal_file_platform.h"
#include "engine/monitor/journal_platform.h"

#include "core/posix_support.h"

#include <cerrno>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace pellavane {
namespace journal_platform {

bool StartsWithHeader(int fd) noexcept
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

} // namespace journal_platform

bool IsJournalFile(const std::string& path) noexcept
{
    const posix::UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info
    {};
    return file.Get() >= 0 && ::fstat(file.Get(), &info) == 0 && S_ISREG(info.st_mode) &&
           journal_platform::StartsWithHeader(file.Get());
}

namespace journal_platform {

bool IsPathSeparator(char c)
{
    return c == '/';
}

} // namespace journal_platform
} // namespace pellavane
