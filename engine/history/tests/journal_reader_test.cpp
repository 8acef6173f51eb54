#include "engine/history/journal_reader.h"

#include "core/civil_date.h"
#include "engine/history/tests/history_test_helpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace pellavane {
namespace {

using namespace pellavane::testing;

TEST(ReadHistoryTest, ReadsJournalRowsWithTheirOffsets)
{
    TempFolder folder;
    const std::string journal = folder.File("net.journal.csv");
    WriteFile(journal, "time,event,status,rtt_ms,target,detail\r\n"
                       "2026-12-08T04:45:00+01:00,start,,,,interval=5\r\n"
                       "2026-12-08T04:45:05+01:00,check,connected,12.5,127.0.0.1,\r\n"
                       "2026-12-08T03:45:10Z,check,disconnected,,,targets silent\r\n"
                       "2026-12-08T04:45:15+01:00,check,maybe,,,\r\n"
                       "2026-12-07T22:45:20-05:00,sleep,,,,\r\n"
                       "2026-12-08T04:55:00+0100,resume,,,,\r\n"
                       "2026-12-08T04:55:01+01:00,clock,,,,by=+3600\r\n"
                       "2026-12-08T04:55:02+01:00,stop,,,,\r\n"
                       "2026-12-08T04:55:03+01:00,party,,,,\r\n");
    Recorded sink;
    HistoryReadSummary summary;
    ASSERT_TRUE(ReadJournal(journal, sink, summary));
    const std::int64_t base = DaysFromCivil(2026, 12, 8) * 86400 + 3 * 3600 + 45 * 60;
    ASSERT_EQ(sink.records.size(), 7u);
    const std::vector<std::pair<HistoryEvent, std::int64_t>> expected = {
        {HistoryEvent::Start, base},        {HistoryEvent::Check, base + 5},
        {HistoryEvent::Check, base + 10},   {HistoryEvent::Sleep, base + 20},
        {HistoryEvent::Resume, base + 600}, {HistoryEvent::Clock, base + 601},
        {HistoryEvent::Stop, base + 602},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(sink.records[i].event, expected[i].first) << i;
        EXPECT_EQ(sink.records[i].time, expected[i].second) << i;
    }
    EXPECT_EQ(sink.records[0].intervalSeconds, 5);
    EXPECT_DOUBLE_EQ(sink.rtts[1], 12.5);
    EXPECT_TRUE(std::isnan(sink.rtts[2]));
    EXPECT_FALSE(sink.records[2].connected);
    EXPECT_EQ(sink.causes[2], "targets silent");
    EXPECT_EQ(summary.notUnderstood, 2u);

    WriteFile(journal, "when,what\r\n2026-12-08T04:45:05+01:00,check,connected,,,\r\n");
    Recorded foreign;
    EXPECT_FALSE(ReadJournal(journal, foreign, summary));
    EXPECT_TRUE(foreign.records.empty());
    ASSERT_EQ(summary.notes.size(), 1u);
    EXPECT_NE(summary.notes[0].find(journal), std::string::npos);
}

} // namespace
} // namespace pellavane
