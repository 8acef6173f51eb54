#include "engine/report/report_data.h"

#include "engine/history/history_report.h"
#include "engine/report/tests/report_test_history.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace pellavane {
namespace {

using testing::Asked;
using testing::LocalTime;
using testing::ReportHistory;

struct Expected
{
    std::string start;
    std::string end;
    std::string durationSeconds;
};

struct Case
{
    const char* name;
    std::function<ReportHistory()> history;
    ReportRequest request;
    std::vector<Expected> outages;
};

// 2026-10-25 01:00 UTC: Helsinki's clocks go back from 04:00 summer time to 03:00.
constexpr std::int64_t kClocksBack = 1'792'890'000;

std::vector<Case> Cases()
{
    const auto at = [](int day, int hour, int minute, int second = 0) {
        return static_cast<std::int64_t>(LocalTime(2026, 12, day, hour, minute, second));
    };
    // Three outages: 60 s, 30 s later 60 s more, then a lone one of 30 s.
    const auto threeShort = [at] {
        ReportHistory h(at(8, 10, 0));
        h.Up(at(8, 10, 10)).Down(at(8, 10, 11)).Up(at(8, 10, 11, 30)).Down(at(8, 10, 12, 30));
        h.Up(at(8, 10, 20)).Down(at(8, 10, 20, 30)).Up(at(8, 10, 30));
        return h;
    };
    return {
        {"across midnight",
         [at] {
             ReportHistory h(at(8, 23, 50));
             h.Up(at(8, 23, 58)).Down(at(9, 0, 3)).Up(at(9, 0, 10));
             return h;
         },
         {},
         {{"2026-12-08T23:58:00+02:00", "2026-12-09T00:03:00+02:00", "300"}}},
        {"clocks going back",
         [] {
             ReportHistory h(kClocksBack - 1200);
             h.Up(kClocksBack - 600).Down(kClocksBack + 600).Up(kClocksBack + 1200);
             return h;
         },
         {},
         {{"2026-10-25T03:50:00+03:00", "2026-10-25T03:10:00+02:00", "1200"}}},
        {"asleep after an outage",
         [at] {
             ReportHistory h(at(8, 10, 0));
             h.Up(at(8, 10, 10)).Down(at(8, 10, 12)).Sleep(at(8, 11, 0)).Up(at(8, 11, 10));
             return h;
         },
         {},
         {{"2026-12-08T10:10:00+02:00", "2026-12-08T10:12:00+02:00", "120"}}},
        {"still going",
         [at] { return std::move(ReportHistory(at(8, 10, 0)).Up(at(8, 10, 5)).Down(at(8, 10, 7))); },
         {},
         {{"2026-12-08T10:05:00+02:00", "", "115"}}},
        {"merged",
         threeShort,
         Asked(60, std::nullopt),
         {{"2026-12-08T10:10:00+02:00", "2026-12-08T10:12:30+02:00", "150"},
          {"2026-12-08T10:20:00+02:00", "2026-12-08T10:20:30+02:00", "30"}}},
        {"short ones left out",
         threeShort,
         Asked(std::nullopt, 60),
         {{"2026-12-08T10:10:00+02:00", "2026-12-08T10:11:00+02:00", "60"},
          {"2026-12-08T10:11:30+02:00", "2026-12-08T10:12:30+02:00", "60"}}},
        {"merged, then short ones left out",
         threeShort,
         Asked(60, 60),
         {{"2026-12-08T10:10:00+02:00", "2026-12-08T10:12:30+02:00", "150"}}},
        {"a range of one day",
         threeShort,
         Asked(std::nullopt, std::nullopt, LocalDate{2026, 12, 9}, LocalDate{2026, 12, 9}),
         {}},
    };
}

TEST(GatherReportTest, OutagesAreThoseTheOutageReportGivesForTheSameOptions)
{
    if (testing::kNoZoneRules) {
        GTEST_SKIP() << "the C runtime knows no time zone rules but the US ones";
    }
    const testing::ScopedTimeZone zone(testing::kHelsinki);
    for (const Case& c : Cases()) {
        const testing::TempFolder folder;
        const std::string log = folder.File("log.txt");
        c.history().Write(log);
        const ReportData data = GatherReport(log, c.request);

        ReportOptions options;
        options.from = c.request.from;
        options.to = c.request.to;
        const std::vector<Outage> asked = OutagesAsAsked(AnalyseHistory(log, options).outages,
                                                         c.request.mergeSeconds, c.request.minSeconds);
        EXPECT_EQ(OutagesText(data.outages, ReportFormat::Csv), OutagesText(asked, ReportFormat::Csv))
            << c.name;
        ASSERT_EQ(data.outages.size(), c.outages.size()) << c.name;
        for (std::size_t i = 0; i < c.outages.size(); ++i) {
            const OutageValues values = OutageCsvValues(data.outages[i]);
            EXPECT_EQ(values.start, c.outages[i].start) << c.name;
            EXPECT_EQ(values.end, c.outages[i].end) << c.name;
            EXPECT_EQ(values.durationSeconds, c.outages[i].durationSeconds) << c.name;
            EXPECT_EQ(values.cause, "provider") << c.name;
        }
    }
}

TEST(GatherReportTest, FamiliesDegradedTimeAndIntervalComeFromTheOneReading)
{
    if (testing::kNoZoneRules) {
        GTEST_SKIP() << "the C runtime knows no time zone rules but the US ones";
    }
    const testing::ScopedTimeZone zone(testing::kHelsinki);
    const testing::TempFolder folder;
    const std::string log = folder.File("log.txt");
    const std::int64_t start = LocalTime(2026, 12, 8, 10, 0, 0);
    ReportHistory history(start);
    history.Up(start + 5).Family(AddressFamily::V6, true).Up(start + 600).Degraded(true).Up(start + 900);
    history.Degraded(false).Family(AddressFamily::V6, false).Up(start + 1200);
    history.Write(log);

    const ReportData data = GatherReport(log, {});
    EXPECT_EQ(data.intervalSeconds, 5);
    EXPECT_EQ(data.checks, 240);
    ASSERT_EQ(data.degraded.size(), 1u);
    EXPECT_EQ(data.degraded[0].start, start + 600);
    EXPECT_EQ(data.degraded[0].end, start + 900);
    // Only the family the history has rows of, down from its row on while the checks stay up.
    ASSERT_EQ(data.families.size(), 1u);
    EXPECT_EQ(data.families[0].family, AddressFamily::V6);
    ASSERT_EQ(data.families[0].outages.size(), 1u);
    // From the check the family row follows.
    EXPECT_EQ(data.families[0].outages[0].start, start + 895);
    EXPECT_TRUE(data.outages.empty());
    ASSERT_EQ(data.quality.size(), 1u);
    EXPECT_EQ(data.quality[0].degradedSeconds, 300);
}

TEST(GatherReportTest, AMissingHistoryIsAReadErrorNamingTheFile)
{
    const testing::TempFolder folder;
    const std::string log = folder.File("none.txt");
    try {
        GatherReport(log, {});
        FAIL() << "no error";
    } catch (const HistoryReadError& e) {
        EXPECT_NE(std::string(e.what()).find(log), std::string::npos) << e.what();
    }
}

} // namespace
} // namespace pellavane
