#pragma once

#include <cstdint>

namespace pellavane {

/** Days from 1970-01-01 to a date of the proleptic Gregorian calendar, negative before it. */
constexpr std::int64_t DaysFromCivil(std::int64_t year, int month, int day)
{
    // Counted in eras of 400 years from a year that starts in March, so that the leap day ends it.
    const std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

constexpr bool IsLeapYear(std::int64_t year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

/** The days of a month (1 to 12) of the Gregorian calendar. */
constexpr int DaysInMonth(std::int64_t year, int month)
{
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

} // namespace pellavane
