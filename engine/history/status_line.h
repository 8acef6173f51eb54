#pragma once

#include "core/local_time.h"

#include <cstring>
#include <ctime>
#include <string>
#include <string_view>

// A text log's status line: the date and time as DateTimeText writes them, then one of the two
// status texts. The recorder writes it and the history reads it back.

namespace pellavane {

inline constexpr char kStatusConnected[] = " Internet Connection Status: Connected";
inline constexpr char kStatusDisconnected[] = " Internet Connection Status: Disconnected";

/** DateTimeText(t) followed by the status text for connected. */
std::string StatusLine(std::time_t t, bool connected);

/** Splits a line into its date and time (stamp) and its status; false when it ends in neither
 *  status text. */
inline bool SplitStatusLine(std::string_view line, std::string_view& stamp, bool& connected)
{
    const auto endsWith = [line](std::string_view status) {
        return line.size() >= status.size() &&
               std::memcmp(line.data() + line.size() - status.size(), status.data(), status.size()) == 0;
    };
    if (endsWith(kStatusConnected)) {
        connected = true;
        stamp = line.substr(0, line.size() - (sizeof kStatusConnected - 1));
        return true;
    }
    if (endsWith(kStatusDisconnected)) {
        connected = false;
        stamp = line.substr(0, line.size() - (sizeof kStatusDisconnected - 1));
        return true;
    }
    return false;
}

} // namespace pellavane
