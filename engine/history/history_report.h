#pragma once

#include "engine/history/outages.h"
#include "engine/quality/quality_report.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pellavane {

enum class ReportFormat
{
    /** An aligned table for a person. */
    Table,
    /** Comma-separated values with a header line, ISO 8601 local times and whole seconds. */
    Csv,
    /** An array of objects with the CSV's keys. */
    Json,
};

/** A duration for a person: "1 h 02 min 05 s", "4 min 10 s", "45 s". */
std::string DurationText(std::int64_t seconds);

/** Up time as a share of the known time in percent to two decimals, with a point whatever the locale
 *  ("99.71"); empty when no time is known. */
std::string UptimePercentText(const PeriodUptime& period);

/** The same for a person: "99.71 %", or "-" when no time is known. */
std::string UptimePercentForPerson(const PeriodUptime& period);

/** One outage as its row of the CSV report gives it, each field unquoted: start and end as ISO 8601
 *  local times (end empty while it is still going), the duration in whole seconds, the cause. */
struct OutageValues
{
    std::string start;
    std::string end;
    std::string durationSeconds;
    std::string cause;
};
OutageValues OutageCsvValues(const Outage& outage);

/** The line the outage table ends with: "3 outages, 1 h 02 min 05 s in all; in 2 of them (...) the
 *  router answered and the Internet did not.", or "No outages." */
std::string OutagesBlameLine(const std::vector<Outage>& outages);

/** The outages as a table, CSV (start,end,duration_s,cause) or JSON. */
std::string OutagesText(const std::vector<Outage>& outages, ReportFormat format);

/** The periods as a table, CSV (period,up_s,down_s,unknown_s,outages,longest_s,uptime_pct) or JSON. */
std::string UptimeText(const std::vector<PeriodUptime>& periods, ReportFormat format);

/** A round trip in microseconds as milliseconds the way ping prints them, with no trailing zeros
 *  ("18.123", "18.1", "20"); empty for none. */
std::string MillisecondsText(const std::optional<std::uint32_t>& microseconds);

/** Lost echoes in percent of those sent, to two decimals with a point ("1.25"); empty with none sent. */
std::string LossPercentText(const PeriodQuality& period);

/** The mean change of round trip between consecutive answered echoes in milliseconds, to two
 *  decimals; empty with fewer than two answered. */
std::string JitterText(const PeriodQuality& period);

/** The periods as a table, CSV (period,echoes,lost,loss_pct,rtt_median_ms,rtt_p95_ms,jitter_ms,
 *  degraded_s) or JSON. */
std::string QualityText(const std::vector<PeriodQuality>& periods, ReportFormat format);

} // namespace pellavane
