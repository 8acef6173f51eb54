#pragma once

#include "core/event_pump.h"

#include <chrono>
#include <cstddef>
#include <stdexcept>
#include <string>

namespace pellavane {

/** The whole result of RunCapturedCommand when the program cannot be started. */
inline constexpr const char* kFailedToCreateProcess =
    "Failed to create process, check the path of the command line.";

/** Raised by RunCapturedCommand when neither stream is to be captured. */
class CaptureArgumentError : public std::invalid_argument
{
public:
    CaptureArgumentError();
    /** The error number of an invalid argument. */
    int Number() const noexcept { return 5; }
};

/** Bounds on one capture. */
struct CaptureLimits
{
    /** Past this the child is killed and what was read so far is returned. */
    std::chrono::milliseconds total{30000};
    /** Longest wait for data before the event pump runs again. */
    std::chrono::milliseconds pollSlice{50};
    /** Past this many bytes of output the child is killed and the first maxBytes are returned;
     *  0 for no limit. */
    std::size_t maxBytes{0};
};

/** The moment span from now on the steady clock: the clock's end for a span too long for it, now
 *  for a negative one. */
std::chrono::steady_clock::time_point SteadyDeadline(std::chrono::milliseconds span);

/** Runs commandLine as a hidden child process with the chosen streams on one pipe and returns
 *  everything it wrote, as UTF-8. Empty text when the pipe cannot be made; kFailedToCreateProcess
 *  when the program cannot be started; throws CaptureArgumentError when both flags are false.
 *  The pump runs before every read and between waits for data. */
std::string RunCapturedCommand(const std::string& commandLine, bool captureOutput, bool captureErrors,
                               bool convertFromOem, const EventPump& pump = {},
                               const CaptureLimits& limits = {});
} // namespace pellavane
