#pragma once

#include "engine/report/report_page.h"

#include <cstdint>

namespace pellavane {

class ISettingsStore;

/** What a report made now on this machine says of itself: the machine's name, the program's version,
 *  and the targets the checks are set up with (as the verdict reads them from the environment and the
 *  settings), or why that list is refused. */
ReportAbout ThisMachinesReportAbout(ISettingsStore& settings, std::int64_t now);

} // namespace pellavane
