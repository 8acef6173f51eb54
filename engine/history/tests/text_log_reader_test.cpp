#include "engine/history/text_log_reader.h"

#include "engine/history/tests/history_test_helpers.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace pellavane {
namespace {

using namespace pellavane::testing;

TEST(ReadHistoryTest, ReadsBothFormsAndDateAloneLinesAndCountsWhatItCannotRead)
{
    const ScopedTimeZone zone("UTC0");
    TempFolder folder;
    const std::string log = folder.File("net.txt");
    LogDateForm::Names names;
    std::vector<LogDateForm> forms{LogDateForm::FromStrftime("%d.%m.%Y", "%H:%M:%S", names),
                                   LogDateForm::UnitedStates()};
    WriteFile(log, "08.12.2026 04:45:17 Internet Connection Status: Connected\r\n"
                   "\r\n"
                   "12/08/2026 04:45:22 Internet Connection Status: Disconnected\r\n"
                   "garbage\r\n"
                   "31.02.2026 04:45:27 Internet Connection Status: Connected\r\n"
                   "09.12.2026 Internet Connection Status: Connected\r\n"
                   "12/09/2026 00:00:05 Internet Connection Status: Connected");
    Recorded sink;
    HistoryReadSummary summary;
    ReadTextLog(log, forms, std::numeric_limits<std::int64_t>::max(), sink, summary);
    ASSERT_EQ(sink.records.size(), 4u);
    EXPECT_EQ(sink.records[0].time, Local(2026, 12, 8, 4, 45, 17));
    EXPECT_TRUE(sink.records[0].connected);
    EXPECT_EQ(sink.records[1].time, Local(2026, 12, 8, 4, 45, 22));
    EXPECT_FALSE(sink.records[1].connected);
    EXPECT_EQ(sink.records[2].time, Local(2026, 12, 9));
    EXPECT_EQ(sink.records[3].time, Local(2026, 12, 9, 0, 0, 5));
    EXPECT_EQ(summary.notUnderstood, 2u);

    Recorded early;
    ReadTextLog(log, forms, Local(2026, 12, 9), early, summary);
    EXPECT_EQ(early.records.size(), 2u);

    EXPECT_THROW(ReadTextLog(folder.File("missing.txt"), forms, 0, sink, summary), HistoryReadError);
}

} // namespace
} // namespace pellavane
