#include "engine/check/child_process.h"

#include "engine/check/command_line_split.h"

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <utility>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace pellavane {
namespace {

using posix::UniqueFd;

#if defined(__APPLE__)
bool SetCloseOnExec(int fd)
{
    const int flags = ::fcntl(fd, F_GETFD);
    return flags >= 0 && ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC) == 0;
}
#endif

// A posix_spawn object, set up on construction and destroyed with its owner whatever happened to
// it; Ok() tells whether the setup and every step on it since worked.
template <typename Object, int (*Init)(Object*), int (*Destroy)(Object*)>
class SpawnObject
{
public:
    SpawnObject() : m_initialised(Init(&m_object) == 0), m_ok(m_initialised) {}
    SpawnObject(const SpawnObject&) = delete;
    SpawnObject& operator=(const SpawnObject&) = delete;
    ~SpawnObject()
    {
        if (m_initialised) {
            Destroy(&m_object);
        }
    }
    bool Ok() const { return m_ok; }
    Object* Get() { return &m_object; }
    void Check(int result) { m_ok = m_ok && result == 0; }

private:
    Object m_object;
    bool m_initialised;
    bool m_ok;
};

using SpawnFileActions = SpawnObject<posix_spawn_file_actions_t, ::posix_spawn_file_actions_init,
                                     ::posix_spawn_file_actions_destroy>;
using SpawnAttributes = SpawnObject<posix_spawnattr_t, ::posix_spawnattr_init, ::posix_spawnattr_destroy>;

// "NAME=" for an assignment, and for a bare "NAME" too: what an environment entry of that name
// starts with.
std::string EntryStart(const std::string& assignment)
{
    return assignment.substr(0, assignment.find('=')) + "=";
}

// The parent's environment with each override in place of its namesakes, and a bare name left
// out; the strings it points to live in environ and overrides.
std::vector<char*> ChildEnvironment(const std::vector<std::string>& overrides)
{
    std::vector<std::string> starts;
    starts.reserve(overrides.size());
    for (const std::string& assignment : overrides) {
        starts.push_back(EntryStart(assignment));
    }
    std::vector<char*> environment;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string_view variable(*entry);
        const bool replaced = std::any_of(starts.begin(), starts.end(), [&](const std::string& start) {
            return variable.substr(0, start.size()) == start;
        });
        if (!replaced) {
            environment.push_back(*entry);
        }
    }
    for (const std::string& assignment : overrides) {
        if (assignment.find('=') != std::string::npos) {
            environment.push_back(const_cast<char*>(assignment.c_str()));
        }
    }
    environment.push_back(nullptr);
    return environment;
}

} // namespace

// Both ends start close-on-exec, so no child ever inherits the read end; the child gets the write
// end only through the dup2 of its spawn actions, which clears the flag on the copy. An end that
// landed on 0, 1 or 2 (a parent started with closed standard streams) is moved above them, because
// dup2 onto its own number would leave the flag set and the child would lose the stream.
std::optional<ChildPipe> MakeChildPipe(std::size_t /*bufferSize*/)
{
    int fds[2];
#if defined(__APPLE__)
    if (::pipe(fds) != 0) {
        return std::nullopt;
    }
    ChildPipe pipe{UniqueFd(fds[0]), UniqueFd(fds[1])};
    if (!SetCloseOnExec(fds[0]) || !SetCloseOnExec(fds[1])) {
        return std::nullopt;
    }
#else
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return std::nullopt;
    }
    ChildPipe pipe{UniqueFd(fds[0]), UniqueFd(fds[1])};
#endif
    for (UniqueFd* end : {&pipe.readEnd, &pipe.writeEnd}) {
        if (end->Get() <= STDERR_FILENO) {
            const int moved = ::fcntl(end->Get(), F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
            if (moved < 0) {
                return std::nullopt;
            }
            end->Reset(moved);
        }
    }
    return pipe;
}

ChildProcess::~ChildProcess()
{
    if (m_pid > 0) {
        Stop();
    }
}

bool ChildProcess::Start(const std::string& commandLine, const PipeEnd* output, const PipeEnd* errors,
                         const std::vector<std::string>* overrides)
{
    const std::vector<std::string> arguments = SplitCommandLine(commandLine);
    if (arguments.empty()) {
        return false;
    }
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    SpawnFileActions actions;
    actions.Check(::posix_spawn_file_actions_addopen(actions.Get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0));
    const std::pair<int, const PipeEnd*> streams[] = {{STDOUT_FILENO, output}, {STDERR_FILENO, errors}};
    for (const auto& [stream, end] : streams) {
        actions.Check(end != nullptr ? ::posix_spawn_file_actions_adddup2(actions.Get(), end->Get(), stream)
                                     : ::posix_spawn_file_actions_addopen(actions.Get(), stream, "/dev/null",
                                                                          O_WRONLY, 0));
    }

    // A process group of its own, so that Stop reaches the grandchildren too.
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
        return false;
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
        return false;
    }
    m_pid = pid;
    m_exitStatus.reset();
    return true;
}

bool ChildProcess::HasEnded()
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
    // Reaped, or ECHILD: someone else (SIGCHLD ignored) already did.
    if (result == m_pid && WIFEXITED(status)) {
        m_exitStatus = WEXITSTATUS(status);
    }
    m_pid = -1;
    return true;
}

// Until the child is reaped its process group exists, even when the child itself has exited, so
// the group id cannot have been reused for someone else's processes.
void ChildProcess::Stop()
{
    if (m_pid <= 0) {
        return;
    }
    if (::kill(-m_pid, SIGKILL) != 0) {
        ::kill(m_pid, SIGKILL);
    }
    while (::waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
}

void ChildProcess::LetGo()
{
    // Nothing holds on to the group: only Stop ever signals it.
}

std::optional<int> ChildProcess::ExitStatus()
{
    return m_exitStatus;
}

} // namespace pellavane
