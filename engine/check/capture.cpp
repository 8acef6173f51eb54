#include "engine/check/capture.h"

#include <algorithm>

namespace pellavane {

CaptureArgumentError::CaptureArgumentError()
    : std::invalid_argument("Invalid procedure call or argument: neither standard output nor standard error "
                            "is to be captured")
{}

std::chrono::steady_clock::time_point SteadyDeadline(std::chrono::milliseconds span)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point now = Clock::now();
    const auto room = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::time_point::max() - now);
    return span >= room ? Clock::time_point::max() : now + std::max(span, std::chrono::milliseconds::zero());
}

} // namespace pellavane
