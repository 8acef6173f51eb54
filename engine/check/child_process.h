#pragma once

// A hidden child process as the captures start it: standard input empty, standard output and
// standard error into pipes that only we read, or nowhere, and stopped with everything it started.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#ifdef _WIN32
#include "core/win32_support.h"
#else
#include "core/posix_support.h"

#include <sys/types.h>
#endif

namespace pellavane {

#ifdef _WIN32
using PipeEnd = win32::Handle;
#else
using PipeEnd = posix::UniqueFd;
#endif

/** A pipe for one of a child's streams: the child gets the write end through ChildProcess::Start
 *  and nothing else does; the read end is ours alone. */
struct ChildPipe
{
    PipeEnd readEnd;
    PipeEnd writeEnd;
};

/** A new pipe; nullopt when the system has no room for one. bufferSize is a hint for Windows. */
std::optional<ChildPipe> MakeChildPipe(std::size_t bufferSize);

/** One started child, in a group of its own with whatever it starts (a POSIX process group, a
 *  Windows job), so that stopping it also reaches the grandchildren that inherited its pipes. An
 *  owner that ends without stopping it or letting it go stops it. */
class ChildProcess
{
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    /** Starts commandLine, split by SplitCommandLine's rules (on Windows the system splits it), with
     *  standard output into output and standard error into errors: a null end sends a stream
     *  nowhere, and the same end may take both. Each "NAME=value" of overrides replaces NAME in the
     *  parent's environment and a "NAME" alone leaves NAME out; null hands on the parent's as it is.
     *  False when the program cannot be started. */
    bool Start(const std::string& commandLine, const PipeEnd* output, const PipeEnd* errors,
               const std::vector<std::string>* overrides = nullptr);

    /** True once the child has ended (on POSIX it is reaped then). Never waits. */
    bool HasEnded();
    /** Ends the child and everything it started now, and waits for the child to end (on Windows for
     *  a second at the most). On POSIX only a child not yet reaped has a group to stop: once it is
     *  reaped its group id may be someone else's. */
    void Stop();
    /** Gives up the hold on what the child started, and on Windows on the child itself: they may
     *  run on after the owner has ended. A POSIX child still running is stopped all the same, since
     *  it must be reaped. */
    void LetGo();
    /** The status of a child that ended by itself; nullopt while it runs, when Stop ended it, and
     *  for a POSIX child that died of a signal. */
    std::optional<int> ExitStatus();

private:
#ifdef _WIN32
    win32::Handle m_process;
    win32::Handle m_job;
    bool m_stopped = false;
    bool m_letGo = false;
#else
    pid_t m_pid = -1;
    std::optional<int> m_exitStatus;
#endif
};

} // namespace pellavane
