#include "engine/monitor/journal.h"
#include "engine/monitor/journal_platform.h"

#include "core/win32_support.h"

#include <string_view>

namespace pellavane {
namespace {

[[noreturn]] void Fail(const std::string& path, DWORD error)
{
    throw JournalWriteError("Cannot write to journal '" + path + "': " + win32::SystemMessage(error));
}

[[noreturn]] void Foreign(const std::string& path, const std::string& why)
{
    throw JournalWriteError("Not writing to journal '" + path + "': " + why);
}

/** Holds a lock over the whole file while one row is checked and written. */
class WholeFileLock
{
public:
    explicit WholeFileLock(HANDLE file) : m_file(file)
    {
        OVERLAPPED from{};
        m_locked = ::LockFileEx(m_file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &from) != 0;
    }
    WholeFileLock(const WholeFileLock&) = delete;
    WholeFileLock& operator=(const WholeFileLock&) = delete;
    ~WholeFileLock()
    {
        if (m_locked) {
            OVERLAPPED from{};
            ::UnlockFileEx(m_file, 0, MAXDWORD, MAXDWORD, &from);
        }
    }
    bool Locked() const { return m_locked; }

private:
    HANDLE m_file;
    bool m_locked = false;
};

bool StartsWithHeader(HANDLE file)
{
    const std::string_view header = kJournalHeader;
    char first[64] = {};
    OVERLAPPED atStart{};
    DWORD got = 0;
    return ::ReadFile(file, first, static_cast<DWORD>(header.size() + 2), &got, &atStart) &&
           StartsWithJournalHeader(std::string_view(first, got));
}

} // namespace

void AppendJournalLine(const std::string& path, const std::string& line)
{
    if (path.empty()) {
        Fail(path, ERROR_PATH_NOT_FOUND);
    }
    // Read access to check the header, write access besides append to cut back a failed write.
    win32::Handle file(::CreateFileW(win32::Utf8ToWide(path).c_str(),
                                     GENERIC_READ | FILE_APPEND_DATA | FILE_WRITE_DATA,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        Fail(path, ::GetLastError());
    }
    if (::GetFileType(file.Get()) != FILE_TYPE_DISK) {
        Foreign(path, "it is not a regular file");
    }
    {
        // Another copy of the program may append at the same moment: no two headers, and no
        // cut-back of someone else's row.
        const WholeFileLock lock(file.Get());
        if (!lock.Locked()) {
            Fail(path, ::GetLastError());
        }
        LARGE_INTEGER before{};
        if (!::GetFileSizeEx(file.Get(), &before)) {
            Fail(path, ::GetLastError());
        }
        if (before.QuadPart > 0 && !StartsWithHeader(file.Get())) {
            Foreign(path, "its first line is not the journal's header");
        }
        const std::string data =
            before.QuadPart == 0 ? std::string(kJournalHeader) + "\r\n" + line + "\r\n" : line + "\r\n";
        // Both offsets all ones write at the end of the file as it is at that moment.
        OVERLAPPED atEnd{};
        atEnd.Offset = 0xFFFFFFFF;
        atEnd.OffsetHigh = 0xFFFFFFFF;
        DWORD written = 0;
        const BOOL wrote =
            ::WriteFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &written, &atEnd);
        const DWORD writeError = wrote ? ERROR_SUCCESS : ::GetLastError();
        if (!wrote || written != data.size()) {
            // Never leave a torn row behind: a reader would take its remains for a row.
            if (::SetFilePointerEx(file.Get(), before, nullptr, FILE_BEGIN)) {
                ::SetEndOfFile(file.Get());
            }
            Fail(path, wrote ? ERROR_DISK_FULL : writeError);
        }
    }
    if (!::CloseHandle(file.Release())) {
        Fail(path, ::GetLastError());
    }
}

bool IsJournalFile(const std::string& path) noexcept
{
    try {
        const win32::Handle file(::CreateFileW(win32::Utf8ToWide(path).c_str(), GENERIC_READ,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        return file && ::GetFileType(file.Get()) == FILE_TYPE_DISK && StartsWithHeader(file.Get());
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
