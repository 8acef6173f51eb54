#include "engine/quality/quality_report.h"

#include "engine/history/journal_format.h"
#include "engine/history/log_date_form.h"
#include "engine/quality/round_trip_counts.h"

#include <algorithm>
#include <limits>
#include <string_view>

namespace pellavane {
namespace {

constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kForever = std::numeric_limits<std::int64_t>::max();
constexpr std::string_view kFirstTargetSilent = "first target silent";

} // namespace

QualityAnalyser::QualityAnalyser(const ReportOptions& options)
    : m_by(options.by), m_rangeStart(kNever), m_rangeEnd(kForever)
{
    if (options.from) {
        m_rangeStart = LocalMidnight(options.from->year, options.from->month, options.from->day);
    }
    if (options.to) {
        m_rangeEnd = LocalMidnight(options.to->year, options.to->month, options.to->day + 1);
    }
}

QualityAnalyser::~QualityAnalyser() = default;

void QualityAnalyser::Record(const HistoryRecord& record)
{
    const std::int64_t t = record.time;
    if (m_pending && (record.event != HistoryEvent::Echoes || t != m_pending->time)) {
        CountPending();
    }
    switch (record.event) {
    case HistoryEvent::Check: {
        const bool watched = !m_haveCheck || WatchedSince(m_lastCheck, t);
        if (m_degraded && !watched) {
            EndDegraded(m_lastCheck);
        }
        if (m_degraded && !record.connected) {
            EndDegraded(t);
        } else if (m_degraded) {
            AddDegraded(m_degradedFrom, t);
        }
        if (record.connected) {
            Pending pending;
            pending.time = t;
            pending.oneAnswered =
                record.cause.empty() && ReadRoundTripMicroseconds(record.rtt, pending.rttUs);
            pending.oneLost = record.cause == kFirstTargetSilent;
            m_pending = pending;
        }
        if (!m_haveCheck) {
            m_firstCheck = t;
        }
        m_haveCheck = true;
        m_lastCheck = t;
        break;
    }
    case HistoryEvent::Echoes: {
        if (!m_pending) {
            break; // an echoes row of no connected check, or a second one: nothing to count twice
        }
        int sent = 0;
        if (ParseEchoesDetail(record.cause, sent, m_rttsUs)) {
            CountEchoes(t, sent, m_rttsUs);
            m_pending.reset();
        } else {
            CountPending();
        }
        break;
    }
    case HistoryEvent::Quality:
        if (record.degraded && !m_degraded) {
            m_degraded = true;
            m_degradedFrom = t;
        } else if (!record.degraded && m_degraded) {
            EndDegraded(m_haveCheck && !WatchedSince(m_lastCheck, t) ? m_lastCheck : t);
        }
        break;
    case HistoryEvent::Start:
        if (record.intervalSeconds > 0) {
            m_expected = record.intervalSeconds;
        }
        break;
    case HistoryEvent::Stop:
    case HistoryEvent::Sleep:
        if (m_degraded) {
            EndDegraded(t);
        }
        break;
    case HistoryEvent::Clock:
        if (m_degraded) {
            EndDegraded(m_lastCheck);
        }
        break;
    case HistoryEvent::Resume:
    case HistoryEvent::Ipv4:
    case HistoryEvent::Ipv6:
        break;
    }
    m_lastRecord = std::max(m_lastRecord, t);
}

bool QualityAnalyser::WatchedSince(std::int64_t lastCheck, std::int64_t t) const
{
    return t >= lastCheck && t - lastCheck <= LongestWatchedSpacing(m_expected);
}

void QualityAnalyser::CountPending()
{
    const Pending pending = *m_pending;
    m_pending.reset();
    if (pending.oneAnswered) {
        m_rttsUs.assign(1, pending.rttUs);
        CountEchoes(pending.time, 1, m_rttsUs);
    } else if (pending.oneLost) {
        m_rttsUs.clear();
        CountEchoes(pending.time, 1, m_rttsUs);
    }
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

void QualityAnalyser::AddDegraded(std::int64_t from, std::int64_t to)
{
    from = std::max(from, m_rangeStart);
    to = std::min(to, m_rangeEnd);
    while (from < to) {
        PeriodQuality* period = PeriodFor(from);
        const std::int64_t partEnd = std::min(to, period->period.end);
        period->degradedSeconds += partEnd - from;
        from = partEnd;
    }
    m_degradedFrom = std::max(m_degradedFrom, to);
}

void QualityAnalyser::EndDegraded(std::int64_t at)
{
    AddDegraded(m_degradedFrom, at);
    m_degraded = false;
}

std::vector<PeriodQuality> QualityAnalyser::Finish()
{
    if (m_pending) {
        CountPending();
    }
    if (m_degraded) {
        EndDegraded(m_lastCheck);
    }
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
