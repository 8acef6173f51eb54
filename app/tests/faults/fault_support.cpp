#include "app/tests/faults/fault_support.h"

#include "engine/monitor/recorder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <cerrno>
#include <sys/wait.h>
#include <unistd.h>

namespace pellavane::testing {

namespace fs = std::filesystem;

int Scaled(int count, int minimum)
{
    int scale = 1;
    if (const char* text = std::getenv("PELLAVANE_FAULT_SCALE")) {
        scale = std::max(1, std::atoi(text));
    }
    return std::max(minimum, count / scale);
}

int OpenDescriptorCount()
{
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count - 1; // the iterator's own
}

long StatusKilobytes(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string name;
    while (status >> name) {
        if (name == field + ":") {
            long value = 0;
            status >> value;
            return value;
        }
        status.ignore(4096, '\n');
    }
    return -1;
}

pid_t Sandbox::Start(const std::vector<std::string>& arguments) const
{
    Environment environment = Variables();
    environment["QT_QPA_PLATFORM"] = "offscreen";
    // A sanitized program must keep its settings; they come from the test's own environment.
    for (const char* inherited : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
        if (const char* value = std::getenv(inherited)) {
            environment[inherited] = value;
        }
    }
    return SpawnProgram(PELLAVANE_PROGRAM, arguments, environment, "/dev/null", "/dev/null");
}

int WaitFor(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

} // namespace pellavane::testing
