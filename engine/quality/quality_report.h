#pragma once

#include "engine/history/history.h"
#include "engine/history/local_period.h"
#include "engine/history/outages.h"
#include "engine/quality/check_echoes.h"
#include "engine/quality/degraded_periods.h"

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

/** Sums the quality of a history's connected checks per period: their echoes as CheckEchoesReader
 *  reads them back, and the degraded time as DegradedPeriods does. */
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
    struct CountEchoesOf
    {
        QualityAnalyser* analyser;
        void operator()(std::int64_t t, int sent, const std::vector<std::uint32_t>& rttsUs) const
        {
            analyser->CountEchoes(t, sent, rttsUs);
        }
    };

    void CountEchoes(std::int64_t t, int sent, const std::vector<std::uint32_t>& rttsUs);
    PeriodQuality* PeriodFor(std::int64_t t);
    RoundTripCounts* CountsFor(std::int64_t t);
    void CloseCounts(std::int64_t before);
    void AddDegraded(const std::optional<TimeSpan>& span);

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

    CheckEchoesReader<CountEchoesOf> m_echoes;
    DegradedPeriods m_degraded;
    bool m_haveCheck = false;
    std::int64_t m_firstCheck = 0;
    std::int64_t m_lastRecord = 0;
};

/** Reads the history of a text log (and its journal) and sums its quality; throws HistoryReadError. */
std::vector<PeriodQuality> AnalyseQuality(const std::string& logPath, const ReportOptions& options,
                                          HistoryReadSummary* summary = nullptr);

} // namespace pellavane
