#include "engine/monitor/journal.h"
#include "engine/monitor/log_file.h"

#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#ifndef _WIN32
#include "testsupport/file_size_limit.h"
#include "testsupport/forked_child.h"

#include <csignal>
#include <sys/wait.h>
#endif

namespace pellavane {
namespace {

namespace fs = std::filesystem;
using namespace pellavane::testing;

const std::string kHeaderLine = std::string(kJournalHeader) + "\r\n";

struct PathCase
{
    const char* log;
    const char* journal;
};

TEST(JournalPath, ReplacesTheLastExtensionOfTheFileNameOrAddsOne)
{
    const PathCase cases[] = {
        {"Pellavane.txt", "Pellavane.journal.csv"},
        {"net", "net.journal.csv"},
        {"/var/tmp/net.log", "/var/tmp/net.journal.csv"},
        {"/var/tmp/a.b/net", "/var/tmp/a.b/net.journal.csv"},
        {"/home/ann/log.old.txt", "/home/ann/log.old.journal.csv"},
        {"/home/ann/logs.d/net", "/home/ann/logs.d/net.journal.csv"},
        {"archive.tar.gz", "archive.tar.journal.csv"},
        {"/home/ann/.netlog", "/home/ann/.netlog.journal.csv"},
        {"log.", "log.journal.csv"},
        {"checks.journal.csv", "checks.journal.journal.csv"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JournalPath(c.log), c.journal) << c.log;
    }
#ifdef _WIN32
    EXPECT_EQ(JournalPath("C:\\Logs.d\\net"), "C:\\Logs.d\\net.journal.csv");
#endif
}

class AppendJournalLineTest : public ::testing::Test
{
protected:
    TempFolder folder;
    std::string path = folder.File("net.journal.csv");
};

TEST_F(AppendJournalLineTest, NewJournalStartsWithTheHeaderAndRowsFollowWithCrLf)
{
    AppendJournalLine(path, "row one");
    AppendJournalLine(path, "row two");
    EXPECT_EQ(ReadFile(path), kHeaderLine + "row one\r\nrow two\r\n");
}

TEST_F(AppendJournalLineTest, AnEmptyFileGetsTheHeaderAndAJournalSavedWithLfIsAppendedTo)
{
    WriteFile(path, "");
    AppendJournalLine(path, "row");
    EXPECT_EQ(ReadFile(path), kHeaderLine + "row\r\n");

    WriteFile(path, std::string(kJournalHeader) + "\nold\n");
    AppendJournalLine(path, "row");
    EXPECT_EQ(ReadFile(path), std::string(kJournalHeader) + "\nold\nrow\r\n");
}

// Rotation moves the files away between two lines and signals nothing: each line opens its file by
// name again, so the next one goes into a new file, and a new journal begins with its header.
TEST_F(AppendJournalLineTest, AfterARotationTheNextLinesBeginNewFilesAndTheJournalItsHeader)
{
    const std::string log = folder.File("net.txt");
    AppendJournalLine(path, "row one");
    AppendLogLine(log, "line one");
    std::filesystem::rename(path, path + ".1");
    std::filesystem::rename(log, log + ".1");
    AppendJournalLine(path, "row two");
    AppendLogLine(log, "line two");
    EXPECT_EQ(ReadFile(path + ".1"), kHeaderLine + "row one\r\n");
    EXPECT_EQ(ReadFile(path), kHeaderLine + "row two\r\n");
    EXPECT_EQ(ReadFile(log + ".1"), "line one\r\n");
    EXPECT_EQ(ReadFile(log), "line two\r\n");
}

TEST_F(AppendJournalLineTest, AForeignFileIsNeverAppendedTo)
{
    const std::string foreign[] = {
        "12/07/2026 04:45:17 Internet Connection Status: Connected\r\n",
        std::string(kJournalHeader) + ",extra\r\n",
        "time,event",
        std::string(kJournalHeader),
        "\r\n" + kHeaderLine,
    };
    for (const auto& content : foreign) {
        WriteFile(path, content);
        try {
            AppendJournalLine(path, "row");
            ADD_FAILURE() << "appended to " << content;
        } catch (const JournalWriteError& error) {
            EXPECT_NE(std::string(error.what()).find("'" + path + "'"), std::string::npos) << error.what();
            EXPECT_NE(std::string(error.what()).find("first line is not the journal's header"),
                      std::string::npos)
                << error.what();
        }
        EXPECT_EQ(ReadFile(path), content);
    }
}

TEST_F(AppendJournalLineTest, APathThatCannotBeWrittenFailsNamingThePathAndReason)
{
    fs::create_directory(path);
    const std::string missing = folder.File("no such folder/net.journal.csv");
    for (const auto& bad : {path, missing}) {
        try {
            AppendJournalLine(bad, "row");
            ADD_FAILURE() << "wrote to " << bad;
        } catch (const JournalWriteError& error) {
            EXPECT_EQ(std::string(error.what()).rfind("Cannot write to journal '" + bad + "': ", 0), 0U)
                << error.what();
        }
    }
    EXPECT_FALSE(fs::exists(missing));
}

#ifndef _WIN32
// The file size limit stops the write part way, as a full disk does; with SIGXFSZ ignored the
// write fails with EFBIG. The limit is lowered in a child, which reports by its exit status.
TEST_F(AppendJournalLineTest, APartWrittenRowIsCutBackAndTheNextFitsAgain)
{
    AppendJournalLine(path, "first row");
    const auto size = fs::file_size(path);
    const int status = RunInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const ScopedFileSizeLimit limit(size + 5);
        try {
            AppendJournalLine(path, "a row longer than the room left");
            return 11;
        } catch (const JournalWriteError& error) {
            return std::string(error.what()).find("File too large") != std::string::npos ? 0 : 12;
        }
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0)
        << kChildThrew << ": limit not set, 11: no failure, 12: reason not told";
    EXPECT_EQ(fs::file_size(path), size);
    AppendJournalLine(path, "second row");
    EXPECT_EQ(ReadFile(path), kHeaderLine + "first row\r\nsecond row\r\n");
}
#endif

struct Health : IJournalHealth
{
    std::vector<std::string> failing;
    int workingAgain = 0;
    bool throwing = false;
    void JournalFailing(const std::string& reason) override
    {
        failing.push_back(reason);
        if (throwing) {
            throw std::runtime_error("view gone");
        }
    }
    void JournalWorkingAgain() override
    {
        ++workingAgain;
        if (throwing) {
            throw std::runtime_error("view gone");
        }
    }
};

TEST(Journal, WritesBesideTheCurrentLogAndTellsAFaultOnceUntilItIsMended)
{
    TempFolder folder;
    std::string log = folder.File("Pellavane.txt");
    const std::string journal = folder.File("Pellavane.journal.csv");
    Health health;
    Journal writer([&] { return log; }, health);

    EXPECT_TRUE(writer.Append(StopRow(0)));
    WriteFile(journal, "someone else's file\r\n");
    EXPECT_FALSE(writer.Append(StopRow(0)));
    EXPECT_FALSE(writer.Append(StopRow(0)));
    ASSERT_EQ(health.failing.size(), 1U);
    EXPECT_NE(health.failing.front().find(journal), std::string::npos);
    EXPECT_EQ(ReadFile(journal), "someone else's file\r\n");

    fs::remove(journal);
    EXPECT_TRUE(writer.Append(StopRow(0)));
    EXPECT_EQ(health.workingAgain, 1);

    // The path is read afresh for every row, as the log's is.
    log = folder.File("other");
    health.throwing = true;
    EXPECT_TRUE(writer.Append(StopRow(0)));
    EXPECT_TRUE(fs::exists(folder.File("other.journal.csv")));
    fs::create_directory(folder.File("blocked.journal.csv"));
    log = folder.File("blocked.txt");
    EXPECT_FALSE(writer.Append(StopRow(0)));
    EXPECT_EQ(health.failing.size(), 2U);
}

} // namespace
} // namespace pellavane
