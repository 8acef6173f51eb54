#include "engine/quality/degraded_reason.h"

#include <cmath>

namespace pellavane {
namespace {

std::string Whole(double value)
{
    return std::to_string(std::llround(value));
}

// "the last check" when the evidence is one check's own, so no span of 0 s is ever shown.
std::string Span(double seconds)
{
    if (seconds < 1.0) {
        return "the last check";
    }
    if (seconds < 90.0) {
        return "the last " + Whole(seconds) + " s";
    }
    if (seconds < 90.0 * 60.0) {
        return "the last " + Whole(seconds / 60.0) + " min";
    }
    return "the last " + Whole(seconds / 3600.0) + " h";
}

} // namespace

DegradedReason LossReason(std::size_t lost, std::size_t sent, double spanSeconds)
{
    const std::string pct = Whole(100.0 * static_cast<double>(lost) / static_cast<double>(sent));
    return {"loss " + pct + "%", pct + " % of echoes lost in " + Span(spanSeconds)};
}

DegradedReason RoundTripReason(double medianMs, double spanSeconds)
{
    const std::string ms = Whole(medianMs);
    return {"median " + ms + " ms", "median round trip " + ms + " ms in " + Span(spanSeconds)};
}

} // namespace pellavane
