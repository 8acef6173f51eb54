#include "engine/report/report_data.h"

#include "engine/report/tests/report_test_history.h"

#include <gtest/gtest.h>

#include <string>

namespace pellavane {
namespace {

using testing::LocalTime;
using testing::ReportHistory;

TEST(GatherReportTest, FamiliesDegradedTimeAndIntervalComeFromTheOneReading)
{
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

} // namespace
} // namespace pellavane
