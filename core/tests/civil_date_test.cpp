#include "core/civil_date.h"

#include <gtest/gtest.h>

#include <utility>

namespace pellavane {
namespace {

struct CivilCase
{
    int year;
    int month;
    int day;
    std::int64_t days;
};

TEST(DaysFromCivil, EdgeDaysOfTheCalendar)
{
    const CivilCase cases[] = {
        {1970, 1, 1, 0},      {1969, 12, 31, -1},   {2000, 2, 29, 11016},
        {2000, 3, 1, 11017},  {1900, 3, 1, -25508}, {2100, 3, 1, 47541},
        {2026, 12, 8, 20795}, {1, 1, 1, -719162},   {9999, 12, 31, 2932896},
    };
    for (const CivilCase& c : cases) {
        EXPECT_EQ(DaysFromCivil(c.year, c.month, c.day), c.days) << c.year << '-' << c.month << '-' << c.day;
    }
}

TEST(DaysFromCivil, EachMonthEndsTheDayBeforeTheNextBegins)
{
    for (int year = 1896; year <= 2104; ++year) {
        for (int month = 1; month <= 12; ++month) {
            const std::int64_t last = DaysFromCivil(year, month, DaysInMonth(year, month));
            const std::int64_t next =
                month == 12 ? DaysFromCivil(year + 1, 1, 1) : DaysFromCivil(year, month + 1, 1);
            ASSERT_EQ(last + 1, next) << year << '-' << month;
        }
    }
}

TEST(DaysInMonth, FebruaryFollowsTheLeapYearRule)
{
    const std::pair<int, int> februaries[] = {{2023, 28}, {2024, 29}, {1900, 28}, {2000, 29}, {2100, 28}};
    for (const auto& [year, days] : februaries) {
        EXPECT_EQ(DaysInMonth(year, 2), days) << year;
    }
}

} // namespace
} // namespace pellavane
