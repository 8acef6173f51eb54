#include "autostart/startup_xdg.h"

#include "core/posix_support.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellavane {
namespace {

/** Removes the temporary file unless it has been renamed into place. */
class TempFileGuard
{
public:
    explicit TempFileGuard(std::string path) : m_path(std::move(path)) {}
    ~TempFileGuard()
    {
        if (!m_path.empty()) {
            ::unlink(m_path.c_str());
        }
    }
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    void Release() noexcept { m_path.clear(); }

private:
    std::string m_path;
};

[[noreturn]] void ThrowWriteError(const std::string& path, int error)
{
    throw std::runtime_error("Cannot write the autostart entry '" + path + "': " + std::strerror(error));
}

bool IsReservedInExec(char c)
{
    static constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    return reserved.find(c) != std::string_view::npos;
}

} // namespace

std::string RunningProgramPath()
{
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        throw std::runtime_error("Cannot find the path of the running program: " + error.message());
    }
    return path.string();
}

std::string DesktopExecArgument(const std::string& path)
{
    // Quoting first, then the escapes of a string value: that is the reverse of how readers decode
    // the key, so a backslash in the path ends up as four and a "$" as "\\$".
    std::string argument;
    bool needsQuotes = path.empty();
    for (const char c : path) {
        needsQuotes = needsQuotes || IsReservedInExec(c);
    }
    if (needsQuotes) {
        argument += '"';
        for (const char c : path) {
            if (c == '"' || c == '`' || c == '$' || c == '\\') {
                argument += '\\';
            }
            argument += c;
        }
        argument += '"';
    } else {
        argument = path;
    }

    std::string value;
    for (const char c : argument) {
        switch (c) {
        case '%':
            value += "%%";
            break;
        case '\\':
            value += "\\\\";
            break;
        case '\n':
            value += "\\n";
            break;
        case '\t':
            value += "\\t";
            break;
        case '\r':
            value += "\\r";
            break;
        default:
            value += c;
        }
    }
    return value;
}

std::string AutostartFolder()
{
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome != nullptr && configHome[0] == '/') {
        return std::string(configHome) + "/autostart";
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
        throw std::runtime_error(
            "Cannot find the autostart folder: neither XDG_CONFIG_HOME nor HOME is set.");
    }
    return std::string(home) + "/.config/autostart";
}

XdgStartupEntry::XdgStartupEntry(std::string programPath) : m_programPath(std::move(programPath)) {}

std::string XdgStartupEntry::EntryPath() const
{
    return AutostartFolder() + "/" + std::filesystem::path(m_programPath).filename().string() + ".desktop";
}

std::string XdgStartupEntry::EntryText() const
{
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Pellavane\n"
           "Exec=" +
           DesktopExecArgument(m_programPath) + "\n";
}

void XdgStartupEntry::Add()
{
    const std::string path = EntryPath();
    const std::string folder = std::filesystem::path(path).parent_path().string();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        throw std::runtime_error("Cannot write the autostart entry '" + path +
                                 "': cannot create the folder '" + folder + "': " + error.message());
    }

    std::string tempName = folder + "/." + std::filesystem::path(path).filename().string() + ".XXXXXX";
    std::vector<char> tempBuffer(tempName.begin(), tempName.end());
    tempBuffer.push_back('\0');
    posix::UniqueFd fd(::mkostemp(tempBuffer.data(), O_CLOEXEC));
    if (fd.Get() < 0) {
        ThrowWriteError(path, errno);
    }
    tempName = tempBuffer.data();
    TempFileGuard guard(tempName);

    if (const int error = posix::WriteAll(fd.Get(), EntryText()); error != 0) {
        ThrowWriteError(path, error);
    }
    if (::fchmod(fd.Get(), 0644) != 0 || ::fsync(fd.Get()) != 0) {
        ThrowWriteError(path, errno);
    }
    if (const int error = fd.Close(); error != 0) {
        ThrowWriteError(path, error);
    }
    if (::rename(tempName.c_str(), path.c_str()) != 0) {
        ThrowWriteError(path, errno);
    }
    guard.Release();

    // The rename itself survives a crash only once the folder is on disk.
    posix::UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0) {
        ::fsync(dir.Get());
    }
}

void XdgStartupEntry::Remove()
{
    const std::string path = EntryPath();
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        throw std::runtime_error("Cannot remove the autostart entry '" + path + "': " + std::strerror(errno));
    }
}

std::unique_ptr<IStartupEntry> MakeStartupEntry(const std::string& programPath)
{
    return std::make_unique<XdgStartupEntry>(programPath);
}

} // namespace pellavane
