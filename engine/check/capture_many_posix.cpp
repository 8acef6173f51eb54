#include "engine/check/capture_many.h"

#include "core/utf8_text.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <string_view>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace pellavane {
namespace {

using SteadyClock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::size_t kChunkSize = 4096;

class Fd
{
public:
    Fd() = default;
    explicit Fd(int fd) noexcept : m_fd(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Fd& operator=(Fd&& other) noexcept
    {
        if (this != &other) {
            Reset(std::exchange(other.m_fd, -1));
        }
        return *this;
    }
    ~Fd() { Reset(); }
    int Get() const noexcept { return m_fd; }
    void Reset(int fd = -1) noexcept
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }

private:
    int m_fd = -1;
};

// Both ends close-on-exec, and neither on 0, 1 or 2: the child gets the write end only through the
// dup2 of its spawn actions, which clears the flag on the copy.
bool MakePipe(Fd& readEnd, Fd& writeEnd)
{
    int fds[2];
    if (::pipe(fds) != 0) {
        return false;
    }
    Fd ends[2] = {Fd(fds[0]), Fd(fds[1])};
    for (Fd& end : ends) {
        const int moved = ::fcntl(end.Get(), F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        if (moved < 0) {
            return false;
        }
        end.Reset(moved);
    }
    readEnd = std::move(ends[0]);
    writeEnd = std::move(ends[1]);
    return ::fcntl(readEnd.Get(), F_SETFL, ::fcntl(readEnd.Get(), F_GETFL) | O_NONBLOCK) == 0;
}

std::vector<char*> ChildEnvironment(const std::vector<std::string>& overrides)
{
    std::vector<char*> environment;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string_view variable(*entry);
        const bool replaced =
            std::any_of(overrides.begin(), overrides.end(), [&](const std::string& assignment) {
                const std::string_view name =
                    std::string_view(assignment).substr(0, assignment.find('=') + 1);
                return variable.substr(0, name.size()) == name;
            });
        if (!replaced) {
            environment.push_back(*entry);
        }
    }
    for (const std::string& assignment : overrides) {
        environment.push_back(const_cast<char*>(assignment.c_str()));
    }
    environment.push_back(nullptr);
    return environment;
}

// One started child in a process group of its own, so that a kill also reaches what it started.
// Until it is reaped its group id cannot be reused, so killing the group never hits a stranger.
class Running
{
public:
    Running() = default;
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;
    ~Running()
    {
        if (m_pid > 0) {
            Stop();
            while (!TryReap()) {
                std::this_thread::sleep_for(milliseconds{1});
            }
        }
    }

    bool Start(const std::string& commandLine, char* const* environment)
    {
        const std::vector<std::string> arguments = SplitCommandLine(commandLine);
        if (arguments.empty()) {
            return false;
        }
        std::vector<char*> argv;
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        Fd outWrite;
        Fd errWrite;
        if (!MakePipe(m_out, outWrite) || !MakePipe(m_err, errWrite)) {
            return false;
        }
        posix_spawn_file_actions_t actions;
        if (::posix_spawn_file_actions_init(&actions) != 0) {
            return false;
        }
        posix_spawnattr_t attributes;
        if (::posix_spawnattr_init(&attributes) != 0) {
            ::posix_spawn_file_actions_destroy(&actions);
            return false;
        }
        sigset_t noSignals;
        sigemptyset(&noSignals);
        // A parent that ignores SIGPIPE must not hand that on: ping and shell tools rely on it.
        sigset_t defaultSignals;
        sigemptyset(&defaultSignals);
        sigaddset(&defaultSignals, SIGPIPE);
        bool ok = ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0 &&
                  ::posix_spawn_file_actions_adddup2(&actions, outWrite.Get(), STDOUT_FILENO) == 0 &&
                  ::posix_spawn_file_actions_adddup2(&actions, errWrite.Get(), STDERR_FILENO) == 0 &&
                  ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                                              POSIX_SPAWN_SETSIGDEF) == 0 &&
                  ::posix_spawnattr_setpgroup(&attributes, 0) == 0 &&
                  ::posix_spawnattr_setsigmask(&attributes, &noSignals) == 0 &&
                  ::posix_spawnattr_setsigdefault(&attributes, &defaultSignals) == 0;
        pid_t pid = 0;
        ok = ok && ::posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environment) == 0;
        ::posix_spawnattr_destroy(&attributes);
        ::posix_spawn_file_actions_destroy(&actions);
        if (!ok) {
            m_out.Reset();
            m_err.Reset();
            return false;
        }
        m_pid = pid;
        return true;
    }

    bool Alive() const { return m_pid > 0; }
    Fd& Out() { return m_out; }
    Fd& Err() { return m_err; }
    bool PipesOpen() const { return m_out.Get() >= 0 || m_err.Get() >= 0; }

    void Stop()
    {
        m_stopped = true;
        m_out.Reset();
        m_err.Reset();
        if (m_pid > 0 && ::kill(-m_pid, SIGKILL) != 0) {
            ::kill(m_pid, SIGKILL);
        }
    }

    /** True once the child has been reaped (or someone else, ignoring SIGCHLD, did). */
    bool TryReap()
    {
        if (m_pid <= 0) {
            return true;
        }
        int status = 0;
        pid_t result = 0;
        do {
            result = ::waitpid(m_pid, &status, WNOHANG);
        } while (result < 0 && errno == EINTR);
        if (result == 0) {
            return false;
        }
        if (result == m_pid && !m_stopped && WIFEXITED(status)) {
            m_exitStatus = WEXITSTATUS(status);
        }
        m_pid = -1;
        return true;
    }

    std::optional<int> ExitStatus() const { return m_exitStatus; }

