#include "core/local_time.h"

#include "core/civil_date.h"
#include "testsupport/test_files.h"

#include <gtest/gtest.h>

namespace pellavane {
namespace {

using pellavane::testing::ScopedTimeZone;

struct DayCase
{
    const char* zone;
    LocalDateTime day;
    std::int64_t hours;
};

TEST(LocalMidnight, DaysTheClocksChangeHaveTheirOwnLengthAndDay32IsTheNextMonth)
{
#ifdef _WIN32
    GTEST_SKIP() << "the C runtime knows no time zone rules but the US ones";
#endif
    const DayCase cases[] = {
        {"UTC0", {2026, 3, 29}, 24},
        {"CET-1CEST,M3.5.0,M10.5.0/3", {2026, 3, 29}, 23},
        {"CET-1CEST,M3.5.0,M10.5.0/3", {2026, 10, 25}, 25},
        {"CET-1CEST,M3.5.0,M10.5.0/3", {2026, 12, 31}, 24},
        {"CET-1CEST,M3.5.0,M10.5.0/3", {2024, 2, 29}, 24},
    };
    for (const DayCase& c : cases) {
        const ScopedTimeZone zone(c.zone);
        const LocalDateTime& d = c.day;
        EXPECT_EQ(LocalMidnight(d.year, d.month, d.day + 1) - LocalMidnight(d.year, d.month, d.day),
                  c.hours * 3600)
            << c.zone << ' ' << d.year << '-' << d.month << '-' << d.day;
    }
    const ScopedTimeZone utc("UTC0");
    EXPECT_EQ(LocalMidnight(2026, 12, 32), DaysFromCivil(2027, 1, 1) * 86400);
}

TEST(LocalToEpoch, TheHourThatComesTwiceReadsAsEitherByTheFlag)
{
#ifdef _WIN32
    GTEST_SKIP() << "the C runtime knows no time zone rules but the US ones";
#endif
    const ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    const LocalDateTime twice{2026, 10, 25, 2, 30, 0};
    const std::int64_t utcReading = DaysFromCivil(2026, 10, 25) * 86400 + 2 * 3600 + 30 * 60;
    EXPECT_EQ(LocalToEpoch(twice, 1), utcReading - 2 * 3600);
    EXPECT_EQ(LocalToEpoch(twice, 0), utcReading - 3600);
    std::tm back{};
    ASSERT_TRUE(ToLocalTm(LocalToEpoch(twice, 0), back));
    EXPECT_EQ(back.tm_hour, 2);
    EXPECT_EQ(back.tm_min, 30);
}

} // namespace
} // namespace pellavane
