#include "engine/log_commands/log_file_io.h"

#include "core/utf8_path.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace pellavane {

bool FileExists(const std::string& path)
{
    if (path.empty()) {
        return false;
    }
    std::error_code error;
    static_cast<void>(fs::last_write_time(PathFromUtf8(path), error));
    return !error;
}

void ForceDeleteFile(const std::string& path)
{
    std::error_code error;
    const fs::path target = PathFromUtf8(path);
    if (path.empty() || fs::is_directory(fs::symlink_status(target, error))) {
        return;
    }
    fs::permissions(target, fs::perms::owner_write, fs::perm_options::add | fs::perm_options::nofollow,
                    error);
    fs::remove(target, error);
}

void RemoveFile(const std::string& path, const EventPump& pump)
{
    if (pump) {
        pump();
    }
    std::error_code error;
    const fs::path target = PathFromUtf8(path);
    // An empty folder would be removed by the ordinary delete too; the history is only ever a file.
    if (path.empty() || fs::is_directory(fs::symlink_status(target, error))) {
        return;
    }
    if (!fs::remove(target, error) || error) {
        if (fs::exists(fs::symlink_status(target, error))) {
            ForceDeleteFile(path);
        }
    }
}

std::string ReadWholeFile(const std::string& path)
{
    const auto failure = [&path](const std::string& reason) {
        return std::runtime_error("Cannot read log file '" + path + "': " + reason);
    };
    // A folder opens as a stream and reads as nothing, which would pass for an empty history.
    std::error_code ignored;
    if (fs::is_directory(PathFromUtf8(path), ignored)) {
        throw failure(std::generic_category().message(EISDIR));
    }
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    if (!in) {
        throw failure(std::strerror(errno));
    }
    // Read chunk by chunk so that a read failing part way is told, not taken for the end.
    std::string content;
    std::vector<char> chunk(64 * 1024);
    errno = 0;
    do {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        content.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
    } while (in);
    if (in.bad()) {
        throw failure(errno != 0 ? std::strerror(errno) : "read error");
    }
    return content;
}

} // namespace pellavane
