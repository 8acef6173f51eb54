#include "settings/display_name.h"

#include "core/utf8_path.h"

#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <string_view>
#include <system_error>

namespace pellavane {

namespace {

constexpr std::string_view kFileNameChars = "$/\\*:?<>|#' .,\"()-+=%;}{\t";
static_assert(kFileNameChars.size() == 25);

constexpr std::size_t kMaxTitleChars = 40;

std::string TrimSpaces(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Characters, not bytes: a title in a language with accents must not lose words it has room for.
std::size_t CharacterCount(const std::string& utf8)
{
    std::size_t count = 0;
    for (const char c : utf8) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++count;
    }
    return count;
}

std::string StrippedLogName(const std::string& displayName)
{
    return StripFileNameChars(DropTrailingWord(displayName, "Software")) + ".txt";
}

bool IsUsable(const char* value)
{
    return value != nullptr && *value != '\0';
}

std::mutex g_titleMutex;
std::string g_title;

} // namespace

std::string DropTrailingWord(const std::string& name, const std::string& word)
{
    const std::size_t lastSpace = name.rfind(' ');
    if (lastSpace == std::string::npos)
        return name;
    if (word.empty() || TrimSpaces(name.substr(lastSpace)) == word)
        return TrimSpaces(name.substr(0, lastSpace + 1));
    return name;
}

std::string StripFileNameChars(const std::string& text)
{
    std::string kept;
    kept.reserve(text.size());
    // Byte-wise is safe for UTF-8: every listed character is ASCII, and no byte of a multi-byte
    // sequence is.
    for (const char c : text) {
        if (kFileNameChars.find(c) == std::string_view::npos)
            kept += c;
    }
    return kept;
}

std::string WindowsLogFilePath(const char* temp, const std::string& displayName)
{
    return std::string(temp != nullptr ? temp : "") + "\\" + StrippedLogName(displayName);
}

std::string PosixLogFilePath(const char* xdgStateHome, const char* home, const std::string& displayName)
{
    std::string folder;
    if (IsUsable(xdgStateHome) && xdgStateHome[0] == '/') {
        folder = xdgStateHome;
    } else if (IsUsable(home)) {
        folder = std::string(home) + "/.local/state";
    } else {
        // No home to keep it in: the temporary folder is better than a path relative to wherever the
        // program was started from.
        std::error_code error;
        const std::filesystem::path temp = std::filesystem::temp_directory_path(error);
        folder = error ? std::string("/tmp") : Utf8FromPath(temp);
    }
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    if (folder == "/")
        folder.clear();
    return folder + "/" + StrippedLogName(displayName);
}

std::string ApplicationTitleFor(const std::string& displayName)
{
    std::string title = displayName;
    do {
        const std::size_t lastSpace = title.rfind(' ');
        if (lastSpace == std::string::npos)
            break; // a single word stays whole: there is nothing shorter that still names the program
        title.resize(lastSpace);
    } while (CharacterCount(title) > kMaxTitleChars);
    return title;
}

void SetApplicationTitle(const std::string& displayName)
{
    std::string title = ApplicationTitleFor(displayName);
    const std::lock_guard lock(g_titleMutex);
    g_title = std::move(title);
}

std::string ApplicationTitle()
{
    const std::lock_guard lock(g_titleMutex);
    return g_title;
}

void EnsureFolderOf(const std::string& filePath)
{
    const std::filesystem::path folder = PathFromUtf8(filePath).parent_path();
    if (folder.empty())
        return;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!error) {
        const bool isFolder = std::filesystem::is_directory(folder, error);
        if (!error && !isFolder)
            error = std::make_error_code(std::errc::not_a_directory);
    }
    if (error) {
        throw std::runtime_error("Cannot create the folder '" + Utf8FromPath(folder) + "' for '" + filePath +
                                 "': " + error.message());
    }
}

} // namespace pellavane
