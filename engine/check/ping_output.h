#pragma once

// Reading what ping printed: whether it shows a reply, and the reply's round trip.

#include <optional>
#include <string_view>

namespace pellavane {

/** Which ping utility printed the output: its markers differ. */
enum class PingDialect
{
    Windows,
    Unix
};

/** True when the captured ping output shows a reply. Pure; never throws. */
bool ClassifyPingOutput(std::string_view output, PingDialect dialect);

/** The round trip of the reply, in milliseconds as ping printed it ("time=0.120 ms", "time=12ms",
 *  "time<1ms", in any language); nullopt when the output shows none. */
std::optional<double> PingRoundTrip(std::string_view output);

/** True when text holds marker, letters compared without regard to ASCII case. */
bool ContainsIgnoringCase(std::string_view text, std::string_view marker);

} // namespace pellavane
