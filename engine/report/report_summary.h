#pragma once

#include "engine/report/report_data.h"

#include <string>

namespace pellavane {

/** The report's summary as HTML: uptime in percent of the known time, the outages, their number and
 *  total with the line the outage table ends with, the degraded time and the loss, and the same per
 *  address family where the history recorded the families. */
std::string SummaryHtml(const ReportData& data);

/** The interval the history was recorded at, for a person: "every 5 s" from its start rows, else
 *  the mean spacing of its checks ("about every 5 s"); empty with fewer than two checks. */
std::string RecordedIntervalText(const ReportData& data);

} // namespace pellavane
