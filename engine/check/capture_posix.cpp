#include "engine/check/cmd_output.h"

#include "engine/check/capture_posix.h"
#include "core/posix_support.h"
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

constexpr std::size_t kChunkSize = 1024;

using posix::UniqueFd;

#if defined(__APPLE__)
bool SetCloseOnExec(int fd)
{
    const int flags = ::fcntl(fd, F_GETFD);
    return flags >= 0 && ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC) == 0;
}
#endif

// Both ends start close-on-exec, so no child ever inherits the read end; the child gets the write
// end only through the dup2 of its spawn actions, which clears the flag on the copy. An end that
// landed on 0, 1 or 2 (a parent started with closed standard streams) is moved above them, because
// dup2 onto its own number would leave the flag set and the child would lose the stream.
bool MakePipe(UniqueFd& readEnd, UniqueFd& writeEnd)
{
    int fds[2];
#if defined(__APPLE__)
    if (::pipe(fds) != 0) {
        return false;
    }
    UniqueFd r(fds[0]);
    UniqueFd w(fds[1]);
    if (!SetCloseOnExec(r.Get()) || !SetCloseOnExec(w.Get())) {
        return false;
    }
#else
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return false;
    }
    UniqueFd r(fds[0]);
    UniqueFd w(fds[1]);
#endif
    for (UniqueFd* end : {&r, &w}) {
        if (end->Get() <= STDERR_FILENO) {
            const int moved = ::fcntl(end->Get(), F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
            if (moved < 0) {
                return false;
            }
            *end = UniqueFd(moved);
        }
    }
    readEnd = std::move(r);
    writeEnd = std::move(w);
    return true;
}

class SpawnFileActions
{
public:
    SpawnFileActions() : m_ok(::posix_spawn_file_actions_init(&m_actions) == 0) {}
    SpawnFileActions(const SpawnFileActions&) = delete;
    SpawnFileActions& operator=(const SpawnFileActions&) = delete;
    ~SpawnFileActions()
    {
        if (m_ok) {
            ::posix_spawn_file_actions_destroy(&m_actions);
        }
    }
    bool Ok() const { return m_ok; }
    void Open(int fd, const char* path, int flags)
    {
        m_ok = m_ok && ::posix_spawn_file_actions_addopen(&m_actions, fd, path, flags, 0) == 0;
    }
    void Dup2(int from, int to)
    {
        m_ok = m_ok && ::posix_spawn_file_actions_adddup2(&m_actions, from, to) == 0;
    }
    const posix_spawn_file_actions_t* Get() const { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
    bool m_ok;
};

class SpawnAttributes
{
public:
    SpawnAttributes() : m_ok(::posix_spawnattr_init(&m_attributes) == 0) {}
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    ~SpawnAttributes()
    {
        if (m_ok) {
            ::posix_spawnattr_destroy(&m_attributes);
        }
    }
    bool Ok() const { return m_ok; }
    posix_spawnattr_t* Get() { return &m_attributes; }
    void Check(int result) { m_ok = m_ok && result == 0; }

private:
    posix_spawnattr_t m_attributes;
    bool m_ok;
};

// The started child, in a process group of its own so that killing the group also reaches the
// grandchildren that inherited the pipe. Whatever way the call ends, the child is reaped: killed
// first if it still runs.
class Child
{
public:
    explicit Child(pid_t pid) : m_pid(pid) {}
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child()
    {
        if (m_pid > 0) {
            KillGroup();
            Reap();
        }
    }

    // Until the child is reaped its process group exists, even when the child itself has exited,
    // so the group id cannot have been reused for someone else's processes.
    void KillGroup()
    {
        if (::kill(-m_pid, SIGKILL) != 0) {
            ::kill(m_pid, SIGKILL);
        }
    }

    /** True once the child has been reaped. */
    bool TryReap()
    {
        for (;;) {
            const pid_t result = ::waitpid(m_pid, nullptr, WNOHANG);
            if (result == 0) {
                return false;
            }
            if (result < 0 && errno == EINTR) {
                continue;
            }
            // Reaped, or ECHILD: someone else (SIGCHLD ignored) already did.
            m_pid = -1;
            return true;
        }
    }

