#pragma once

#include "engine/report/report_data.h"

#include <string>

namespace pellavane {

/** Ranges longer than this many days get one timeline row per week instead of one per day. */
inline constexpr int kDailyTimelineDays = 62;

/** The report's timeline as HTML: a table with one row per local day (per week of seven local days
 *  for a longer range), each an inline SVG of the time up (green), down (red), degraded (amber) and
 *  unknown (grey). Empty when the range holds no period. */
std::string TimelineHtml(const ReportData& data);

} // namespace pellavane
