#include "engine/listeners/metrics_file.h"

#include "core/win32_support.h"

namespace pellavane {
namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, DWORD error)
{
    throw MetricsWriteError("Cannot write " + what + " '" + path + "': " + win32::SystemMessage(error));
}

} // namespace

void ReplaceFileAtomically(const std::string& path, const std::string& text, const std::string& what)
{
    if (path.empty()) {
        Fail(what, path, ERROR_PATH_NOT_FOUND);
    }
    // The process id keeps two programs writing beside each other off each other's temporary file.
    const std::wstring temporary = win32::Utf8ToWide(path + ".tmp" + std::to_string(::GetCurrentProcessId()));
    DWORD error = ERROR_SUCCESS;
    {
        win32::Handle file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            Fail(what, path, ::GetLastError());
        }
        DWORD written = 0;
        if (!::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
            error = ::GetLastError();
        } else if (written != text.size()) {
            error = ERROR_DISK_FULL;
        } else if (!::FlushFileBuffers(file.Get())) {
            error = ::GetLastError();
        }
        if (!::CloseHandle(file.Release()) && error == ERROR_SUCCESS) {
            error = ::GetLastError();
        }
    }
    if (error == ERROR_SUCCESS && !::MoveFileExW(temporary.c_str(), win32::Utf8ToWide(path).c_str(),
                                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = ::GetLastError();
    }
    if (error != ERROR_SUCCESS) {
        ::DeleteFileW(temporary.c_str());
        Fail(what, path, error);
    }
}

} // namespace pellavane
