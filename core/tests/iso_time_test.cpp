#include "core/iso_time.h"

#include "core/civil_date.h"
#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pellavane {
namespace {

using pellavane::testing::ScopedTimeZone;

constexpr std::time_t k20261208T034517Z = 1796701517;
constexpr std::time_t k20260701T100000Z = 1782900000;

struct ZoneCase
{
    const char* zone;
    std::time_t t;
    const char* text;
};

TEST(IsoLocalTime, LocalTimeToTheSecondWithTheZonesOffset)
{
    std::vector<ZoneCase> cases = {
        {"UTC0", k20261208T034517Z, "2026-12-08T03:45:17+00:00"},
        {"CET-1", k20261208T034517Z, "2026-12-08T04:45:17+01:00"},
        {"EST5", k20261208T034517Z, "2026-12-07T22:45:17-05:00"},
    };
#ifndef _WIN32
    // Offsets in half hours and summer time rules are POSIX TZ forms the Windows runtime lacks.
    cases.push_back({"<-0330>3:30", k20261208T034517Z, "2026-12-08T00:15:17-03:30"});
    cases.push_back({"CET-1CEST,M3.5.0,M10.5.0/3", k20260701T100000Z, "2026-07-01T12:00:00+02:00"});
#endif
    for (const auto& c : cases) {
        const ScopedTimeZone zone(c.zone);
        EXPECT_EQ(IsoLocalTime(c.t), c.text) << c.zone;
    }
}

TEST(IsoLocalTime, ReadsBackAsTheSameMomentAndAPersonsFormLeavesOutTheZone)
{
    const ScopedTimeZone zone("EST5");
    std::int64_t back = 0;
    ASSERT_TRUE(ParseIsoTime(IsoLocalTime(k20261208T034517Z), back));
    EXPECT_EQ(back, k20261208T034517Z);
    EXPECT_EQ(IsoLocalTimeWithoutZone(k20261208T034517Z), "2026-12-07 22:45:17");
    EXPECT_EQ(IsoDate(2026, 12, 8), "2026-12-08");
    EXPECT_EQ(IsoDate(2026, 1, 0), "2026-01");
}

struct ParseCase
{
    const char* text;
    bool reads;
    std::int64_t secondsFromDay; // from 2026-12-08T00:00:00Z
};

TEST(ParseIsoTime, OffsetsInEachSpellingAndNothingThatIsNotADay)
{
    const ParseCase cases[] = {
        {"2026-12-08T04:45:17+01:00", true, 3 * 3600 + 45 * 60 + 17},
        {"2026-12-08T04:45:17+0100", true, 3 * 3600 + 45 * 60 + 17},
        {"2026-12-08 03:45:17Z", true, 3 * 3600 + 45 * 60 + 17},
        {"2026-12-07T22:45:17-05:00", true, 3 * 3600 + 45 * 60 + 17},
        {"2026-12-08T00:15:17-03:30", true, 3 * 3600 + 45 * 60 + 17},
        {"2026-12-08T23:59:60Z", true, 86399},
        {"2026-12-08T04:45:17", false, 0},
        {"2026-12-08T04:45:17+01", false, 0},
        {"2026-12-08T04:45:17+01:00 ", false, 0},
        {"2026-12-08/04:45:17+01:00", false, 0},
        {"2026-02-29T00:00:00Z", false, 0},
        {"2026-13-01T00:00:00Z", false, 0},
        {"2026-12-08T24:00:00Z", false, 0},
        {"2026-12-08T04:45:17*01:00", false, 0},
        {"2026-12-08T18:45:17+14:00", true, 4 * 3600 + 45 * 60 + 17},
        {"2026-12-08T04:45:17+14:01", false, 0},
        {"2026-12-08T04:45:17-15:00", false, 0},
        {"2026-12-08T04:45:17+99:00", false, 0},
        {"2026-12-08T04:45:17+01:60", false, 0},
        {"2026-12-o8T04:45:17+01:00", false, 0},
    };
    const std::int64_t day = DaysFromCivil(2026, 12, 8) * 86400;
    for (const ParseCase& c : cases) {
        std::int64_t t = 0;
        ASSERT_EQ(ParseIsoTime(c.text, t), c.reads) << c.text;
        if (c.reads) {
            EXPECT_EQ(t - day, c.secondsFromDay) << c.text;
        }
    }
}

} // namespace
} // namespace pellavane
