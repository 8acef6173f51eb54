#include "engine/history/local_period.h"

#include "core/iso_time.h"
#include "core/local_time.h"

#include <ctime>

namespace pellavane {

LocalPeriod LocalPeriodAt(std::int64_t t, PeriodLength length)
{
    std::tm tm{};
    ToLocalTm(t, tm);
    LocalPeriod period;
    period.year = tm.tm_year + 1900;
    period.month = tm.tm_mon + 1;
    switch (length) {
    case PeriodLength::Hour: {
        // From the reading itself, not from mktime: the hour the clocks go back reads alike twice.
        period.day = tm.tm_mday;
        period.hour = tm.tm_hour;
        period.start = t - (tm.tm_min * 60 + tm.tm_sec);
        period.end = period.start + 3600;
        // Where the clocks move by half an hour, the hour ends at the next reading of a full hour.
        std::tm next{};
        if (ToLocalTm(period.end, next) && (next.tm_min != 0 || next.tm_sec != 0)) {
            const std::int64_t earlier = period.end - (next.tm_min * 60 + next.tm_sec);
            period.end = earlier > t ? earlier : period.end;
        }
        break;
    }
    case PeriodLength::Day:
        period.day = tm.tm_mday;
        period.start = LocalMidnight(period.year, period.month, period.day);
        period.end = LocalMidnight(period.year, period.month, period.day + 1);
        break;
    case PeriodLength::Month:
        period.start = LocalMidnight(period.year, period.month, 1);
        period.end = LocalMidnight(period.year, period.month + 1, 1);
        break;
    }
    return period;
}

std::string PeriodLabel(const LocalPeriod& period)
{
    if (period.hour < 0) {
        return IsoDate(period.year, period.month, period.day);
    }
    // "2026-10-25T02:00:00+02:00" without its seconds.
    std::string label = IsoLocalTime(period.start);
    return label.size() > 19 ? label.erase(16, 3) : label;
}

} // namespace pellavane
