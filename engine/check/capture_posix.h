#pragma once

#include "engine/check/cmd_output.h"

#include <string>
#include <vector>

namespace pellavane {

/** RunCapturedCommand with the child's environment changed: the parent's environment, where each
 *  "NAME=value" of overrides replaces any variable NAME. */
std::string RunCapturedCommandWithEnvironment(const std::string& commandLine, bool captureOutput,
                                              bool captureErrors, bool convertFromOem, const EventPump& pump,
                                              const CaptureLimits& limits,
                                              const std::vector<std::string>& overrides);

} // namespace pellavane
