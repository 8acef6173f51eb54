#include "engine/quality/quality_report.h"

#include "engine/history/log_date_form.h"
#include "engine/quality/round_trip_counts.h"

#include <algorithm>
#include <limits>

namespace pellavane {
namespace {

constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kForever = std::numeric_limits<std::int64_t>::max();

std::int64_t RangeStart(const ReportOptions& options)
{
    return options.from ? LocalMidnight(options.from->year, options.from->month, options.from->day) : kNever;
}

std::int64_t RangeEnd(const ReportOptions& options)
{
    return options.to ? LocalMidnight(options.to->year, options.to->month, options.to->day + 1) : kForever;
}

} // namespace

QualityAnalyser::QualityAnalyser(const ReportOptions& options)
    : m_by(options.by), m_rangeStart(RangeStart(options)), m_rangeEnd(RangeEnd(options)),
      // The echoes of a check outside the range are never read.
      m_echoes(CountEchoesOf{this}, m_rangeStart, m_rangeEnd == kForever ? kForever : m_rangeEnd - 1)
{}

QualityAnalyser::~QualityAnalyser() = default;

void QualityAnalyser::Record(const HistoryRecord& record)
{
    m_echoes.Record(record);
    AddDegraded(m_degraded.Record(record));
    if (record.event == HistoryEvent::Check) {
        if (!m_haveCheck) {
            m_firstCheck = record.time;
        }
        m_haveCheck = true;
    }
    m_lastRecord = std::max(m_lastRecord, record.time);
}

void QualityAnalyser::CountEchoes(std::int64_t t, int sent, const std::vector<std::uint32_t>& rttsUs)
{
    PeriodQuality* period = PeriodFor(t);
    if (period == nullptr) {
        return;
    }
    period->echoes += sent;
    period->lost += sent - static_cast<std::int64_t>(rttsUs.size());
    if (rttsUs.empty()) {
        return;
    }
    RoundTripCounts* counts = CountsFor(t);
    if (!m_previousUs || m_previousStart != period->period.start) {
        m_previousUs.reset();
        m_previousStart = period->period.start;
    }
    for (const std::uint32_t us : rttsUs) {
        if (counts != nullptr) {
            counts->Add(us);
        }
        if (m_previousUs) {
            period->jitterSumUs += us > *m_previousUs ? us - *m_previousUs : *m_previousUs - us;
            ++period->jitterPairs;
        }
        m_previousUs = us;
    }
}

// The period that holds t, made when first met; null outside the report's range.
PeriodQuality* QualityAnalyser::PeriodFor(std::int64_t t)
{
    if (m_current != nullptr && t >= m_current->period.start && t < m_current->period.end) {
        return m_current;
    }
    if (t < m_rangeStart || t >= m_rangeEnd) {
        return nullptr;
    }
    LocalPeriod local = LocalPeriodAt(t, m_by);
    local.start = std::max(local.start, m_rangeStart);
    local.end = std::min(local.end, m_rangeEnd);
    auto found = m_periods.find(local.start);
    if (found == m_periods.end()) {
        PeriodQuality period;
        period.period = local;
        found = m_periods.emplace(local.start, period).first;
    }
    m_current = &found->second;
    return m_current;
}

// The round-trip counts of the period that holds t (which PeriodFor has just made current).
RoundTripCounts* QualityAnalyser::CountsFor(std::int64_t t)
{
    const std::int64_t start = m_current->period.start;
    if (m_currentCounts != nullptr && m_currentCountsStart == start) {
        return m_currentCounts;
    }
    CloseCounts(t - kKeepCounting);
    auto found = m_counting.find(start);
    if (found == m_counting.end()) {
        if (m_current->rttMedianUs) {
            return nullptr; // closed already
        }
        found = m_counting.emplace(start, std::make_unique<RoundTripCounts>()).first;
    }
    m_currentCounts = found->second.get();
    m_currentCountsStart = start;
    return m_currentCounts;
}

// Gives the periods that ended before a time their percentiles and lets go of their counts.
void QualityAnalyser::CloseCounts(std::int64_t before)
{
    for (auto it = m_counting.begin(); it != m_counting.end();) {
        PeriodQuality& period = m_periods.at(it->first);
        if (period.period.end > before) {
            ++it;
            continue;
        }
        period.rttMedianUs = it->second->Percentile(50);
        period.rttP95Us = it->second->Percentile(95);
        if (m_currentCounts == it->second.get()) {
            m_currentCounts = nullptr;
        }
        it = m_counting.erase(it);
    }
}

void QualityAnalyser::AddDegraded(const std::optional<TimeSpan>& span)
{
    if (!span) {
        return;
    }
    std::int64_t from = std::max(span->start, m_rangeStart);
    const std::int64_t to = std::min(span->end, m_rangeEnd);
    while (from < to) {
        PeriodQuality* period = PeriodFor(from);
        const std::int64_t partEnd = std::min(to, period->period.end);
        period->degradedSeconds += partEnd - from;
        from = partEnd;
    }
}

std::vector<PeriodQuality> QualityAnalyser::Finish()
{
    m_echoes.Finish();
    AddDegraded(m_degraded.Finish());
    CloseCounts(kForever);
    std::vector<PeriodQuality> periods;
    std::int64_t first = m_rangeStart;
    std::int64_t last = m_rangeEnd;
    if (first == kNever || last == kForever) {
        if (!m_haveCheck) {
            return periods;
        }
        if (first == kNever) {
            first = LocalPeriodAt(m_firstCheck, m_by).start;
        }
        if (last == kForever) {
            last = LocalPeriodAt(std::max(m_lastRecord, first), m_by).end;
        }
    }
    for (std::int64_t at = first; at < last;) {
        const PeriodQuality* period = PeriodFor(at);
        if (period == nullptr || period->period.end <= at) {
            break;
        }
        periods.push_back(*period);
        at = period->period.end;
    }
    return periods;
}

std::vector<PeriodQuality> AnalyseQuality(const std::string& logPath, const ReportOptions& options,
                                          HistoryReadSummary* summary)
{
    QualityAnalyser analyser(options);
    HistoryReadSummary read = ReadHistory(logPath, TextLogForms(), analyser);
    if (summary != nullptr) {
        *summary = std::move(read);
    }
    return analyser.Finish();
}

} // namespace pellavane
