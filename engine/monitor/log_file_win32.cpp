#include "engine/monitor/recorder.h"

#include "core/win32_support.h"

namespace pellavane {
namespace {

[[noreturn]] void Fail(const std::string& path, DWORD error)
{
    throw LogWriteError("Cannot write to log file '" + path + "': " + win32::SystemMessage(error));
}

} // namespace

void AppendLogLine(const std::string& path, const std::string& line)
{
    if (path.empty()) {
        Fail(path, ERROR_PATH_NOT_FOUND);
    }
    // Write access besides append: a failed write must be cut back, and only a handle that may
    // write data may set the end of the file. Others may read, replace or delete the log meanwhile.
    win32::Handle file(::CreateFileW(win32::Utf8ToWide(path).c_str(), FILE_APPEND_DATA | FILE_WRITE_DATA,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        Fail(path, ::GetLastError());
    }
    LARGE_INTEGER before{};
    if (!::GetFileSizeEx(file.Get(), &before)) {
        Fail(path, ::GetLastError());
    }

    const std::string data = line + "\r\n";
    // Both offsets all ones write at the end of the file as it is at that moment, as an append-only
    // handle would, so a line stays whole beside another writer.
    OVERLAPPED atEnd{};
    atEnd.Offset = 0xFFFFFFFF;
    atEnd.OffsetHigh = 0xFFFFFFFF;
    DWORD written = 0;
    const BOOL wrote =
        ::WriteFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &written, &atEnd);
    const DWORD writeError = wrote ? ERROR_SUCCESS : ::GetLastError();
    if (!wrote || written != data.size()) {
        // Never leave a torn line behind: the next record would be glued to its remains.
        if (::SetFilePointerEx(file.Get(), before, nullptr, FILE_BEGIN)) {
            ::SetEndOfFile(file.Get());
        }
        Fail(path, wrote ? ERROR_DISK_FULL : writeError);
    }
    if (!::CloseHandle(file.Release())) {
        Fail(path, ::GetLastError());
    }
}

} // namespace pellavane
