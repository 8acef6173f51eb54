// The engine under faults from outside: a log path that cannot be written for a while, and ping
// children that are missing, hang, flood or leave a grandchild behind. Logging runs through the
// real schedule, recorder and log writer; only the window's controls are fakes.
#include "core/guarded_handler.h"
#include "engine/capture/capture.h"
#include "engine/check/probe.h"
#include "engine/monitor/recorder.h"
#include "engine/monitor/schedule.h"
#include "engine/monitor/window_controls.h"
#include "testsupport/monitor_fakes.h"
#include "testsupport/settings_fakes.h"
#include "testsupport/status_lines.h"
#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#ifndef _WIN32
#include "testsupport/fake_ping.h"
#include "testsupport/file_size_limit.h"
#include "testsupport/forked_child.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace pellavane {
namespace {

namespace fs = std::filesystem;
using namespace pellavane::testing;

/** The schedule's view: only its record health is of interest here. */
struct Reports : IErrorReporter, IScheduleView
{
    void ShowCountdown(const std::string&) override {}
    void ShowProgress(int, int) override {}
    void ShowSwitch(bool) override {}
    void ShowBusy(bool) override {}
    std::vector<std::string> boxes;
    std::vector<std::string> failing;
    int workingAgain = 0;
    void ReportError(const std::string& tag, int line, const std::string& description) override
    {
        boxes.push_back(tag + " " + std::to_string(line) + ": " + description);
    }
    void RecordsFailing(const std::string& reason) override { failing.push_back(reason); }
    void RecordsWorkingAgain() override { ++workingAgain; }
};

class CountingClock : public IClock
{
public:
    std::time_t Now() override { return m_next++; }

private:
    std::time_t m_next = 1'790'000'000;
};

/** The logging schedule at one record a second, running over the real recorder and log writer,
 *  with the log path a test can change between records. */
class ScheduleOverRealLog
{
public:
    explicit ScheduleOverRealLog(std::string path, IConnectivityVerdict* probe = nullptr)
        : m_path(std::move(path)),
          m_recorder(
              probe != nullptr ? *probe : m_probe, m_clock, [this] { return m_path; }, m_list),
          m_schedule({m_timer, reports, {}, m_recorder, m_settings, reports})
    {
        m_schedule.SetInterval(1);
        m_schedule.SetLogging(true);
        m_timer.SetInterval(1000);
    }

    /** One tick, which records because the interval is one second. */
    void Tick() { m_schedule.Tick(); }
    void SetPath(std::string path) { m_path = std::move(path); }
    int Rows() const { return m_list.rows; }

    Reports reports;

private:
    std::string m_path;
    AnsweringVerdict m_probe;
    CountingClock m_clock;
    CountingList m_list;
    FakeTimer m_timer;
    FakeSettings m_settings;
    StatusRecorder m_recorder;
    LoggingSchedule m_schedule;
};

struct ProcessHandles
{
    std::size_t descriptors = 0;
    std::size_t threads = 0;
};

/** This process's open descriptors and threads, as Linux lists them (none counted elsewhere: under
 *  Wine the host's /proc lists Wine's own descriptors and threads, which come and go by themselves). */
ProcessHandles OpenHandles()
{
#ifdef _WIN32
    return {};
#endif
    const auto count = [](const char* folder) {
        std::error_code error;
        std::size_t n = 0;
        for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
            ++n;
        }
        return n;
    };
    return {count("/proc/self/fd"), count("/proc/self/task")};
}

/** How a log path is made unusable and put right again. */
struct PathFault
{
    const char* name;
    /** Makes the fault; returns the path the schedule is to log to while it lasts. */
    std::function<std::string(const TempFolder&)> make;
    /** Ends the fault; returns the path logging is to resume on. */
    std::function<std::string(const TempFolder&)> mend;
    /** Part of the system's reason the failure must name. */
    const char* reason;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const PathFault& fault, std::ostream* out)
{
    *out << fault.name;
}

class LogPathFaultTest : public ::testing::TestWithParam<PathFault>
{};

