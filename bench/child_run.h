#pragma once

// A program run to its end as a child, its output read from a pipe, for the benches that time the
// real program against a baseline. Not /dev/null for the output: grep finds that out and stops at
// the first match.

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace pellavane::bench {

struct ChildRun
{
    /** Wall time from the start to the end of the child. */
    double seconds = 0;
    /** The child's peak resident memory. */
    long maxRssKb = 0;
};

/** Runs args with extraEnv before the inherited environment; throws when it cannot be started or
 *  exits with a status over 1 (grep -c exits 1 when it counts none). */
inline ChildRun RunChild(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv = {})
{
    std::vector<char*> argv;
    for (const auto& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<std::string> envText(extraEnv);
    for (char** e = environ; *e != nullptr; ++e) {
        envText.emplace_back(*e);
    }
    std::vector<char*> envp;
    for (auto& e : envText) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        throw std::runtime_error("cannot make a pipe");
    }
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    const auto started = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (spawned != 0) {
        ::close(fds[0]);
        throw std::runtime_error("cannot start " + args[0]);
    }
    char buffer[4096];
    while (::read(fds[0], buffer, sizeof buffer) > 0) {
    }
    ::close(fds[0]);
    int status = 0;
    struct rusage usage
    {};
    ::wait4(pid, &status, 0, &usage);
    const auto ended = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) {
        throw std::runtime_error(args[0] + " failed");
    }
    return ChildRun{std::chrono::duration<double>(ended - started).count(), usage.ru_maxrss};
}

/** The fastest of runs runs of args, with the highest peak memory any of them reached. */
inline ChildRun BestOf(int runs, const std::vector<std::string>& args,
                       const std::vector<std::string>& extraEnv = {})
{
    ChildRun best{1e9, 0};
    for (int i = 0; i < runs; ++i) {
        const ChildRun run = RunChild(args, extraEnv);
        best.seconds = std::min(best.seconds, run.seconds);
        best.maxRssKb = std::max(best.maxRssKb, run.maxRssKb);
    }
    return best;
}

} // namespace pellavane::bench
