#pragma once

// What the probe asks of this platform's ping; one file per platform answers.

#include "engine/check/check_result.h"

#include <optional>
#include <string>

namespace pellavane {

/** The command line for echoes echo requests (1 to kMostEchoesPerCheck) to host (already checked to
 *  be a host name or address), waiting as long as Windows' ping does by default for a reply: 4
 *  seconds. Several go out a fifth of a second apart where ping lets a user choose, so that the most
 *  and the wait stay inside a round of the verdict. With a family, the name is looked up in that
 *  family alone. */
std::string PingCommandLine(const std::string& host, int echoes, std::optional<AddressFamily> family);

} // namespace pellavane
