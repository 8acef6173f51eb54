#include "engine/history/history.h"

#include "engine/history/tests/history_test_helpers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace pellavane {
namespace {

using namespace pellavane::testing;

TEST(ReadHistoryTest, TakesTheTextLogOnlyForTheTimeBeforeTheJournal)
{
    const ScopedTimeZone zone("UTC0");
    TempFolder folder;
    const std::string log = folder.File("Pellavane.txt");
    const std::int64_t t = Local(2026, 12, 8, 10, 0, 0);
    WriteFile(log,
              TextLine(t, true) + TextLine(t + 5, false) + TextLine(t + 10, true) + TextLine(t + 15, true));
    WriteFile(folder.File("Pellavane.journal.csv"), "time,event,status,rtt_ms,target,detail\r\n"
                                                    "2026-12-08T10:00:10+00:00,start,,,,interval=5\r\n"
                                                    "2026-12-08T10:00:10+00:00,check,connected,1,a,\r\n"
                                                    "2026-12-08T10:00:15+00:00,check,connected,1,a,\r\n");
    Recorded sink;
    const HistoryReadSummary summary = ReadHistory(log, {LogDateForm::UnitedStates()}, sink);
    ASSERT_EQ(sink.records.size(), 5u);
    EXPECT_EQ(summary.textLines, 2u);
    EXPECT_EQ(summary.journalRows, 3u);
    EXPECT_EQ(sink.records[2].event, HistoryEvent::Start);

    // Without a text log the journal alone is the history; with neither, nothing can be read.
    std::remove(log.c_str());
    Recorded journalOnly;
    ReadHistory(log, {LogDateForm::UnitedStates()}, journalOnly);
    EXPECT_EQ(journalOnly.records.size(), 3u);
    std::remove(folder.File("Pellavane.journal.csv").c_str());
    try {
        ReadHistory(log, {LogDateForm::UnitedStates()}, journalOnly);
        FAIL() << "no error";
    } catch (const HistoryReadError& error) {
        EXPECT_NE(std::string(error.what()).find(log), std::string::npos);
    }
}

} // namespace
} // namespace pellavane
