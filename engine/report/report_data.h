#pragma once

#include "engine/check/address_families.h"
#include "engine/history/history.h"
#include "engine/history/outages.h"
#include "engine/quality/quality_report.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pellavane {

/** What a report covers: the local days from and to (the whole history without them), and the
 *  outages joined and left out as --outages joins and leaves them out. */
struct ReportRequest
{
    std::optional<LocalDate> from;
    std::optional<LocalDate> to;
    std::optional<std::int64_t> mergeSeconds;
    std::optional<std::int64_t> minSeconds;
};

/** One address family's history, for a history that recorded the families apart. */
struct FamilyReport
{
    AddressFamily family = AddressFamily::V4;
    HistoryReport history;
    /** Its outages as the request joins and leaves them out. */
    std::vector<Outage> outages;
};

/** Everything a report shows, from one reading of the history. */
struct ReportData
{
    /** By day, with the known time of the whole range. */
    HistoryReport history;
    /** The history's outages as the request joins and leaves them out. */
    std::vector<Outage> outages;
    /** The quality by day. */
    std::vector<PeriodQuality> quality;
    /** Degraded time, oldest first; it may reach outside the range. */
    std::vector<TimeSpan> degraded;
    /** The families the history has rows of, IPv4 first. */
    std::vector<FamilyReport> families;
    /** The interval the last start row names, 0 when none does (a text log has none). */
    int intervalSeconds = 0;
    /** How many checks were read, in the range or not. */
    std::int64_t checks = 0;
    /** The first and the last check read, when there was one. */
    std::int64_t firstCheck = 0;
    std::int64_t lastCheck = 0;
    HistoryReadSummary read;

    /** The range the periods cover; empty (0, 0) with no period. */
    TimeSpan Range() const;
};

/** Reads the history of the log at logPath once, by ReadHistory as the other reports read it, and
 *  gathers every part of the report from the analysers the other reports use. Throws
 *  HistoryReadError. */
ReportData GatherReport(const std::string& logPath, const ReportRequest& request);

} // namespace pellavane
