#pragma once

#include <cstddef>
#include <string>

namespace pellavane {

/** Why the connection reads as degraded, in two lengths. */
struct DegradedReason
{
    /** A few words without commas for the status line and the journal: "loss 12%". */
    std::string brief;
    /** A sentence for a notice: "12 % of echoes lost in the last 10 min". */
    std::string notice;

    bool operator==(const DegradedReason&) const = default;
};

/** The reason of a window that lost lost of sent echoes (sent > 0) over spanSeconds. */
DegradedReason LossReason(std::size_t lost, std::size_t sent, double spanSeconds);
/** The reason of a median round trip over answers that span spanSeconds. */
DegradedReason RoundTripReason(double medianMs, double spanSeconds);

} // namespace pellavane
