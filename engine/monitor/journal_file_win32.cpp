#include "engine/monitor/journal.h"
#include "engine/monitor/journal_file_platform.h"
#include "engine/monitor/journal_platform.h"

#include "core/win32_support.h"

#include <string_view>

namespace pellavane {
namespace journal_platform {

bool StartsWithHeader(HANDLE file) noexcept
{
    const std::string_view header = kJournalHeader;
    char first[64] = {};
    OVERLAPPED atStart{};
    DWORD got = 0;
    return ::ReadFile(file, first, static_cast<DWORD>(header.size() + 2), &got, &atStart) &&
           StartsWithJournalHeader(std::string_view(first, got));
}

} // namespace journal_platform

bool IsJournalFile(const std::string& path) noexcept
{
    try {
        const win32::Handle file(::CreateFileW(win32::Utf8ToWide(path).c_str(), GENERIC_READ,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        return file && ::GetFileType(file.Get()) == FILE_TYPE_DISK &&
               journal_platform::StartsWithHeader(file.Get());
    } catch (...) {
        return false;
    }
}

namespace journal_platform {

bool IsPathSeparator(char c)
{
    return c == '/' || c == '\\' || c == ':';
}

} // namespace journal_platform
} // namespace pellavane
