#pragma once

#include "app/command_line/command_line.h"

#include <QStringList>

#include <string>

namespace pellavane {

/** What --families needs when it has no value. */
inline constexpr const char* kFamiliesNeedsValue = "--families needs 4, 6 or auto.";

/** Reads the values of --families into request.families, the last one standing; the message when one
 *  is not 4, 6 or auto or the mode is not --check or --console, else empty. */
std::string ReadFamiliesOption(const QStringList& values, CommandLineRequest& request);

} // namespace pellavane
