#pragma once

// Reading what ping printed: whether it shows a reply, and the reply's round trip.

#include <optional>
#include <string_view>
#include <vector>

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

/** The echo answers of one ping run of several echo requests. */
struct PingEchoLines
{
    /** The round trip of each answered echo, in sequence order and each sequence once: a duplicate
     *  answer ("DUP!") is not counted again, and an error another host sent ("From 192.0.2.1
     *  icmp_seq=2 Destination Host Unreachable") is no answer. Windows numbers no echo: its answers
     *  are in the order printed. */
    std::vector<double> rttsMs;
    /** Echoes sent as the summary says ("5 packets transmitted", "Sent = 5"); nullopt without one,
     *  as when the run was stopped or its text is in another language. */
    std::optional<int> transmitted;
};

/** Reads every echo line and the summary of ping's output. Pure; never throws. */
PingEchoLines ReadPingEchoes(std::string_view output, PingDialect dialect);

/** True when text holds marker, letters compared without regard to ASCII case. */
bool ContainsIgnoringCase(std::string_view text, std::string_view marker);

} // namespace pellavane
