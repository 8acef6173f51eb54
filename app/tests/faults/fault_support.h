#pragma once

#include "testsupport/status_lines.h"
#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/types.h>

namespace pellavane::testing {

/** count divided by PELLAVANE_FAULT_SCALE (sanitized builds set it), at least minimum. */
int Scaled(int count, int minimum = 1);

/** Open descriptors of this process. */
int OpenDescriptorCount();

/** A /proc/self/status figure in kB ("VmRSS", "VmHWM"). */
long StatusKilobytes(const std::string& field);

/** A private home, configuration, state and runtime folder, and a folder with a fake ping that
 *  answers at once, first on PATH. Programs started through it see only these. */
class Sandbox
{
public:
    Sandbox();
    const TempFolder& Folder() const { return m_folder; }
    std::string File(const std::string& name) const { return m_folder.File(name); }
    std::string ConfigHome() const { return File("config"); }
    /** The settings file the program reads. */
    std::string SettingsFile() const { return File("config/Quillmoor.ini"); }

    /** Starts the program with arguments, standard output and error to /dev/null. */
    pid_t Start(const std::vector<std::string>& arguments) const;

private:
    TempFolder m_folder;
    std::vector<std::string> m_environment;
};

/** Waits for pid and gives its wait status. */
int WaitFor(pid_t pid);

} // namespace pellavane::testing
