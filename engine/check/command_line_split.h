#pragma once

#include <string>
#include <vector>

namespace pellavane {

/** Splits a command line into arguments by the quoting rules of a Windows command line
 *  (blanks separate, double quotes group, backslashes escape only before a quote). */
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

} // namespace pellavane
