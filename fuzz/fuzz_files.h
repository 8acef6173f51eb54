#pragma once

// Files the fuzz targets hand their input to, for the readers that take a path: written in a
// private temporary folder made once per process, each input replacing the last.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

#include <unistd.h>

namespace pellavane::fuzz {

/** A private folder under TMPDIR (or /tmp), removed with what it holds at exit. */
inline const std::string& ScratchFolder()
{
    // Never destroyed: the removal at exit runs after the destructors of the statics made before it.
    static const std::string* folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern =
            std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/pellavane-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(ScratchFolder(), ignored);
        });
        return new std::string(pattern);
    }();
    return *folder;
}

/** Writes bytes as the whole of the file name in the scratch folder and gives its path. */
inline std::string WriteScratchFile(const std::string& name, std::string_view bytes)
{
    const std::string path = ScratchFolder() + "/" + name;
    // A new file each time: on ext4 a file cut to nothing and written again is flushed to the disk
    // at close, which would make every run wait for the disk.
    unlink(path.c_str());
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::abort();
    }
    return path;
}

/** Removes the file name from the scratch folder, when it is there. */
inline void RemoveScratchFile(const std::string& name)
{
    unlink((ScratchFolder() + "/" + name).c_str());
}

/** Local time with a daylight saving change each way, written as a rule so that no time zone
 *  database is needed: the readers' repeated and skipped hours are reached. */
inline void UseTestTimeZone()
{
    setenv("TZ", "EET-2EEST,M3.5.0/3,M10.5.0/4", 1);
    tzset();
}

/** The input as text. */
inline std::string_view Text(const std::uint8_t* data, std::size_t size)
{
    return std::string_view(reinterpret_cast<const char*>(data), size);
}

} // namespace pellavane::fuzz
