#include "engine/quality/degraded_periods.h"

#include <algorithm>
#include <limits>

namespace pellavane {
namespace {

constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::min();

} // namespace

std::optional<TimeSpan> DegradedPeriods::RecordOther(const HistoryRecord& record)
{
    const std::int64_t t = record.time;
    switch (record.event) {
    case HistoryEvent::Check: {
        const std::optional<TimeSpan> beforeGap = Check(t);
        // After a gap counting starts again at this check, so an outage ending the period here adds
        // nothing to what the gap gave.
        const std::optional<TimeSpan> ended = !record.connected && m_degraded ? End(t) : std::nullopt;
        return beforeGap ? beforeGap : ended;
    }
    case HistoryEvent::Quality:
        if (!record.degraded) {
            return End(t);
        }
        if (!m_degraded) {
            m_degraded = true;
            m_degradedFrom = m_haveCheck ? std::max(t, m_knownFrom) : t;
        }
        return std::nullopt;
    case HistoryEvent::Start: {
        const std::optional<TimeSpan> ended = End(t);
        if (record.intervalSeconds > 0) {
            m_expected = record.intervalSeconds;
        }
        return ended;
    }
    case HistoryEvent::Stop:
    case HistoryEvent::Sleep:
        if (m_haveCheck && !m_notWatchingFrom) {
            m_notWatchingFrom = t;
        }
        return End(t);
    case HistoryEvent::Clock:
        m_split = true;
        return std::nullopt;
    case HistoryEvent::Resume:
    case HistoryEvent::Echoes:
    case HistoryEvent::Ipv4:
    case HistoryEvent::Ipv6:
        break;
    }
    return std::nullopt;
}

std::optional<TimeSpan> DegradedPeriods::Finish()
{
    return End(m_lastCheck);
}

// A check: known time goes on to it, or ends before it and starts again here.
std::optional<TimeSpan> DegradedPeriods::Check(std::int64_t t)
{
    std::optional<TimeSpan> given;
    if (!m_haveCheck || !Watched(t)) {
        if (m_haveCheck) {
            const std::int64_t knownEnd = KnownEnd(t);
            given = Counted(knownEnd);
            m_covered = std::max(m_covered, knownEnd);
        }
        m_knownFrom = std::max(t, m_covered);
        m_degradedFrom = std::max(m_degradedFrom, m_knownFrom);
    }
    m_haveCheck = true;
    m_lastCheck = t;
    m_covered = std::max(m_covered, t);
    m_split = false;
    m_notWatchingFrom.reset();
    return given;
}

// Where known time ends before a gap that lasts until next: at the last check, or at a sleep or stop
// row after it.
std::int64_t DegradedPeriods::KnownEnd(std::int64_t next) const
{
    if (m_split || !m_notWatchingFrom) {
        return m_lastCheck;
    }
    return std::clamp(*m_notWatchingFrom, m_lastCheck, std::max(m_lastCheck, next));
}

// The latest known time at or before t.
std::int64_t DegradedPeriods::KnownUpTo(std::int64_t t) const
{
    if (!m_haveCheck) {
        return kNever;
    }
    if (t <= m_lastCheck || Watched(t)) {
        return t;
    }
    return KnownEnd(t);
}

std::optional<TimeSpan> DegradedPeriods::Counted(std::int64_t to)
{
    if (!m_degraded || to <= m_degradedFrom) {
        return std::nullopt;
    }
    const TimeSpan span{m_degradedFrom, to};
    m_degradedFrom = to;
    return span;
}

std::optional<TimeSpan> DegradedPeriods::End(std::int64_t at)
{
    const std::optional<TimeSpan> span = Counted(KnownUpTo(at));
    m_degraded = false;
    return span;
}

} // namespace pellavane
