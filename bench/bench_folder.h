#pragma once

// The folder a bench writes its large files into, for the benches that make a year of checks.

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

namespace pellavane::bench {

/** The folder named by the variable keptVariable when it is set, kept between runs so that its files
 *  need not be written again; else a fresh folder under TMPDIR, removed with everything in it when
 *  this goes. */
class BenchFolder
{
public:
    BenchFolder(const char* keptVariable, const std::string& name)
    {
        const char* kept = std::getenv(keptVariable);
        if (kept != nullptr && *kept != '\0') {
            m_path = kept;
            std::filesystem::create_directories(m_path);
            return;
        }
        const char* tmp = std::getenv("TMPDIR");
        // Appended, not added: GCC 12 optimising warns of an overlap that adding cannot have (-Wrestrict).
        std::string pattern = tmp != nullptr ? tmp : "/tmp";
        pattern += '/';
        pattern += name;
        pattern += ".XXXXXX";
        std::vector<char> text(pattern.begin(), pattern.end());
        text.push_back('\0');
        if (::mkdtemp(text.data()) == nullptr) {
            throw std::runtime_error("cannot make a folder like " + pattern);
        }
        m_path = text.data();
        m_remove = true;
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;
    ~BenchFolder()
    {
        if (m_remove) {
            std::error_code ignored;
            std::filesystem::remove_all(m_path, ignored);
        }
    }
    const std::filesystem::path& Path() const noexcept { return m_path; }

private:
    std::filesystem::path m_path;
    bool m_remove = false;
};

} // namespace pellavane::bench
