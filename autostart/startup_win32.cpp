#include "autostart/startup_win32.h"

#include <memory>
#include <stdexcept>

namespace pellavane::mStartUp {
namespace {

struct SplitPath
{
    std::string folder;
    std::string fileName;
};

SplitPath SplitProgramPath(const std::string& path)
{
    const auto slash = path.find_last_of("\\/");
    if (slash == std::string::npos) {
        return {{}, path};
    }
    return {path.substr(0, slash), path.substr(slash + 1)};
}

} // namespace

std::string ProgramPath()
{
    // The running program itself, not whatever executable its folder happens to list first.
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            throw std::runtime_error("Cannot find the path of the running program: " +
                                     win32::SystemMessage(::GetLastError()));
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return win32::WideToUtf8(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

void AddToStartUp(const RunKeyLocation& where)
{
    const SplitPath program = SplitProgramPath(ProgramPath());
    RegStuff::WriteRunValue(program.fileName, program.folder, where);
}

void RemoveFromStartUp(const RunKeyLocation& where)
{
    const SplitPath program = SplitProgramPath(ProgramPath());
    RegStuff::DeleteRunValue(program.fileName, where);
}

} // namespace pellavane::mStartUp

namespace pellavane {

std::unique_ptr<IStartupEntry> MakeStartupEntry(const std::string&)
{
    return std::make_unique<WindowsStartupEntry>();
}

} // namespace pellavane