TEST_P(LogPathFaultTest, FailsWithPathAndReasonLeavesNoTornLineAndResumesByItself)
{
    const PathFault& fault = GetParam();
    TempFolder folder;
    const std::string good = folder.File("log.txt");
    ScheduleOverRealLog schedule(good);
    schedule.Tick();
    ASSERT_EQ(schedule.Rows(), 1);
    const ProcessHandles before = OpenHandles();

    const std::string faulty = fault.make(folder);
    schedule.SetPath(faulty);
    schedule.Tick();
    schedule.Tick();

    ASSERT_EQ(schedule.reports.failing.size(), 1U) << "told once, not on every tick";
    const std::string& reason = schedule.reports.failing.front();
    EXPECT_NE(reason.find("'" + faulty + "'"), std::string::npos) << reason;
    EXPECT_NE(reason.find(fault.reason), std::string::npos) << reason;
    EXPECT_TRUE(schedule.reports.boxes.empty()) << "a scheduled failure puts up no box";
    EXPECT_EQ(schedule.Rows(), 1) << "no row without its line";

    const std::string mended = fault.mend(folder);
    schedule.SetPath(mended);
    schedule.Tick();
    EXPECT_EQ(schedule.reports.workingAgain, 1);
    EXPECT_EQ(schedule.Rows(), 2);
    const std::string text = ReadFile(mended);
    EXPECT_TRUE(OnlyWholeStatusLines(text));
    EXPECT_GE(LineCount(text), 1);
    if (mended == good) {
        EXPECT_EQ(LineCount(text), 2);
    }
    // A failed write that kept its descriptor would lose one every second the fault lasts.
    EXPECT_EQ(OpenHandles().descriptors, before.descriptors);
    EXPECT_EQ(OpenHandles().threads, before.threads);
}

// The system's own words for the reasons; the Windows runtime words them its own way.
#ifdef _WIN32
constexpr const char* kNoSuchFile = "";
constexpr const char* kIsAFolder = "";
#else
constexpr const char* kNoSuchFile = "No such file or directory";
constexpr const char* kIsAFolder = "Is a directory";
#endif

std::string MissingFolderLog(const TempFolder& folder)
{
    return folder.File("not-yet/log.txt");
}

INSTANTIATE_TEST_SUITE_P(
    Faults, LogPathFaultTest,
    ::testing::Values(PathFault{"Empty", [](const TempFolder&) { return std::string(); },
                                [](const TempFolder& f) { return f.File("log.txt"); }, kNoSuchFile},
                      PathFault{"MissingFolder", MissingFolderLog,
                                [](const TempFolder& f) {
                                    fs::create_directory(f.Path() / "not-yet");
                                    return MissingFolderLog(f);
                                },
                                kNoSuchFile},
                      PathFault{"AFolder",
                                [](const TempFolder& f) {
                                    fs::create_directory(f.Path() / "folder.txt");
                                    return f.File("folder.txt");
                                },
                                [](const TempFolder& f) {
                                    fs::remove(f.Path() / "folder.txt");
                                    return f.File("folder.txt");
                                },
                                kIsAFolder}),
    [](const ::testing::TestParamInfo<PathFault>& info) { return std::string(info.param.name); });

TEST(LogFileChangedBetweenRecords, DeletedLogIsCreatedAfreshWithTheNextLine)
{
    TempFolder folder;
    const std::string path = folder.File("log.txt");
    ScheduleOverRealLog schedule(path);
    schedule.Tick();
    fs::remove(path);

    schedule.Tick();

    EXPECT_TRUE(schedule.reports.failing.empty());
    const std::string text = ReadFile(path);
    EXPECT_TRUE(OnlyWholeStatusLines(text));
    EXPECT_EQ(LineCount(text), 1);
}

TEST(LogFileChangedBetweenRecords, ReplacedLogGetsTheNextLineAfterTheOtherProgramsText)
{
    TempFolder folder;
    const std::string path = folder.File("log.txt");
    ScheduleOverRealLog schedule(path);
    schedule.Tick();
    // What an editor's save does: a new file renamed over the old one.
    const std::string other = folder.File("log.txt.new");
    WriteFile(other, "kept by the other program\r\n");
    fs::rename(other, path);

    schedule.Tick();

    EXPECT_TRUE(schedule.reports.failing.empty());
    const std::string text = ReadFile(path);
    ASSERT_EQ(text.rfind("kept by the other program\r\n", 0), 0U) << text;
    EXPECT_TRUE(OnlyWholeStatusLines(text.substr(std::string("kept by the other program\r\n").size())));
}

