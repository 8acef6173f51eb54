#pragma once

#include "engine/history/journal_format.h"
#include "engine/monitor/journal.h"
#include "engine/report/report_data.h"
#include "testsupport/test_files.h"

#include <cstdint>
#include <ctime>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

// Journals the report tests write: checks every 5 s, outages, degraded time and family rows, at times given
// in seconds since the epoch.

namespace pellavane::testing {

/** Helsinki's time zone, written out so that no zone database is needed: the clocks go forward at
 *  03:00 on the last Sunday of March and back at 04:00 on the last Sunday of October. */
inline constexpr const char* kHelsinki = "EET-2EEST,M3.5.0/3,M10.5.0/4";

#ifdef _WIN32
inline constexpr bool kNoZoneRules = true;
#else
inline constexpr bool kNoZoneRules = false;
#endif

/** A report's request: outages joined and left out as --merge and --min ask, of the days given. */
inline ReportRequest Asked(std::optional<std::int64_t> merge, std::optional<std::int64_t> min,
                           std::optional<LocalDate> from = std::nullopt,
                           std::optional<LocalDate> to = std::nullopt)
{
    ReportRequest request;
    request.mergeSeconds = merge;
    request.minSeconds = min;
    request.from = from;
    request.to = to;
    return request;
}

class ReportHistory
{
public:
    explicit ReportHistory(std::int64_t start, int interval = 5) : m_at(start), m_interval(interval)
    {
        m_rows.push_back(StartRow(static_cast<std::time_t>(start), interval));
    }
    /** Checks until (not included) t, connected or down for cause. */
    ReportHistory& Up(std::int64_t until) { return Checks(until, true, ""); }
    ReportHistory& Down(std::int64_t until, const std::string& cause = "provider")
    {
        return Checks(until, false, cause);
    }
    ReportHistory& Degraded(bool degraded)
    {
        m_rows.push_back(QualityRow(static_cast<std::time_t>(m_at), degraded, degraded ? "loss 20 %" : ""));
        return *this;
    }
    ReportHistory& Family(AddressFamily family, bool connected)
    {
        FamilyResult result;
        result.family = family;
        result.connected = connected;
        result.cause = connected ? "" : "provider";
        m_rows.push_back(FamilyRow(static_cast<std::time_t>(m_at), result));
        return *this;
    }
    std::int64_t Now() const { return m_at; }

    /** Writes the journal beside logPath, the log itself left absent as a journal-only history is. */
    void Write(const std::string& logPath) const
    {
        std::ofstream out(JournalPath(logPath), std::ios::binary);
        out << kJournalHeader << "\r\n";
        for (const JournalRow& row : m_rows) {
            out << FormatJournalRow(row) << "\r\n";
        }
    }

private:
    ReportHistory& Checks(std::int64_t until, bool connected, const std::string& cause)
    {
        for (; m_at < until; m_at += m_interval) {
            m_rows.push_back({static_cast<std::time_t>(m_at), HistoryEvent::Check,
                              connected ? "connected" : "disconnected", connected ? "12.5" : "", "192.0.2.1",
                              cause});
        }
        return *this;
    }

    std::int64_t m_at;
    int m_interval;
    std::vector<JournalRow> m_rows;
};

} // namespace pellavane::testing
