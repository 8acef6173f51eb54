#include "app/tests/faults/fault_support.h"

#include "engine/monitor/recorder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
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

Sandbox::Sandbox()
{
    for (const char* folder : {"home", "config", "state", "runtime", "bin"}) {
        fs::create_directory(m_folder.Path() / folder);
    }
    fs::permissions(m_folder.Path() / "runtime", fs::perms::owner_all);
    WriteScript(File("bin/ping"), "echo 'PING 127.0.0.1 (127.0.0.1) 56(84) bytes of data.'\n"
                                  "echo '64 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.050 ms'\n"
                                  "echo '1 packets transmitted, 1 received, 0% packet loss, time 0ms'\n");
    m_environment = {"PATH=" + File("bin") + ":/usr/bin:/bin",
                     "HOME=" + File("home"),
                     "XDG_CONFIG_HOME=" + ConfigHome(),
                     "XDG_STATE_HOME=" + File("state"),
                     "XDG_RUNTIME_DIR=" + File("runtime"),
                     "TMPDIR=" + m_folder.Path().string(),
                     "PELLAVANE_PROBE_HOST=127.0.0.1",
                     "PELLAVANE_CHECK_URL=",
                     "QT_QPA_PLATFORM=offscreen",
                     "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent"};
    // A sanitized program must keep its settings; they come from the test's own environment.
    for (const char* inherited : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
        if (const char* value = std::getenv(inherited)) {
            m_environment.push_back(std::string(inherited) + "=" + value);
        }
    }
}

pid_t Sandbox::Start(const std::vector<std::string>& arguments) const
{
    std::vector<std::string> argvText{PELLAVANE_PROGRAM};
    argvText.insert(argvText.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : argvText) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> environmentText = m_environment;
    std::vector<char*> environment;
    for (std::string& variable : environmentText) {
        environment.push_back(variable.data());
    }
    environment.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int result = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environment.data());
    ::posix_spawn_file_actions_destroy(&actions);
    if (result != 0) {
        throw std::runtime_error(std::string("Cannot start ") + PELLAVANE_PROGRAM);
    }
    return pid;
}

int WaitFor(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

} // namespace pellavane::testing
