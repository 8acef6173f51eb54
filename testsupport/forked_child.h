#pragma once

// POSIX only.

#include <cerrno>
#include <functional>
#include <system_error>

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pellavane::testing {

/** The exit code of a child whose body threw. */
constexpr int kChildThrew = 99;

/** Runs body in a forked child and gives the child's wait status; body's result is its exit code.
 *  A fault the child sets up for itself (a lowered limit, an ignored signal) ends with it instead of
 *  reaching the tests that come after. The child cannot report through gtest: its assertions would
 *  be lost, so it tells what went wrong by its exit code. */
inline int RunInChild(const std::function<int()>& body)
{
    const pid_t child = ::fork();
    if (child < 0) {
        throw std::system_error(errno, std::generic_category(), "Cannot fork a child for the test");
    }
    if (child == 0) {
        int code = kChildThrew;
        try {
            code = body();
        } catch (...) {
        }
        ::_exit(code);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            throw std::system_error(errno, std::generic_category(), "Cannot wait for the test's child");
        }
    }
    return status;
}

} // namespace pellavane::testing
