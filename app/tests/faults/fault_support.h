#pragma once

#include "testsupport/program_sandbox.h"
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

/** The program sandbox of the process tests, offscreen: programs started through it see only its
 *  folders and its fake ping, and keep the sanitizers' settings of the test itself. */
class Sandbox : public ProgramSandbox
{
public:
    std::string ConfigHome() const { return File("config"); }
    /** The settings file the program reads. */
    std::string SettingsFile() const { return File("config/Quillmoor.ini"); }

    /** Starts the program with arguments, standard output and error to /dev/null. */
    pid_t Start(const std::vector<std::string>& arguments) const;
};

/** Waits for pid and gives its wait status. */
int WaitFor(pid_t pid);

} // namespace pellavane::testing
