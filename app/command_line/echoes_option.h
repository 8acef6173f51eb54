#pragma once

#include "app/command_line/command_line.h"

#include <QStringList>

#include <string>

namespace pellavane {

/** What --echoes needs when it has no value. */
inline constexpr const char* kEchoesNeedsValue = "--echoes needs a number of echoes from 1 to 20.";

/** Reads the values of --echoes into request.echoes, the last one standing; the message when one is
 *  not a whole number from 1 to kMostEchoesPerCheck or the mode is not --check or --console, else
 *  empty. */
std::string ReadEchoesOption(const QStringList& values, CommandLineRequest& request);

} // namespace pellavane