private:
    pid_t m_pid = -1;
    Fd m_out;
    Fd m_err;
    bool m_stopped = false;
    std::optional<int> m_exitStatus;
};

// Reads what is there now; false when the stream has ended (or failed) and its end is closed.
bool Drain(Fd& fd, std::string& into, std::size_t maxBytes, bool& tooMuch)
{
    std::array<char, kChunkSize> buffer;
    for (;;) {
        const ssize_t got = ::read(fd.Get(), buffer.data(), buffer.size());
        if (got > 0) {
            into.append(buffer.data(), static_cast<std::size_t>(got));
            if (maxBytes > 0 && into.size() >= maxBytes) {
                into.resize(maxBytes);
                tooMuch = true;
                return true;
            }
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return true;
        }
        fd.Reset();
        return false;
    }
}

} // namespace

std::vector<CapturedRun> RunCapturedCommands(const std::vector<std::string>& commandLines,
                                             const EventPump& pump, const CaptureLimits& limits,
                                             const std::vector<std::string>& overrides)
{
    const auto deadline = SteadyClock::now() + limits.total;
    const milliseconds slice = std::max(limits.pollSlice, milliseconds{1});
    std::vector<CapturedRun> runs(commandLines.size());
    std::vector<Running> children(commandLines.size());
    std::vector<char*> environment = ChildEnvironment(overrides);
    for (std::size_t i = 0; i < commandLines.size(); ++i) {
        runs[i].started = children[i].Start(commandLines[i], environment.data());
    }

    for (;;) {
        if (pump) {
            pump();
        }
        std::vector<pollfd> fds;
        std::vector<std::pair<std::size_t, bool>> owners;
        for (std::size_t i = 0; i < children.size(); ++i) {
            if (children[i].Out().Get() >= 0) {
                fds.push_back({children[i].Out().Get(), POLLIN, 0});
                owners.emplace_back(i, true);
            }
            if (children[i].Err().Get() >= 0) {
                fds.push_back({children[i].Err().Get(), POLLIN, 0});
                owners.emplace_back(i, false);
            }
        }
        const auto now = SteadyClock::now();
        if (fds.empty() || now >= deadline) {
            break;
        }
        const auto wait = std::min(slice, std::chrono::ceil<milliseconds>(deadline - now));
        if (::poll(fds.data(), fds.size(), static_cast<int>(wait.count())) < 0 && errno != EINTR) {
            break;
        }
        for (std::size_t k = 0; k < fds.size(); ++k) {
            if (fds[k].revents == 0) {
                continue;
            }
            const auto [i, isOutput] = owners[k];
            Running& child = children[i];
            Fd& fd = isOutput ? child.Out() : child.Err();
            if (fd.Get() < 0) {
                continue;
            }
            bool tooMuch = false;
            Drain(fd, isOutput ? runs[i].output : runs[i].errors, limits.maxBytes, tooMuch);
            if (tooMuch) {
                child.Stop();
            }
        }
    }

    // Pipes closed normally mean the child exits at once; one that goes on running, or still holds
    // its pipes at the deadline, is stopped there.
    for (Running& child : children) {
        if (child.PipesOpen()) {
            child.Stop();
        }
    }
    std::chrono::microseconds pause{50};
    for (;;) {
        bool allReaped = true;
        for (Running& child : children) {
            allReaped = child.TryReap() && allReaped;
        }
        if (allReaped) {
            break;
        }
        if (SteadyClock::now() >= deadline) {
            for (Running& child : children) {
                child.Stop();
            }
        }
        std::this_thread::sleep_for(pause);
        pause = std::min<std::chrono::microseconds>(pause * 2, slice);
        if (pump) {
            pump();
        }
    }
    for (std::size_t i = 0; i < children.size(); ++i) {
        runs[i].exitStatus = children[i].ExitStatus();
        MendUtf8(runs[i].output);
        MendUtf8(runs[i].errors);
    }
    return runs;
}

} // namespace pellavane
