#pragma once

#include "engine/history/history.h"
#include "engine/history/local_period.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pellavane {

/** A local calendar day. */
struct LocalDate
{
    int year = 0;
    int month = 0;
    int day = 0;
};

/** One outage: from its first "Disconnected" check to the next "Connected" one, or to where unknown
 *  time begins. */
struct Outage
{
    std::int64_t start = 0;
    /** Its end; for one still going at the end of the history, the last check. */
    std::int64_t end = 0;
    /** Still going at the end of the history: it has no end, and lasts until the last check. */
    bool ongoing = false;
    /** The cause of most of its checks (the journal's detail), ties to the earliest; checks without
     *  one (a text log's) are not counted, and with none it is empty. */
    std::string cause;
    /** How many of its checks had each cause, in the order the causes first came. */
    std::vector<std::pair<std::string, std::int64_t>> causeChecks;
    std::int64_t Duration() const { return end - start; }
    /** Counts checks for a cause and sets cause anew; an empty one is not counted. */
    void AddChecks(const std::string& checkCause, std::int64_t checks);
};

/** Outages less than within apart joined into one, from the start of the first to the end of the
 *  last, its cause that of most of their checks together. */
std::vector<Outage> MergeOutages(std::vector<Outage> outages, std::int64_t within);

/** The outages that last at least seconds. */
std::vector<Outage> LongOutages(std::vector<Outage> outages, std::int64_t seconds);

/** The outages as --merge and --min ask: joined first, then the short left out, so that outages a
 *  moment apart count as the long one they make together. */
inline std::vector<Outage> OutagesAsAsked(std::vector<Outage> outages,
                                          std::optional<std::int64_t> mergeSeconds,
                                          std::optional<std::int64_t> minSeconds)
{
    if (mergeSeconds) {
        outages = MergeOutages(std::move(outages), *mergeSeconds);
    }
    if (minSeconds) {
        outages = LongOutages(std::move(outages), *minSeconds);
    }
    return outages;
}

/** Up, down and unknown time in one local hour, day or month (or the part of it in the report's
 *  range). */
struct PeriodUptime
{
    std::int64_t start = 0;
    std::int64_t end = 0;
    int year = 0;
    int month = 0;
    /** 0 for a month. */
    int day = 0;
    /** -1 for a day or a month. */
    int hour = -1;
    std::int64_t upSeconds = 0;
    std::int64_t downSeconds = 0;
    std::int64_t unknownSeconds = 0;
    /** Outages that start in the period. */
    int outages = 0;
    /** The longest part of an outage inside the period. */
    std::int64_t longestSeconds = 0;
    /** "2026-12-08", "2026-12" or "2026-12-08T14:00+01:00" (see PeriodLabel). */
    std::string Label() const;
    /** Up time as a share of the known time in percent; nullopt when no time is known. */
    std::optional<double> UptimePercent() const;
};

struct ReportOptions
{
    PeriodLength by = PeriodLength::Day;
    /** First and last local day of the report, both included. */
    std::optional<LocalDate> from;
    std::optional<LocalDate> to;
    /** When given, the report also lists the known time (up or down) that ends after this time: what a
     *  timeline draws, where all else is unknown. */
    std::optional<std::int64_t> knownFrom;
};

/** The longest spacing of two checks with the time between them watched, for an expected interval:
 *  a check may take up to 30 s, and a spacing of 40 s is never a gap whatever the interval. */
constexpr std::int64_t LongestWatchedSpacing(int expectedSeconds)
{
    return 2 * static_cast<std::int64_t>(expectedSeconds) + 40;
}

/** A stretch of time from start to end, in seconds since the epoch. */
struct TimeSpan
{
    std::int64_t start = 0;
    std::int64_t end = 0;
};

struct HistoryReport
{
    /** Outages that overlap the report's range, oldest first. */
    std::vector<Outage> outages;
    /** Every period of the range, or from the first check's to the last record's. */
    std::vector<PeriodUptime> periods;
    /** With ReportOptions::knownFrom: the known time, oldest first, adjoining stretches joined. */
    std::vector<TimeSpan> known;
};

/** Turns a history's records into outages and up, down and unknown time:
 *  - between two checks the time has the earlier check's status, unless the program was not watching:
 *    a sleep or stop row, a clock row, or a gap longer than twice the expected interval plus 40 s;
 *  - unknown time runs from the last check (or a later sleep or stop row) to the next check; an
 *    outage that meets it ends where it begins;
 *  - the expected interval is the last start row's; before any, the median spacing of the checks
 *    (a text log has no start rows). */
class OutageAnalyser : public IHistorySink
{
public:
    explicit OutageAnalyser(ReportOptions options);
    ~OutageAnalyser() override;
    OutageAnalyser(const OutageAnalyser&) = delete;
    OutageAnalyser& operator=(const OutageAnalyser&) = delete;

    void Record(const HistoryRecord& record) override;
    /** Ends the history and gives the report. */
    HistoryReport Finish();

    /** Most items held while the expected interval is not yet known: past it the median of the
     *  spacings seen so far is taken, so memory stays bounded on a history of any length. */
    static constexpr std::size_t kMaxHeld = 1 << 19;

private:
    class Timeline;
    struct Held
    {
        std::int64_t first;
        std::int64_t last;
        HistoryEvent event;
        bool connected;
        std::uint32_t cause;
        /** Checks from first to last, both included. */
        std::int64_t checks;
    };

    void Hold(const HistoryRecord& record);
    void Release(int expected);
    int MedianSpacing() const;

    std::unique_ptr<Timeline> m_timeline;
    bool m_expectedKnown = false;
    std::vector<Held> m_held;
    std::vector<std::string> m_causes;
    std::vector<std::uint32_t> m_spacings;
    std::optional<std::int64_t> m_lastHeldCheck;
    std::string m_cause;
};

/** Reads the history of a text log (and its journal) and makes the report; throws HistoryReadError. */
HistoryReport AnalyseHistory(const std::string& logPath, const ReportOptions& options,
                             HistoryReadSummary* summary = nullptr);

} // namespace pellavane
