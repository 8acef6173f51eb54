#pragma once

#include "engine/history/history.h"
#include "engine/history/local_period.h"
#include "engine/history/outages.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pellavane {

class RoundTripCounts;

/** The quality of the connection while it was up in one local hour, day or month (or the part of
 *  it in the report's range): the first target's echoes in the connected checks of the period. */
struct PeriodQuality
{
    /** Its start and end are those of the part in the report's range. */
    LocalPeriod period;
    std::int64_t echoes = 0;
    std::int64_t lost = 0;
    /** Nearest rank over every answered echo's round trip in the period, in microseconds. */
    std::optional<std::uint32_t> rttMedianUs;
    std::optional<std::uint32_t> rttP95Us;
    /** |r(i) - r(i-1)| summed over consecutive answered echoes of the period, in microseconds, and
     *  how many such pairs there were. */
    std::uint64_t jitterSumUs = 0;
    std::int64_t jitterPairs = 0;
    /** Seconds of the period in the degraded state. */
    std::int64_t degradedSeconds = 0;

    std::string Label() const { return PeriodLabel(period); }
};

/** Sums the quality of a history's connected checks per period:
 *  - a connected check followed by its echoes row counts that row's echoes; one without (a journal
 *    from before echoes were counted, or an echoes row that cannot be read) counts one echo: answered
 *    when it has a round trip and no detail, lost when its detail is "first target silent", else
 *    none; a disconnected check counts none;
 *  - the degraded state runs from a quality row saying so to one saying normal, a disconnected
 *    check, a stop or a sleep, and never past known time: a gap between checks or a clock row
 *    ends it at the last check before, as the uptime report ends known time there. */
class QualityAnalyser : public IHistorySink
{
public:
    /** The periods' length and the range of options; knownFrom is not used. */
    explicit QualityAnalyser(const ReportOptions& options);
    ~QualityAnalyser() override;
    QualityAnalyser(const QualityAnalyser&) = delete;
    QualityAnalyser& operator=(const QualityAnalyser&) = delete;

    void Record(const HistoryRecord& record) override;
    /** Ends the history and gives every period of the range, or from the first check's to the last
     *  record's, oldest first. */
    std::vector<PeriodQuality> Finish();

    /** Round trips are counted per value for a period until the history is this far past its end;
     *  a period the history comes back to later (the clock set back) has the round trips it then
     *  gets left out of its percentiles. */
    static constexpr std::int64_t kKeepCounting = 86400;

private:
    struct Pending
    {
        std::int64_t time = 0;
        std::uint32_t rttUs = 0;
        bool oneAnswered = false;
        bool oneLost = false;
    };

    void CountPending();
    void CountEchoes(std::int64_t t, int sent, const std::vector<std::uint32_t>& rttsUs);
    PeriodQuality* PeriodFor(std::int64_t t);
    RoundTripCounts* CountsFor(std::int64_t t);
    void CloseCounts(std::int64_t before);
    void AddDegraded(std::int64_t from, std::int64_t to);
    void EndDegraded(std::int64_t at);
    bool WatchedSince(std::int64_t lastCheck, std::int64_t t) const;

    PeriodLength m_by;
    std::int64_t m_rangeStart;
    std::int64_t m_rangeEnd;
    std::map<std::int64_t, PeriodQuality> m_periods;
    std::map<std::int64_t, std::unique_ptr<RoundTripCounts>> m_counting;
    PeriodQuality* m_current = nullptr;
    RoundTripCounts* m_currentCounts = nullptr;
    std::int64_t m_currentCountsStart = 0;
    /** The last answered echo's round trip and its period's start, for the jitter. */
    std::optional<std::uint32_t> m_previousUs;
    std::int64_t m_previousStart = 0;

    std::optional<Pending> m_pending;
    std::vector<std::uint32_t> m_rttsUs;
    int m_expected = 0;
    bool m_haveCheck = false;
    std::int64_t m_firstCheck = 0;
    std::int64_t m_lastCheck = 0;
    std::int64_t m_lastRecord = 0;
    bool m_degraded = false;
    /** While degraded: the time up to which its seconds are counted. */
    std::int64_t m_degradedFrom = 0;
};

/** Reads the history of a text log (and its journal) and sums its quality; throws HistoryReadError. */
std::vector<PeriodQuality> AnalyseQuality(const std::string& logPath, const ReportOptions& options,
                                          HistoryReadSummary* summary = nullptr);

} // namespace pellavane