#ifndef _WIN32

bool RunningAsRoot()
{
    return ::geteuid() == 0;
}

TEST(LogFileReadOnly, FailsWithPermissionDeniedAndResumesOnceWritable)
{
    if (RunningAsRoot()) {
        GTEST_SKIP() << "running as root: file permissions do not stop root's writes; the full-disk case "
                        "covers a file on which writing fails";
    }
    TempFolder folder;
    const std::string path = folder.File("log.txt");
    ScheduleOverRealLog schedule(path);
    schedule.Tick();
    fs::permissions(path, fs::perms::owner_read);

    schedule.Tick();
    ASSERT_EQ(schedule.reports.failing.size(), 1U);
    EXPECT_NE(schedule.reports.failing.front().find("Permission denied"), std::string::npos);

    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    schedule.Tick();
    EXPECT_EQ(schedule.reports.workingAgain, 1);
    EXPECT_EQ(LineCount(ReadFile(path)), 2);
}

// The file size limit stops a write part way, as a full disk does, and with SIGXFSZ ignored the
// write fails with EFBIG. Lowering the limit must not outlive the test, so it runs in a child; the
// child's checks come back as its exit status.
TEST(LogFileFullDisk, PartWrittenLineIsCutBackAndLoggingResumesWhenThereIsRoomAgain)
{
    TempFolder folder;
    const std::string path = folder.File("log.txt");
    const int status = RunInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        ScheduleOverRealLog schedule(path);
        schedule.Tick();
        const auto size = fs::file_size(path);
        ScopedFileSizeLimit limit(size + 10); // room for part of the next line only
        schedule.Tick();
        schedule.Tick();
        if (schedule.reports.failing.size() != 1 ||
            schedule.reports.failing.front().find("File too large") == std::string::npos ||
            schedule.reports.failing.front().find(path) == std::string::npos) {
            return 11;
        }
        if (fs::file_size(path) != size) {
            return 12;
        }
        if (!limit.Restore()) {
            return 13;
        }
        schedule.Tick();
        return schedule.reports.workingAgain == 1 && schedule.Rows() == 2 ? 0 : 14;
    });
    ASSERT_TRUE(WIFEXITED(status)) << "the child died of signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0)
        << kChildThrew << ": limit not set, 11: no clear failure, "
        << "12: torn line left, 13: limit not restored, 14: logging did not resume";
    const std::string text = ReadFile(path);
    EXPECT_TRUE(OnlyWholeStatusLines(text));
    EXPECT_EQ(LineCount(text), 2);
}

using SteadyClock = std::chrono::steady_clock;

/** A folder of fake ping programs that is the whole PATH while the test runs, so the real ping is
 *  never found. */
class ChildFaultTest : public ::testing::Test
{
protected:
    void FakePing(const std::string& body) { m_ping.Write(body); }
    std::string File(const std::string& name) const { return m_ping.File(name); }

    /** One record through the real probe with a short bound; returns the line it logged. Whatever
     *  the child did, the check leaves no descriptor open and no thread running: at a record a
     *  second, one left behind each time would run the program out of either within hours. */
    std::string RecordOnce(std::chrono::milliseconds& took)
    {
        PingVerdict probe({}, limits);
        CountingClock clock;
        CountingList list;
        const std::string log = File("log.txt");
        StatusRecorder recorder(
            probe, clock, [&] { return log; }, list);
        const ProcessHandles before = OpenHandles();
        const auto started = SteadyClock::now();
        recorder.RecordStatus();
        took = std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - started);
        const ProcessHandles after = OpenHandles();
        EXPECT_EQ(after.descriptors, before.descriptors) << "descriptors left open by the check";
        EXPECT_EQ(after.threads, before.threads) << "threads left running by the check";
        return ReadFile(log);
    }

    CaptureLimits limits{std::chrono::milliseconds(800), std::chrono::milliseconds(20)};
    // The bound plus room for a loaded machine: far below the 30 s a child would otherwise hold a
    // check.
    static constexpr std::chrono::milliseconds kEndsWithin{8000};

