#pragma once

// What the probe asks of this platform's ping; one file per platform answers.

#include <string>

namespace pellavane {

/** The command line for one echo request to host (already checked to be a host name or address),
 *  waiting as long as Windows' ping does by default for the reply: 4 seconds. */
std::string PingCommandLine(const std::string& host);

} // namespace pellavane
