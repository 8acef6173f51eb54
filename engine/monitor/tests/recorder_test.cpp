#include "engine/monitor/recorder.h"
#include "engine/monitor/sleep_watch.h"

#include "engine/check/probe.h"
#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#ifndef _WIN32
#include "testsupport/file_size_limit.h"
#include "testsupport/forked_child.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace pellavane {
namespace {

using namespace pellavane::testing;

// What happened, in order, across the fakes handed to the recorder.
using Events = std::vector<std::string>;

class FakeVerdict : public IConnectivityVerdict
{
public:
    explicit FakeVerdict(Events& events) : m_events(events) {}
    bool IsInternetConnected() override
    {
        m_events.push_back("probe");
        return connected;
    }
    bool connected = true;

private:
    Events& m_events;
};

class FakeClock : public IClock
{
public:
    explicit FakeClock(Events& events) : m_events(events) {}
    std::time_t Now() override
    {
        m_events.push_back("clock");
        return next++;
    }
    std::time_t next = LocalTime(2026, 12, 7, 4, 45, 17);

private:
    Events& m_events;
};

struct Row
{
    std::time_t t;
    bool connected;
    std::string fileAtThatMoment;
    bool operator==(const Row&) const = default;
};

class RecordingList : public IStatusList
{
public:
    RecordingList(Events& events, std::string& path) : m_events(events), m_path(path) {}
    void AppendStatusRow(std::time_t t, bool connected) override
    {
        m_events.push_back("row");
        rows.push_back({t, connected, ReadFile(m_path)});
    }
    void RemoveAllRows() override { rows.clear(); }
    std::vector<Row> rows;

private:
    Events& m_events;
    std::string& m_path;
};

class Recorder : public ::testing::Test
{
protected:
    Recorder()
        : m_path(m_folder.File("status log.txt")), m_probe(m_events), m_clock(m_events),
          m_list(m_events, m_path), m_recorder(
                                        m_probe, m_clock, [this] { return m_path; }, m_list)
    {}