private:
    FakePingOnPath m_ping{FakePingOnPath::OtherPrograms::NotFound};
    ScopedEnv m_host{"PELLAVANE_PROBE_HOST", "127.0.0.1"};
};

bool EndsWithDisconnected(const std::string& log)
{
    const std::string suffix = std::string(kStatusDisconnected) + "\r\n";
    return log.size() >= suffix.size() && log.compare(log.size() - suffix.size(), suffix.size(), suffix) == 0;
}

TEST_F(ChildFaultTest, NoPingOnPathRecordsDisconnected)
{
    std::chrono::milliseconds took{};
    const std::string log = RecordOnce(took);
    EXPECT_TRUE(EndsWithDisconnected(log)) << log;
    EXPECT_LT(took, kEndsWithin);
}

TEST_F(ChildFaultTest, HangingPingIsEndedAtTheBoundAndRecordsDisconnected)
{
    FakePing("echo 'PING 127.0.0.1 (127.0.0.1) 56(84) bytes of data.'\nexec sleep 60\n");
    std::chrono::milliseconds took{};
    const std::string log = RecordOnce(took);
    EXPECT_TRUE(EndsWithDisconnected(log)) << log;
    EXPECT_GE(took, limits.total);
    EXPECT_LT(took, kEndsWithin);
}

TEST_F(ChildFaultTest, FloodingPingIsReadWholeAndRecordsDisconnected)
{
    // 16 MiB of text without a reply line, then the end.
    FakePing("head -c 16777216 /dev/zero | tr '\\000' 'x'\n");
    limits.total = std::chrono::milliseconds(20000);
    std::chrono::milliseconds took{};
    const std::string log = RecordOnce(took);
    EXPECT_TRUE(EndsWithDisconnected(log)) << log.substr(0, 200);
    EXPECT_EQ(LineCount(log), 1);
}

TEST_F(ChildFaultTest, EndlessFloodIsCutLongBeforeTheTimeBoundAndRecordsDisconnected)
{
    FakePing("exec yes 'no reply here'\n");
    // Left to the time bound alone, the flood would fill memory for the whole 30 s.
    limits.total = std::chrono::milliseconds(30000);
    std::chrono::milliseconds took{};
    const std::string log = RecordOnce(took);
    EXPECT_TRUE(EndsWithDisconnected(log));
    EXPECT_LT(took, kEndsWithin);
}

TEST(CaptureOutputBound, OutputPastTheBoundIsCutThereAndTheChildStopped)
{
    CaptureLimits limits;
    limits.maxBytes = 4096;
    const auto started = SteadyClock::now();
    const std::string output = RunCapturedCommand("yes", true, false, true, {}, limits);
    EXPECT_EQ(output.size(), 4096U);
    EXPECT_LT(SteadyClock::now() - started, std::chrono::milliseconds(8000));
}

TEST_F(ChildFaultTest, BackgroundChildHoldingThePipeIsBoundedKilledAndRecordsDisconnected)
{
    const std::string pidFile = File("grandchild.pid");
    FakePing("echo 'PING 127.0.0.1 (127.0.0.1) 56(84) bytes of data.'\nsleep 60 &\necho $! > '" + pidFile +
             "'\nexit 0\n");
    std::chrono::milliseconds took{};
    const std::string log = RecordOnce(took);
    EXPECT_TRUE(EndsWithDisconnected(log)) << log;
    EXPECT_LT(took, kEndsWithin);

    const pid_t grandchild = static_cast<pid_t>(std::stol(ReadFile(pidFile)));
    // Killed with the child's group; init reaps it a moment later.
    bool gone = false;
    for (int i = 0; i < 200 && !gone; ++i) {
        gone = ::kill(grandchild, 0) != 0 ||
               ReadFile("/proc/" + std::to_string(grandchild) + "/stat").find(") Z ") != std::string::npos;
        if (!gone) {
            ::usleep(10000);
        }
    }
    EXPECT_TRUE(gone) << "the background child " << grandchild << " still runs";
}

#endif

} // namespace
} // namespace pellavane
