#pragma once

#include "app/command_line/command_line.h"

#include <QStringList>

#include <string>

namespace pellavane {

/** What --family needs when it has no value. */
inline constexpr const char* kFamilyNeedsValue = "--family needs 4 or 6.";

/** Reads the values of --family into request.family, the last one standing; the message when one is
 *  not 4 or 6 or the mode is not --outages or --uptime, else empty. The quality report refuses it:
 *  only the first family's first target measures quality, so a family's quality would be the other's
 *  or nothing. */
std::string ReadFamilyOption(const QStringList& values, CommandLineRequest& request);

} // namespace pellavane
