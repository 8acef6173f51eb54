#pragma once

// POSIX only.

#include "testsupport/test_files.h"

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace pellavane::testing {

/** A fake ping the test writes, in a folder put first on PATH for as long as this lives, so the
 *  real ping is never started. Each start appends "LC_ALL|arguments" to CallsFile(), then runs the
 *  body the test gave. */
class FakePingOnPath
{
public:
    /** Whether the rest of PATH stays behind the fake or is dropped, so that no other program is
     *  found either; the fake itself then looks in /usr/bin and /bin. */
    enum class OtherPrograms
    {
        Found,
        NotFound,
    };

    explicit FakePingOnPath(OtherPrograms others = OtherPrograms::Found)
        : m_others(others),
          m_path("PATH", others == OtherPrograms::Found ? Prepended(m_folder) : m_folder.Path().string())
    {}

    void Write(const std::string& body) const
    {
        const std::string path = m_others == OtherPrograms::NotFound ? "PATH=/usr/bin:/bin\n" : "";
        WriteScript(m_folder.File("ping"), path + "echo \"$LC_ALL|$*\" >> '" + CallsFile() + "'\n" + body);
    }
    std::string CallsFile() const { return m_folder.File("calls"); }
    /** One line a start, in order. */
    std::vector<std::string> Calls() const
    {
        std::vector<std::string> lines;
        std::ifstream in(CallsFile());
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }
    /** A file beside the fake, for what its body writes. */
    std::string File(const std::string& name) const { return m_folder.File(name); }

private:
    static std::string Prepended(const TempFolder& folder)
    {
        const char* rest = std::getenv("PATH");
        return folder.Path().string() + ":" + (rest != nullptr ? rest : "");
    }

    TempFolder m_folder;
    OtherPrograms m_others;
    ScopedEnv m_path;
};

} // namespace pellavane::testing
