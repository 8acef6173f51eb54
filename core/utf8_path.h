#pragma once

#include <filesystem>
#include <string>

namespace pellavane {

/** The path a UTF-8 text names: std::filesystem would read a plain string in the system's code page
 *  on Windows. */
std::filesystem::path PathFromUtf8(const std::string& text);

/** A path as UTF-8 text. */
std::string Utf8FromPath(const std::filesystem::path& path);

} // namespace pellavane
