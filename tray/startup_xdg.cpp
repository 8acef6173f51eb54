#include "tray/startup_xdg.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) noexcept : m_fd(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const noexcept { return m_fd; }
    /** Closes now and reports whether the close succeeded, since a failed close can lose data. */
    bool Close() noexcept
    {
        if (m_fd < 0) {
            return true;
        }
        const int fd = std::exchange(m_fd, -1);
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

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

void WriteAll(int fd, const std::string& text, const std::string& pathForErrors)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowWriteError(pathForErrors, errno);
        }
        done += static_cast<std::size_t>(n);
    }
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
    FileDescriptor fd(::mkostemp(tempBuffer.data(), O_CLOEXEC));
    if (fd.Get() < 0) {
        ThrowWriteError(path, errno);
    }
    tempName = tempBuffer.data();
    TempFileGuard guard(tempName);

    WriteAll(fd.Get(), EntryText(), path);
    if (::fchmod(fd.Get(), 0644) != 0 || ::fsync(fd.Get()) != 0) {
        ThrowWriteError(path, errno);
    }
    if (!fd.Close()) {
        ThrowWriteError(path, errno);
    }
    if (::rename(tempName.c_str(), path.c_str()) != 0) {
        ThrowWriteError(path, errno);
    }
    guard.Release();

    // The rename itself survives a crash only once the folder is on disk.
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
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

} // namespace pellavane
