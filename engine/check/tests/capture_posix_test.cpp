#include "engine/check/capture.h"

#include "testsupport/forked_child.h"
#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pellavane {
namespace {

using namespace pellavane::testing;
using namespace std::chrono_literals;

constexpr CaptureLimits kShortLimits{std::chrono::milliseconds{1000}, std::chrono::milliseconds{20}};

pid_t ReadPid(const std::string& path)
{
    for (int i = 0; i < 200; ++i) {
        const std::string text = ReadFile(path);
        if (!text.empty() && text.back() == '\n') {
            return static_cast<pid_t>(std::stol(text));
        }
        std::this_thread::sleep_for(10ms);
    }
    throw std::runtime_error("no pid in " + path);
}

bool Exists(pid_t pid)
{
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

// A killed grandchild is reaped by whoever adopted it, which may take a moment or, in a container
// whose first process reaps nothing, never: a zombie has stopped running all the same.
bool StoppedRunning(pid_t pid)
{
    for (int i = 0; i < 500; ++i) {
        if (!Exists(pid)) {
            return true;
        }
        const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
        const auto close = stat.rfind(')');
        if (close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z') {
            return true;
        }
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

class Capture : public ::testing::Test
{
protected:
    std::string Script(const std::string& name, const std::string& body)
    {
        return WriteScript(m_folder.File(name), body);
    }
    std::string File(const std::string& name) const { return m_folder.File(name); }

    TempFolder m_folder;
};

TEST_F(Capture, ProgramThatCannotBeStartedGivesTheFixedText)
{
    const std::string notExecutable = File("plain.txt");
    WriteFile(notExecutable, "echo never\n");
    for (const std::string& commandLine :
         {File("missing-program"), std::string("pellavane-no-such-program --flag"), notExecutable,
          std::string("  ")}) {
        EXPECT_EQ(RunCapturedCommand(commandLine, true, true, true), kFailedToCreateProcess) << commandLine;
    }
}

TEST_F(Capture, NoDescriptorsLeftForThePipeGivesEmptyTextAndStartsNothing)
{
    const std::string marker = File("started");
    const std::string script = Script("touch.sh", "echo yes > '" + marker + "'\necho ran\n");
    const int status = RunInChild([&] {
        // Fill every free number below the highest open one, then allow no more: the pipe cannot
        // get its two descriptors.
        int highest = 0;
        for (int fd = 0; fd < 1024; ++fd) {
            if (::fcntl(fd, F_GETFD) >= 0) {
                highest = fd;
            }
        }
        int opened = -1;
        while ((opened = ::open("/dev/null", O_RDONLY)) >= 0 && opened < highest) {
        }
        const auto count = static_cast<rlim_t>(std::max(highest, opened) + 1);
        const rlimit limit{count, count};
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) {
            return 3;
        }
        return RunCapturedCommand(script + " out", true, true, true).empty() ? 0 : 1;
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(std::filesystem::exists(marker));
}

TEST_F(Capture, SilentCommandGivesEmptyText)
{
    EXPECT_EQ(RunCapturedCommand(Script("silent.sh", "exit 3\n"), true, false, true), "");
}

TEST_F(Capture, OutputLongerThanOneChunkComesBackWholeAndInOrder)
{
    const std::string script = Script(
        "flood.sh", "i=0\nwhile [ $i -lt 3000 ]; do echo \"line $i of the flood\"; i=$((i+1)); done\n");
    std::string expected;
    for (int i = 0; i < 3000; ++i) {
        expected += "line " + std::to_string(i) + " of the flood\n";
    }
    ASSERT_GT(expected.size(), 40u * 1024u);
    EXPECT_EQ(RunCapturedCommand(script, true, false, true), expected);
}

TEST_F(Capture, StreamsReachTheResultOnlyWhenCaptured)
{
    const std::string script = Script("both.sh", "echo out\necho err >&2\necho out2\n");
    EXPECT_EQ(RunCapturedCommand(script, true, false, true), "out\nout2\n");
    EXPECT_EQ(RunCapturedCommand(script, false, true, true), "err\n");
    EXPECT_EQ(RunCapturedCommand(script, true, true, false), "out\nerr\nout2\n");
}

TEST_F(Capture, NeitherStreamRaisesErrorFiveAndStartsNothing)
{
    const std::string marker = File("started");
    const std::string script = Script("touch.sh", "echo yes > '" + marker + "'\n");
    int pumped = 0;
    try {
        RunCapturedCommand(script, false, false, true, [&] { ++pumped; });
        FAIL() << "no error raised";
    } catch (const CaptureArgumentError& e) {
        EXPECT_EQ(e.Number(), 5);
    }
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(std::filesystem::exists(marker));
    EXPECT_EQ(pumped, 0);
}

TEST_F(Capture, ArgumentsFollowTheQuotingRulesAndNoShellIsInvolved)
{
    const std::string script = Script("args.sh", "for a in \"$@\"; do echo \"[$a]\"; done\n");
    EXPECT_EQ(
        RunCapturedCommand(script + " \"two words\" say\\\"what $HOME ; echo `id` *", true, false, true),
        "[two words]\n[say\"what]\n[$HOME]\n[;]\n[echo]\n[`id`]\n[*]\n");
}

TEST_F(Capture, ChildGetsNullInputAndNoCopyOfTheReadEnd)
{
    if (!std::filesystem::exists("/proc/self/fd")) {
        GTEST_SKIP() << "needs /proc to list the child's descriptors";
    }
    // Both ends of a pipe show the same pipe:[inode], so any descriptor besides 1 naming the
    // pipe of standard output is an inherited end.
    const std::string script =
        Script("fds.sh", "out=$(readlink /proc/$$/fd/1)\n"
                         "echo \"in $(readlink /proc/$$/fd/0)\"\n"
                         "echo \"out ${out%%:*}\"\n"
                         "for f in /proc/$$/fd/*; do\n"
                         "  [ \"${f##*/}\" = 1 ] && continue\n"
                         "  [ \"$(readlink $f)\" = \"$out\" ] && echo \"leaked ${f##*/}\"\n"
                         "done\n"
                         "echo checked\n");
    EXPECT_EQ(RunCapturedCommand(script, true, false, true), "in /dev/null\nout pipe\nchecked\n");
}

// However the child ends or is ended, nothing of it is left: a zombie would still answer kill(pid, 0).
TEST_F(Capture, ChildIsReapedWhetherItEndsOrIsKilledAtTheLimit)
{
    const struct
    {
        const char* name;
        std::string body;
        bool captureErrors;
        CaptureLimits limits;
        std::string output;
    } cases[] = {
        {"hangs", "echo started\nexec sleep 100\n", false, kShortLimits, "started\n"},
        {"closes its output and runs on", "echo bye\nexec >&- 2>&-\nexec sleep 100\n", true, kShortLimits,
         "bye\n"},
        {"ends by itself", "echo hi\n", false, {}, "hi\n"},
    };
    int number = 0;
    for (const auto& c : cases) {
        const std::string child = "child" + std::to_string(++number);
        const std::string pidFile = File(child + ".pid");
        const std::string script = Script(child + ".sh", "echo $$ > '" + pidFile + "'\n" + c.body);
        EXPECT_EQ(RunCapturedCommand(script, true, c.captureErrors, true, {}, c.limits), c.output) << c.name;
        EXPECT_FALSE(Exists(ReadPid(pidFile))) << c.name;
    }
}

TEST_F(Capture, GrandchildHoldingThePipeIsBoundedByTheSameLimit)
{
    const std::string pidFile = File("grandchild");
    const std::string script =
        Script("fork.sh", "sleep 100 &\necho $! > '" + pidFile + "'\necho parent done\nexit 0\n");
    EXPECT_EQ(RunCapturedCommand(script, true, false, true, {}, kShortLimits), "parent done\n");
    EXPECT_TRUE(StoppedRunning(ReadPid(pidFile)));
}

TEST_F(Capture, PumpRunsBeforeReadingAndWhileWaitingForASlowChild)
{
    int quick = 0;
    RunCapturedCommand(Script("fast.sh", "echo x\n"), true, false, true, [&] { ++quick; });
    EXPECT_GE(quick, 1);

    int slow = 0;
    const std::string result =
        RunCapturedCommand(Script("slow.sh", "sleep 1\necho late\n"), true, false, true, [&] { ++slow; },
                           {std::chrono::milliseconds{10000}, 20ms});
    EXPECT_EQ(result, "late\n");
    // A second of waiting in 20 ms slices: far more than the handful of reads.
    EXPECT_GE(slow, 10);
}

// A pump held past the time bound (a modal box left open) must not lose what the child wrote
// meanwhile; a child still running then is stopped at once.
TEST_F(Capture, PumpHeldPastTheLimitKeepsWhatTheChildWroteAndStopsOneStillRunning)
{
    const std::string pidFile = File("pid");
    const struct
    {
        std::string script;
        std::string expected;
    } cases[] = {
        {Script("answered.sh", "echo $$ > '" + pidFile + "'\necho reply\n"), "reply\n"},
        {Script("running.sh", "echo $$ > '" + pidFile + "'\necho started\nexec sleep 100\n"), "started\n"},
    };
    for (const auto& c : cases) {
        int calls = 0;
        const auto holdOnce = [&] {
            if (calls++ == 0) {
                std::this_thread::sleep_for(1s);
            }
        };
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(RunCapturedCommand(c.script, true, false, true, holdOnce, {200ms, 20ms}), c.expected);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 3s) << c.script;
        EXPECT_FALSE(Exists(ReadPid(pidFile))) << c.script;
        ::unlink(pidFile.c_str());
    }
}

TEST_F(Capture, FailingPumpStopsTheCaptureAndStillReapsTheChild)
{
    const std::string pidFile = File("pid");
    const std::string script = Script("wait.sh", "echo $$ > '" + pidFile + "'\nexec sleep 100\n");
    int calls = 0;
    const auto pump = [&] {
        if (++calls == 20) {
            throw std::runtime_error("window closed");
        }
    };
    EXPECT_THROW(
        RunCapturedCommand(script, true, false, true, pump, {std::chrono::milliseconds{10000}, 20ms}),
        std::runtime_error);
    EXPECT_FALSE(Exists(ReadPid(pidFile)));
}

TEST_F(Capture, BytesThatAreNotUtf8AreReplacedAndValidTextKept)
{
    const std::string script = Script("bytes.sh", "printf 'Z\\303\\274rich a\\377b \\342\\202 c\\n'\n");
    EXPECT_EQ(RunCapturedCommand(script, true, false, true), "Z\xC3\xBCrich a\xEF\xBF\xBD"
                                                             "b \xEF\xBF\xBD c\n");
}

} // namespace
} // namespace pellavane
