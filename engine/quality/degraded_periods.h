#pragma once

#include "engine/history/history.h"
#include "engine/history/outages.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace pellavane {

/** Reads the degraded time back from a history's records, oldest first, by one rule for every reader:
 *  - a period begins at a quality row saying degraded and ends at a quality row saying normal, a
 *    disconnected check, a start, a stop or a sleep row, at its time: the running program ends each
 *    period with a normal row or, when it is closed, with the stop row, and a new run starts with no
 *    evidence of degradation;
 *  - only known time counts, as the uptime report tells it: the time between two checks is unknown
 *    when a clock row, a sleep or a stop row lies between them or they are further apart than the
 *    watched spacing, from the last check (or the sleep or stop row after it) to the next check; the
 *    period goes on after unknown time, as the running program kept its evidence over it, and time
 *    the history already covered (a clock set back) is not counted again;
 *  - at the end of the history known time ends at the last check. */
class DegradedPeriods
{
public:
    /** Takes the next record; gives the degraded time it ends, if any. */
    std::optional<TimeSpan> Record(const HistoryRecord& record)
    {
        // Most rows of a journal are connected checks in watched time and their echoes rows, which end
        // nothing: they cost a reader of millions of rows a comparison or two.
        if (record.event == HistoryEvent::Echoes) {
            return std::nullopt;
        }
        if (record.event == HistoryEvent::Check && record.connected && m_haveCheck && Watched(record.time)) {
            m_lastCheck = record.time;
            m_covered = std::max(m_covered, record.time);
            return std::nullopt;
        }
        return RecordOther(record);
    }
    /** Ends the history: gives the degraded time of a period still going. */
    std::optional<TimeSpan> Finish();

private:
    std::optional<TimeSpan> RecordOther(const HistoryRecord& record);
    std::optional<TimeSpan> Check(std::int64_t t);
    /** The time from the last check to t is known. */
    bool Watched(std::int64_t t) const
    {
        return !m_split && !m_notWatchingFrom && t >= m_lastCheck &&
               t - m_lastCheck <= LongestWatchedSpacing(m_expected);
    }
    std::int64_t KnownEnd(std::int64_t next) const;
    std::int64_t KnownUpTo(std::int64_t t) const;
    /** Gives the degraded time not yet given up to to. */
    std::optional<TimeSpan> Counted(std::int64_t to);
    std::optional<TimeSpan> End(std::int64_t at);

    int m_expected = 0;
    bool m_haveCheck = false;
    std::int64_t m_lastCheck = 0;
    /** Known time runs without a break from here to the last check. */
    std::int64_t m_knownFrom = 0;
    /** The end of the latest known time passed so far. */
    std::int64_t m_covered = 0;
    /** A clock row since the last check. */
    bool m_split = false;
    /** A sleep or stop row since the last check. */
    std::optional<std::int64_t> m_notWatchingFrom;
    bool m_degraded = false;
    /** While degraded: where the time not yet given begins. */
    std::int64_t m_degradedFrom = 0;
};

} // namespace pellavane
