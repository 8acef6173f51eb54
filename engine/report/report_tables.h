#pragma once

#include "engine/history/outages.h"
#include "engine/quality/quality_report.h"

#include <string>
#include <vector>

namespace pellavane {

/** The outages as an HTML table; each outage's row, and no other, is
 *  <tr class="outage" data-start data-end data-duration-s data-cause> with the values of its row of
 *  the CSV report, so that a program can check the page against the history. */
std::string OutageTableHtml(const std::vector<Outage>& outages);

/** Up, down and unknown time per period as an HTML table. */
std::string UptimeTableHtml(const std::vector<PeriodUptime>& periods);

/** Echoes, losses, round trips and degraded time per period as an HTML table. */
std::string QualityTableHtml(const std::vector<PeriodQuality>& periods);

} // namespace pellavane
