#pragma once

#include "core/local_time.h"

#include <cstdint>
#include <limits>

namespace pellavane {

/** Local times read in a log's order to seconds since the epoch. mktime costs about a microsecond, so
 *  it runs once a day: on a day of 24 hours without a change of offset a time is its midnight plus the
 *  time of day. */
class LocalTimes
{
public:
    std::int64_t ToEpoch(const LocalDateTime& dt);

    /** After ToEpoch: whether that day is a plain 24 hours, and its midnight. */
    bool RegularDay(std::int64_t& midnight) const
    {
        midnight = m_midnight;
        return m_regular;
    }

private:
    void NewDay(const LocalDateTime& dt);
    std::int64_t OnChangeDay(const LocalDateTime& dt) const;

    bool m_haveDay = false;
    int m_year = 0;
    int m_month = 0;
    int m_day = 0;
    std::int64_t m_midnight = 0;
    bool m_regular = false;
    std::int64_t m_last = std::numeric_limits<std::int64_t>::min();
};

} // namespace pellavane