    TempFolder m_folder;
    std::string m_path;
    Events m_events;
    FakeVerdict m_probe;
    FakeClock m_clock;
    RecordingList m_list;
    StatusRecorder m_recorder;
};

TEST_F(Recorder, FirstRecordCreatesTheFileWithOneCrLfLineAndThenAddsTheRow)
{
    const std::time_t first = m_clock.next;
    m_recorder.RecordStatus();

    const std::string line = StatusLine(first, true) + "\r\n";
    EXPECT_EQ(ReadFile(m_path), line);
    // The clock is read again for the row, and the row comes only once the line is in the file.
    EXPECT_EQ(m_list.rows, (std::vector<Row>{{first + 1, true, line}}));
    EXPECT_EQ(m_events, (Events{"probe", "clock", "clock", "row"}));
}

TEST_F(Recorder, LinesAreAppendedInRecordingOrderWithTheirStatus)
{
    const std::time_t start = m_clock.next;
    m_recorder.RecordStatus();
    m_probe.connected = false;
    m_recorder.RecordStatus();

    EXPECT_EQ(ReadFile(m_path), StatusLine(start, true) + "\r\n" + StatusLine(start + 2, false) + "\r\n");
    ASSERT_EQ(m_list.rows.size(), 2u);
    EXPECT_EQ(m_list.rows[1].t, start + 3);
    EXPECT_FALSE(m_list.rows[1].connected);
}

TEST_F(Recorder, PathIsReadAfreshForEveryRecord)
{
    m_recorder.RecordStatus();
    const std::string first = m_path;
    m_path = m_folder.File("other.log");
    m_recorder.RecordStatus();
    EXPECT_EQ(ReadFile(first).size(), ReadFile(m_path).size());
    EXPECT_NE(ReadFile(m_path), "");
}

TEST_F(Recorder, EmptyPathOrMissingFolderRaisesAndAddsNoRow)
{
    for (const std::string& path : {std::string(), m_folder.File("no such folder/log.txt")}) {
        m_path = path;
        m_events.clear();
        try {
            m_recorder.RecordStatus();
            ADD_FAILURE() << "no error for '" << path << "'";
        } catch (const LogWriteError& e) {
            EXPECT_NE(std::string(e.what()).find("'" + path + "'"), std::string::npos) << e.what();
#ifndef _WIN32
            EXPECT_NE(std::string(e.what()).find("No such file or directory"), std::string::npos) << e.what();
#endif
        }
        EXPECT_TRUE(m_list.rows.empty());
        EXPECT_EQ(m_events, (Events{"probe", "clock"}));
    }
    EXPECT_FALSE(std::filesystem::exists(m_folder.File("no such folder")));
}

/** Says what a test tells it to, and what it was asked. */
class ScriptedGate : public ICheckGate
{
public:
    explicit ScriptedGate(Events& events) : m_events(events) {}
    bool MayCheck() override { return mayCheck; }
    CheckTicket CheckStarting() override
    {
        m_events.push_back("starting");
        return {7};
    }
    CheckVerdict CheckEnded(const CheckTicket& ticket, bool) override
    {
        m_events.push_back("ended " + std::to_string(ticket.sleeps));
        return verdict;
    }
    bool RetryDue() override { return false; }
    bool mayCheck = true;
    CheckVerdict verdict = CheckVerdict::Record;

private:
    Events& m_events;
};

TEST_F(Recorder, AGateKeepsChecksOfASleepOutOfTheLogAndLetsTheOthersThrough)
{
    ScriptedGate gate(m_events);
    m_recorder.SetGate(&gate);
    struct Case
    {
        bool mayCheck;
        CheckVerdict verdict;
        Events events;
        bool recorded;
    };
    const Case cases[] = {
        {false, CheckVerdict::Record, {}, false},
        {true, CheckVerdict::Drop, {"starting", "probe", "ended 7"}, false},
        {true, CheckVerdict::Retry, {"starting", "probe", "ended 7"}, false},
        {true,
         CheckVerdict::RecordAfterResume,
         {"starting", "probe", "ended 7", "clock", "clock", "row"},
         true},
        {true, CheckVerdict::Record, {"starting", "probe", "ended 7", "clock", "clock", "row"}, true},
    };
    for (const Case& c : cases) {
        m_events.clear();
        gate.mayCheck = c.mayCheck;
        gate.verdict = c.verdict;
        const std::size_t before = ReadFile(m_path).size();
        bool recorded = true;
        try {
            m_recorder.RecordStatus();
        } catch (const CheckNotRecorded&) {
            recorded = false;
        }
        EXPECT_EQ(recorded, c.recorded);
        EXPECT_EQ(m_events, c.events);
        EXPECT_EQ(ReadFile(m_path).size() > before, c.recorded);
    }
}

TEST(StatusLine, DateTimeTextThenTheExactStatusText)
{
    const std::time_t t = LocalTime(2026, 12, 7, 4, 45, 17);
    EXPECT_EQ(StatusLine(t, true), DateTimeText(t) + " Internet Connection Status: Connected");
    EXPECT_EQ(StatusLine(t, false), DateTimeText(t) + " Internet Connection Status: Disconnected");
}

TEST(DateTimeText, ExactlyMidnightGivesTheDateAlone)
{
    const std::time_t midnight = LocalTime(2026, 12, 7, 0, 0, 0);
    const std::string date = DateTimeText(midnight);
    const std::string oneSecondLater = DateTimeText(midnight + 1);
    ASSERT_GT(oneSecondLater.size(), date.size() + 1);
    EXPECT_EQ(oneSecondLater.substr(0, date.size() + 1), date + " ");
    EXPECT_EQ(DateTimeText(LocalTime(2026, 12, 7, 12, 0, 0)).substr(0, date.size() + 1), date + " ");
}

#ifndef _WIN32

TEST(DateTimeText, CLocaleGivesFourDigitYearAndSeconds)
{
    ScopedEnv locale("LC_ALL", "C");
    EXPECT_EQ(DateTimeText(LocalTime(2026, 12, 7, 4, 45, 17)), "12/07/2026 04:45:17");
    EXPECT_EQ(DateTimeText(LocalTime(2026, 12, 7, 0, 0, 0)), "12/07/2026");
    EXPECT_EQ(DateTimeText(LocalTime(2026, 12, 7, 0, 0, 1)), "12/07/2026 00:00:01");
}

TEST(DateTimeText, UnknownLocaleFallsBackToTheCForm)
{
    ScopedEnv locale("LC_ALL", "xx_NOWHERE.UTF-8");
    EXPECT_EQ(DateTimeText(LocalTime(1999, 1, 2, 23, 59, 59)), "01/02/1999 23:59:59");
}

class AppendLogLineFails : public ::testing::Test
{
protected:
    void ExpectFailure(const std::string& path, const std::string& reason)
    {
        try {
            AppendLogLine(path, "line");
            ADD_FAILURE() << "no error for " << path;
        } catch (const LogWriteError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot write to log file '" + path + "': " + reason);
        }
    }
    TempFolder m_folder;
};

TEST_F(AppendLogLineFails, MessageNamesThePathAndTheReason)
{
    ExpectFailure("", "No such file or directory");
    ExpectFailure(m_folder.File("missing/log.txt"), "No such file or directory");
    ExpectFailure(m_folder.Path().string(), "Is a directory");
    ExpectFailure("/dev/full", "No space left on device");
}

TEST_F(AppendLogLineFails, NoPermissionIsTold)
{
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root may write anywhere";
    }
    const std::string path = m_folder.File("read-only.log");
    WriteFile(path, "");
    ::chmod(path.c_str(), 0444);
    ExpectFailure(path, "Permission denied");
}

// A file-size limit crossed in mid-line must fail like a full disk, not end the program by SIGXFSZ,
// and the file must be cut back to the lines it had.
TEST_F(AppendLogLineFails, FileSizeLimitCrossedInMidLineFailsAndLeavesNoTornLine)
{
    const std::string path = m_folder.File("limited.log");
    const std::string before(1002, 'x');
    WriteFile(path, before);

    const int status = RunInChild([&] {
        const ScopedFileSizeLimit limit(1024);
        try {
            AppendLogLine(path, "12/07/2026 04:45:17 Internet Connection Status: Connected");
        } catch (const LogWriteError& e) {
            return std::string(e.what()) == "Cannot write to log file '" + path + "': File too large" ? 0 : 2;
        }
        return 1;
    });
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0)
        << "1: no error, 2: error without the path or reason, " << kChildThrew << ": no limit";
    EXPECT_EQ(ReadFile(path), before);

    AppendLogLine(path, "next");
    EXPECT_EQ(ReadFile(path), before + "next\r\n");
}

#endif

} // namespace
} // namespace pellavane
