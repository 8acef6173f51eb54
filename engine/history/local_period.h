#pragma once

#include <cstdint>
#include <string>

namespace pellavane {

enum class PeriodLength
{
    Hour,
    Day,
    Month,
};

/** One local hour, day or month, as the reports sum their time in. */
struct LocalPeriod
{
    /** Its first second, and the first second after it, since the epoch. */
    std::int64_t start = 0;
    std::int64_t end = 0;
    int year = 0;
    int month = 0;
    /** 0 for a month. */
    int day = 0;
    /** -1 for a day or a month. */
    int hour = -1;
};

/** The local hour, day or month that holds t. A day is 23 or 25 hours long on the days the clocks
 *  change; the hour the clocks go back comes twice, as two periods. */
LocalPeriod LocalPeriodAt(std::int64_t t, PeriodLength length);

/** "2026-12", "2026-12-08", or an hour as its start with its offset, "2026-10-25T02:00+02:00", so the
 *  two hours of the same reading on the night the clocks go back have labels of their own. */
std::string PeriodLabel(const LocalPeriod& period);

} // namespace pellavane
