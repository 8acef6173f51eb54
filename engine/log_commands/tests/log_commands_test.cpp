#include "engine/log_commands/tests/log_commands_fixture.h"

#include "core/guarded_handler.h"
#include "engine/monitor/journal.h"
#include "engine/monitor/recorder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace pellavane {
namespace {

using namespace pellavane::testing;

TEST_F(LogCommandsTest, ViewWithoutLogShowsTheMessageAndStartsNothing)
{
    commands.PushButton1_Click();
    EXPECT_EQ(boxes.shown, std::vector<std::string>{kNoHistoryMessage});
    EXPECT_TRUE(launcher.viewed.empty());
    EXPECT_TRUE(reporter.reports.empty());
}

TEST_F(LogCommandsTest, ViewerThatCannotStartIsReportedAtLine102)
{
    WriteLog("line\r\n");
    launcher.viewerMissing = true;
    commands.PushButton1_Click();
    EXPECT_EQ(reporter.Lines(), std::vector<int>{102});
}

TEST_F(LogCommandsTest, CopyPutsTheWholeFileAndTheLongerOneAfterMoreLines)
{
    WriteLog("first\r\nsecond\r\n");
    commands.PushButton2_Click();
    EXPECT_EQ(clipboard.texts, std::vector<std::string>{"first\r\nsecond\r\n"});

    AppendLogLine(text1.text, "third");
    commands.PushButton2_Click();
    EXPECT_EQ(clipboard.texts.back(), "first\r\nsecond\r\nthird\r\n");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(LogCommandsTest, CopyWithoutLogLeavesTheClipboardAndShowsNothing)
{
    commands.PushButton2_Click();
    EXPECT_TRUE(clipboard.texts.empty());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(reporter.reports.empty());
}

// A folder reads as nothing and /proc/self/mem fails its first read: neither is an empty history.
TEST_F(LogCommandsTest, ClearAnsweredNoKeepsFileAndList)
{
    WriteLog("line\r\n");
    list.rows = 3;
    boxes.answer = false;
    commands.PushButton4_Click();
    EXPECT_EQ(boxes.shown, std::vector<std::string>{kClearQuestion});
    EXPECT_TRUE(fs::exists(text1.text));
    EXPECT_EQ(list.rows, 3);
}

TEST_F(LogCommandsTest, ClearAnsweredYesDeletesTheLogEmptiesTheListAndLetsQueuedEventsRunFirst)
{
    WriteLog("line\r\n");
    list.rows = 2;
    boxes.answer = true;
    commands.PushButton4_Click();
    EXPECT_FALSE(fs::exists(text1.text));
    EXPECT_EQ(list.rows, 0);
    EXPECT_EQ(pumped, 1);

    // The next status line starts a new history at the same place, and view finds it again.
    commands.PushButton1_Click();
    EXPECT_EQ(boxes.shown.back(), kNoHistoryMessage);
    AppendLogLine(text1.text, "again");
    commands.PushButton1_Click();
    EXPECT_EQ(launcher.viewed, std::vector<std::string>{text1.text});
}

TEST_F(LogCommandsTest, ClearDeletesTheJournalWithTheLogButNeverAForeignFileAtItsPath)
{
    const std::string journal = (m_folder.Path() / "history.journal.csv").string();
    AppendJournalLine(journal, "row");
    boxes.answer = true;
    commands.PushButton4_Click(); // the journal goes even when the log is already gone
    EXPECT_FALSE(fs::exists(journal));

    WriteLog("line\r\n");
    std::ofstream(journal, std::ios::binary) << "kept by another program\r\n";
    commands.PushButton4_Click();
    EXPECT_FALSE(fs::exists(text1.text));
    EXPECT_TRUE(fs::exists(journal));
    EXPECT_TRUE(reporter.reports.empty());
}

TEST_F(LogCommandsTest, ClearWithoutLogStillEmptiesTheListAndReportsNothing)
{
    list.rows = 5;
    boxes.answer = true;
    commands.PushButton4_Click();
    EXPECT_EQ(list.rows, 0);
    EXPECT_TRUE(reporter.reports.empty());
}

TEST_F(LogCommandsTest, ClearDeletesAReadOnlyLog)
{
    WriteLog("line\r\n");
    fs::permissions(text1.text, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    boxes.answer = true;
    commands.PushButton4_Click();
    EXPECT_FALSE(fs::exists(text1.text));
}

TEST_F(LogCommandsTest, ClearNeverRemovesAFolderTheBoxNames)
{
    const fs::path folder = m_folder.Path() / "not-a-log";
    fs::create_directories(folder);
    text1.text = folder.string();
    boxes.answer = true;
    commands.PushButton4_Click();
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(list.rows, 0);
}

TEST_F(LogCommandsTest, CancelledDialogChangesNothing)
{
    const std::string before = text1.text;
    dialog.result.clear();
    commands.PushButton7_Click();
    EXPECT_EQ(dialog.title, "Specify Log File");
    EXPECT_EQ(dialog.filter, "Text File (*.txt)|*.txt|");
    EXPECT_EQ(text1.text, before);
    EXPECT_EQ(text1.writes, 0);
}

TEST_F(LogCommandsTest, ChosenFileReplacesTheWholeBox)
{
    dialog.result = (m_folder.Path() / "new name.txt").string();
    commands.PushButton7_Click();
    EXPECT_EQ(text1.text, dialog.result);
    EXPECT_EQ(text1.writes, 1);
}

TEST_F(LogCommandsTest, HelpOpensThePageOnTheConfiguredHost)
{
    commands.PushButton3_Click();
    EXPECT_EQ(launcher.urls, std::vector<std::string>{"http://help.example.org/tessaroot/help/"});
}

} // namespace
} // namespace pellavane
