#include "engine/report/report_timeline.h"

#include "engine/report/tests/report_test_history.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pellavane {
namespace {

using testing::LocalTime;
using testing::ReportHistory;

/** The timeline's rows, each as its label and its drawing. */
std::vector<std::pair<std::string, std::string>> Rows(const std::string& html)
{
    std::vector<std::pair<std::string, std::string>> rows;
    for (std::size_t at = html.find("<tr><th>", html.find("<tbody>")); at != std::string::npos;
         at = html.find("<tr><th>", at + 1)) {
        const std::size_t labelEnd = html.find("</th>", at);
        rows.emplace_back(html.substr(at + 8, labelEnd - at - 8),
                          html.substr(labelEnd, html.find("</tr>", at) - labelEnd));
    }
    return rows;
}

ReportData Gathered(const ReportHistory& history, const ReportRequest& request = {})
{
    const testing::TempFolder folder;
    history.Write(folder.File("log.txt"));
    return GatherReport(folder.File("log.txt"), request);
}

TEST(ReportTimelineTest, ADayARowWithTheOutageOnItsDayAndTheTimeNotWatchedGrey)
{
    if (testing::kNoZoneRules) {
        GTEST_SKIP() << "the C runtime knows no time zone rules but the US ones";
    }
    const testing::ScopedTimeZone zone(testing::kHelsinki);
    const std::int64_t start = LocalTime(2026, 12, 7, 12, 0, 0);
    ReportHistory history(start);
    // Up to noon the next day, then down for an hour from 06:00 on the 9th (18 h in), up to noon.
    history.Up(start + 42 * 3600).Down(start + 43 * 3600).Up(start + 48 * 3600);
    const std::string html = TimelineHtml(Gathered(history));
    const auto rows = Rows(html);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].first, "2026-12-07");
    EXPECT_EQ(rows[2].first, "2026-12-09");
    // The morning of the first day and the afternoon of the last (from its last check) were not watched.
    EXPECT_NE(rows[0].second.find("<g class=\"unk\"><rect x=\"0\" width=\"5000\""), std::string::npos);
    EXPECT_EQ(rows[1].second.find("class=\"unk\""), std::string::npos);
    EXPECT_NE(rows[2].second.find("<g class=\"unk\"><rect x=\"4999\" width=\"5000\""), std::string::npos);
    // 06:00 to 07:00 of the third day, and nowhere else.
    EXPECT_NE(rows[2].second.find("<g class=\"down\"><rect x=\"2500\" width=\"416\""), std::string::npos);
    EXPECT_EQ(rows[0].second.find("class=\"down\""), std::string::npos);
    EXPECT_EQ(rows[1].second.find("class=\"down\""), std::string::npos);
}

TEST(ReportTimelineTest, ALongRangeHasAWeekARowAndAShortOutageStaysVisible)
{
    if (testing::kNoZoneRules) {
        GTEST_SKIP() << "the C runtime knows no time zone rules but the US ones";
    }
    const testing::ScopedTimeZone zone(testing::kHelsinki);
    const std::int64_t start = LocalTime(2026, 9, 1, 0, 0, 0);
    // Checks every ten minutes, to keep the history small; one 10-minute outage on the 8th day.
    ReportHistory history(start, 600);
    history.Up(start + 7 * 86400).Down(start + 7 * 86400 + 600).Up(start + 70 * 86400);
    const std::string html = TimelineHtml(Gathered(history));
    EXPECT_NE(html.find("<th>Week from</th>"), std::string::npos);
    const auto rows = Rows(html);
    ASSERT_EQ(rows.size(), 10u); // 70 days
    EXPECT_EQ(rows[1].first, "2026-09-08");
    EXPECT_NE(rows[1].second.find("<g class=\"down\"><rect x=\"0\" width=\"9\""), std::string::npos);
    // The clocks go back on 2026-10-25, inside the eighth week: it is an hour longer, and rows meet.
    EXPECT_EQ(rows[8].first, "2026-10-27");
}

TEST(ReportTimelineTest, ADayAskedForWithoutChecksIsAllGrey)
{
    if (testing::kNoZoneRules) {
        GTEST_SKIP() << "the C runtime knows no time zone rules but the US ones";
    }
    const testing::ScopedTimeZone zone(testing::kHelsinki);
    const std::int64_t start = LocalTime(2026, 12, 8, 12, 0, 0);
    ReportHistory history(start);
    history.Up(start + 60);
    const auto rows = Rows(TimelineHtml(Gathered(
        history, testing::Asked(std::nullopt, std::nullopt, LocalDate{2027, 1, 1}, LocalDate{2027, 1, 1}))));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].first, "2027-01-01");
    EXPECT_NE(rows[0].second.find("<g class=\"unk\"><rect x=\"0\" width=\"10000\""), std::string::npos);
}

} // namespace
} // namespace pellavane