    void Reap()
    {
        while (::waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        m_pid = -1;
    }

private:
    pid_t m_pid;
};

std::string NameOf(const std::string& assignment)
{
    return assignment.substr(0, assignment.find('='));
}

// The parent's environment with the overrides put in place of their namesakes; the strings it
// points to live in environ and overrides.
std::vector<char*> ChildEnvironment(const std::vector<std::string>& overrides)
{
    std::vector<std::string> names;
    names.reserve(overrides.size());
    for (const std::string& assignment : overrides) {
        names.push_back(NameOf(assignment) + "=");
    }
    std::vector<char*> environment;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string_view variable(*entry);
        const bool replaced = std::any_of(names.begin(), names.end(), [&](const std::string& name) {
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

void Pump(const EventPump& pump)
{
    if (pump) {
        pump();
    }
}

// After the pipe has reached its end the child normally exits at once; one that closed its output
// and goes on running is waited for only until the deadline, then killed.
void WaitForExit(Child& child, SteadyClock::time_point deadline, milliseconds slice, const EventPump& pump)
{
    std::chrono::microseconds pause{50};
    while (!child.TryReap()) {
        const auto now = SteadyClock::now();
        if (now >= deadline) {
            child.KillGroup();
            child.Reap();
            return;
        }
        std::this_thread::sleep_for(std::min<SteadyClock::duration>(pause, deadline - now));
        pause = std::min<std::chrono::microseconds>(pause * 2, slice);
        Pump(pump);
    }
}

// Takes what the pipe already holds without waiting; true when it has reached its end.
bool ReadWhatIsThere(int fd, std::array<char, kChunkSize>& buffer, std::string& bytes, std::size_t maxBytes)
{
    for (;;) {
        pollfd ready{fd, POLLIN, 0};
        const int events = ::poll(&ready, 1, 0);
        if (events < 0 && errno == EINTR) {
            continue;
        }
        if (events <= 0) {
            return false;
        }
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got == 0) {
            return true;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.append(buffer.data(), static_cast<std::size_t>(got));
        if (maxBytes > 0 && bytes.size() >= maxBytes) {
            bytes.resize(maxBytes);
            return false;
        }
    }
}

std::string Capture(const std::string& commandLine, bool captureOutput, bool captureErrors,
                    const EventPump& pump, const CaptureLimits& limits,
                    const std::vector<std::string>* overrides)
{
    if (!captureOutput && !captureErrors) {
        throw CaptureArgumentError();
    }
    const auto deadline = SteadyClock::now() + limits.total;
    const milliseconds slice = std::max(limits.pollSlice, milliseconds{1});
    std::array<char, kChunkSize> buffer;

    UniqueFd readEnd;
    UniqueFd writeEnd;
    if (!MakePipe(readEnd, writeEnd)) {
        return {};
    }

    const std::vector<std::string> arguments = SplitCommandLine(commandLine);
    if (arguments.empty()) {
        return kFailedToCreateProcess;
    }
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    SpawnFileActions actions;
    actions.Open(STDIN_FILENO, "/dev/null", O_RDONLY);
    const std::pair<int, bool> streams[] = {{STDOUT_FILENO, captureOutput}, {STDERR_FILENO, captureErrors}};
    for (const auto& [stream, captured] : streams) {
        if (captured) {
            actions.Dup2(writeEnd.Get(), stream);
        } else {
            actions.Open(stream, "/dev/null", O_WRONLY);
        }
    }

    SpawnAttributes attributes;
    sigset_t noSignals;
    sigemptyset(&noSignals);
    // A parent that ignores SIGPIPE must not hand that on: ping and shell tools rely on it.
    sigset_t defaultSignals;
    sigemptyset(&defaultSignals);
    sigaddset(&defaultSignals, SIGPIPE);
    attributes.Check(::posix_spawnattr_setflags(
        attributes.Get(), POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF));
    attributes.Check(::posix_spawnattr_setpgroup(attributes.Get(), 0));
    attributes.Check(::posix_spawnattr_setsigmask(attributes.Get(), &noSignals));
    attributes.Check(::posix_spawnattr_setsigdefault(attributes.Get(), &defaultSignals));
    if (!actions.Ok() || !attributes.Ok()) {
        return kFailedToCreateProcess;
    }

    std::vector<char*> environment;
    if (overrides != nullptr) {
        environment = ChildEnvironment(*overrides);
    }
    pid_t pid = 0;
    // glibc reports a failed exec through the result, so a missing program is told here, in the
    // parent, and never confused with what a child prints.
    if (::posix_spawnp(&pid, argv[0], actions.Get(), attributes.Get(), argv.data(),
                       overrides != nullptr ? environment.data() : environ) != 0) {
        return kFailedToCreateProcess;
    }
    Child child(pid);
    // From now on only the child holds the write end, so the pipe ends when the child is done.
    writeEnd.Reset();

    std::string bytes;
    // Set when the child is cut off: past the time bound or the output bound.
    bool stopChild = false;
    bool reaped = false;
    // The parent's end reads without blocking, so a child that writes steadily costs one read per
    // chunk; poll waits only when nothing is there. The child's end stays blocking.
    const bool nonBlocking =
        ::fcntl(readEnd.Get(), F_SETFL, ::fcntl(readEnd.Get(), F_GETFL) | O_NONBLOCK) == 0;
    // Waits at most one slice for data, so the window runs again soon; false on a poll error.
    const auto waitForData = [&](SteadyClock::time_point now, bool& ready) {
        const auto wait = std::min(slice, std::chrono::ceil<milliseconds>(deadline - now));
        pollfd fd{readEnd.Get(), POLLIN, 0};
        const int events = ::poll(&fd, 1, static_cast<int>(wait.count()));
        ready = events > 0;
        return events >= 0 || errno == EINTR;
    };
    for (;;) {
        Pump(pump);
        const auto now = SteadyClock::now();
        if (now >= deadline) {
            // The pump may have held this loop past the bound (a modal box left open during a
            // probe): a child that answered meanwhile has its whole reply in the pipe and has ended.
            reaped = ReadWhatIsThere(readEnd.Get(), buffer, bytes, limits.maxBytes) && child.TryReap();
            stopChild = !reaped;
            break;
        }
        bool ready = nonBlocking;
        if (!nonBlocking && !waitForData(now, ready)) {
            break;
        }
        if (!ready) {
            continue;
        }
        const ssize_t got = ::read(readEnd.Get(), buffer.data(), buffer.size());
        if (got > 0) {
            bytes.append(buffer.data(), static_cast<std::size_t>(got));
            if (limits.maxBytes > 0 && bytes.size() >= limits.maxBytes) {
                bytes.resize(limits.maxBytes);
                stopChild = true;
                break;
            }
        } else if (got == 0) {
            break;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!waitForData(now, ready)) {
                break;
            }
        } else if (errno != EINTR) {
            break;
        }
    }
    readEnd.Reset();
    if (stopChild) {
        child.KillGroup();
        child.Reap();
    } else if (!reaped) {
        WaitForExit(child, deadline, slice, pump);
    }
    // The console speaks the locale's encoding, which is UTF-8 (or its ASCII subset in the C
    // locale), so the OEM conversion has nothing to do here; stray bytes are mended so that the
    // rest of the program always gets valid UTF-8.
    MendUtf8(bytes);
    return bytes;
}

} // namespace

std::string RunCapturedCommand(const std::string& commandLine, bool captureOutput, bool captureErrors,
                               bool /*convertFromOem*/, const EventPump& pump, const CaptureLimits& limits)
{
    return Capture(commandLine, captureOutput, captureErrors, pump, limits, nullptr);
}

std::string RunCapturedCommandWithEnvironment(const std::string& commandLine, bool captureOutput,
                                              bool captureErrors, bool /*convertFromOem*/,
                                              const EventPump& pump, const CaptureLimits& limits,
                                              const std::vector<std::string>& overrides)
{
    return Capture(commandLine, captureOutput, captureErrors, pump, limits, &overrides);
}

} // namespace pellavane
