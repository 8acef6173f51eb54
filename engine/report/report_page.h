#pragma once

#include "engine/report/report_data.h"

#include <cstdint>
#include <string>

namespace pellavane {

/** What the report says of itself and of the machine it was made on. */
struct ReportAbout
{
    std::string machine;
    std::string version;
    /** When it was made, in seconds since the epoch. */
    std::int64_t madeAt = 0;
    /** The targets checked, as a person reads them ("192.0.2.1, 198.51.100.7"). */
    std::string targets;
};

/** The whole report as one HTML page that needs nothing else: its style inline, its pictures inline
 *  SVG, no script, and a print style for A4 and Letter with tables that break between rows. */
std::string ReportPage(const ReportData& data, const ReportAbout& about);

} // namespace pellavane
