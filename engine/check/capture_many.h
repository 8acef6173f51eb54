#pragma once

#include "engine/check/capture.h"

#include <optional>
#include <string>
#include <vector>

namespace pellavane {

/** What one child of RunCapturedCommands left behind. */
struct CapturedRun
{
    /** False when the program could not be started (or the command line was empty). */
    bool started = false;
    /** Standard output and standard error, each UTF-8 and each cut at the limits' maxBytes. */
    std::string output;
    std::string errors;
    /** The status of a child that exited by itself; nullopt when it was stopped at a bound or died
     *  of a signal. */
    std::optional<int> exitStatus;
};

/** Runs every command line at once as a hidden child with standard input empty and standard output
 *  and standard error on pipes of their own, and gives what each left, in the same order. The
 *  whole call ends within limits.total: a child still running then, or one that writes more than
 *  limits.maxBytes on either stream, is stopped with the processes it started, and every child is
 *  reaped before the call returns. Each "NAME=value" of overrides replaces NAME in the children's
 *  environment. The pump runs at least every limits.pollSlice while the children run. */
std::vector<CapturedRun> RunCapturedCommands(const std::vector<std::string>& commandLines,
                                             const EventPump& pump, const CaptureLimits& limits,
                                             const std::vector<std::string>& overrides = {});

} // namespace pellavane
