#include "core/line_append.h"

namespace pellavane {
namespace {

[[noreturn]] void Fail(DWORD error)
{
    throw AppendFailure(win32::SystemMessage(error));
}

void Unlock(HANDLE file)
{
    OVERLAPPED from{};
    ::UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &from);
}

} // namespace

LineAppendFile::LineAppendFile(const std::string& path, Access access)
{
    if (path.empty()) {
        Fail(ERROR_PATH_NOT_FOUND);
    }
    // Write access besides append: a failed write must be cut back, and only a handle that may
    // write data may set the end of the file. Others may read, replace or delete the file meanwhile.
    const DWORD rights =
        (access == Access::ReadAndAppend ? GENERIC_READ : 0) | FILE_APPEND_DATA | FILE_WRITE_DATA;
    m_file.Reset(::CreateFileW(win32::Utf8ToWide(path).c_str(), rights,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file) {
        Fail(::GetLastError());
    }
}

LineAppendFile::~LineAppendFile()
{
    if (m_locked) {
        Unlock(m_file.Get());
    }
}

bool LineAppendFile::IsRegularFile() const
{
    return ::GetFileType(m_file.Get()) == FILE_TYPE_DISK;
}

void LineAppendFile::LockWholeFile()
{
    OVERLAPPED from{};
    if (!::LockFileEx(m_file.Get(), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &from)) {
        Fail(::GetLastError());
    }
    m_locked = true;
}

std::uint64_t LineAppendFile::Size()
{
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(m_file.Get(), &size)) {
        Fail(::GetLastError());
    }
    m_sizeBefore = static_cast<std::uint64_t>(size.QuadPart);
    return *m_sizeBefore;
}

void LineAppendFile::AppendWhole(std::string_view text)
{
    LARGE_INTEGER before{};
    before.QuadPart = static_cast<LONGLONG>(m_sizeBefore ? *m_sizeBefore : Size());
    // Both offsets all ones write at the end of the file as it is at that moment, as an append-only
    // handle would.
    OVERLAPPED atEnd{};
    atEnd.Offset = 0xFFFFFFFF;
    atEnd.OffsetHigh = 0xFFFFFFFF;
    DWORD written = 0;
    const BOOL wrote =
        ::WriteFile(m_file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, &atEnd);
    const DWORD writeError = wrote ? ERROR_SUCCESS : ::GetLastError();
    if (!wrote || written != text.size()) {
        if (::SetFilePointerEx(m_file.Get(), before, nullptr, FILE_BEGIN)) {
            ::SetEndOfFile(m_file.Get());
        }
        Fail(wrote ? ERROR_DISK_FULL : writeError);
    }
}

void LineAppendFile::Close()
{
    if (m_locked) {
        Unlock(m_file.Get());
        m_locked = false;
    }
    if (!::CloseHandle(m_file.Release())) {
        Fail(::GetLastError());
    }
}

LineAppendFile::Native LineAppendFile::Get() const noexcept
{
    return m_file.Get();
}

} // namespace pellavane
