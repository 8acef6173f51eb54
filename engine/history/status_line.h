#pragma once

// A text log's status line is its date and time followed by one of these; the recorder writes them
// and the history reads them back.

namespace pellavane {

inline constexpr char kStatusConnected[] = " Internet Connection Status: Connected";
inline constexpr char kStatusDisconnected[] = " Internet Connection Status: Disconnected";

} // namespace pellavane
