#include "core/local_time.h"

namespace pellavane {

std::int64_t LocalToEpoch(const LocalDateTime& dt, int isDst)
{
    std::tm tm{};
    tm.tm_year = dt.year - 1900;
    tm.tm_mon = dt.month - 1;
    tm.tm_mday = dt.day;
    tm.tm_hour = dt.hour;
    tm.tm_min = dt.minute;
    tm.tm_sec = dt.second;
    tm.tm_isdst = isDst;
    return static_cast<std::int64_t>(std::mktime(&tm));
}

std::int64_t LocalMidnight(int year, int month, int day)
{
    return LocalToEpoch(LocalDateTime{year, month, day, 0, 0, 0});
}

} // namespace pellavane
