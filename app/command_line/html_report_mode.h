#pragma once

#include "app/command_line/command_line.h"

#include <iosfwd>

namespace pellavane {

class ISettingsStore;

/** --report FILE: the history of the log given, else of the log the settings name, written to FILE as
 *  one HTML page; what reading it found besides its records, and any failure, on err. Returns 0, or
 *  3 when the history cannot be read or the page cannot be written (then nothing is left at FILE's
 *  place that was not there before). */
int RunHtmlReport(ISettingsStore& settings, const CommandLineRequest& request, std::ostream& out,
                  std::ostream& err);

} // namespace pellavane
