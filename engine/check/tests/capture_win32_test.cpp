#include "engine/check/capture.h"

#include "core/win32_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace pellavane {
namespace {

using namespace std::chrono_literals;

// The helper program is built beside this test program.
std::string HelperPath()
{
    char self[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path(self, length);
    return path.substr(0, path.find_last_of("\\/") + 1) + PELLAVANE_CHILD_HELPER;
}

std::string Helper(const std::string& steps)
{
    return "\"" + HelperPath() + "\" " + steps;
}

std::string Pattern(std::size_t length)
{
    std::string text(length, '\0');
    for (std::size_t i = 0; i < length; ++i) {
        text[i] = (i % 61 == 60) ? '\n' : static_cast<char>('a' + (i % 61) % 26);
    }
    return text;
}

std::vector<DWORD> ProcessIds(const std::string& output)
{
    std::vector<DWORD> ids;
    for (std::size_t at = output.find("pid="); at != std::string::npos; at = output.find("pid=", at + 4)) {
        ids.push_back(static_cast<DWORD>(std::strtoul(output.c_str() + at + 4, nullptr, 10)));
    }
    return ids;
}

/** True when the process has ended within a few seconds (or is already gone). */
bool Ends(DWORD processId)
{
    win32::Handle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
    return !process || ::WaitForSingleObject(process.Get(), 5000) == WAIT_OBJECT_0;
}

std::string TempPath(const std::string& name)
{
    char folder[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + name + "-" + std::to_string(::GetCurrentProcessId());
}

TEST(CaptureWin32, MissingProgramGivesTheFailureTextExactly)
{
    EXPECT_EQ(RunCapturedCommand("pellavane-no-such-program-4711", true, false, true),
              kFailedToCreateProcess);
    EXPECT_EQ(RunCapturedCommand("\"C:\\no such folder\\nothing.exe\" -n 1", true, true, false),
              kFailedToCreateProcess);
}

TEST(CaptureWin32, SilentChildGivesEmptyText)
{
    EXPECT_EQ(RunCapturedCommand(Helper("sleep 0"), true, false, true), "");
}

TEST(CaptureWin32, OutputLongerThanOneChunkComesBackWholeAndInOrder)
{
    EXPECT_EQ(RunCapturedCommand(Helper("pattern 10000"), true, false, false), Pattern(10000));
    EXPECT_EQ(RunCapturedCommand(Helper("pattern 1024 pattern 1025"), true, true, true),
              Pattern(1024) + Pattern(1025));
}

TEST(CaptureWin32, StreamsReachThePipeOnlyWhenCaptured)
{
    const std::string steps = Helper("out OUT1 err ERR1 out OUT2");
    EXPECT_EQ(RunCapturedCommand(steps, true, false, true), "OUT1OUT2");
    EXPECT_EQ(RunCapturedCommand(steps, false, true, true), "ERR1");
    EXPECT_EQ(RunCapturedCommand(steps, true, true, true), "OUT1ERR1OUT2");
}

TEST(CaptureWin32, NeitherStreamRaisesErrorFiveAndStartsNothing)
{
    const std::string marker = TempPath("pellavane-not-started");
    ::DeleteFileA(marker.c_str());
    try {
        RunCapturedCommand(Helper("touch \"" + marker + "\""), false, false, true);
        ADD_FAILURE() << "no error raised";
    } catch (const CaptureArgumentError& error) {
        EXPECT_EQ(error.Number(), 5);
    }
    ::Sleep(200);
    EXPECT_EQ(::GetFileAttributesA(marker.c_str()), INVALID_FILE_ATTRIBUTES);

    // The same step does create the file when the child runs, so its absence above means something.
    RunCapturedCommand(Helper("touch \"" + marker + "\""), true, false, true);
    EXPECT_NE(::GetFileAttributesA(marker.c_str()), INVALID_FILE_ATTRIBUTES);
    ::DeleteFileA(marker.c_str());
}

TEST(CaptureWin32, HangingChildIsStoppedAtTheTimeLimitWithWhatItWrote)
{
    CaptureLimits limits;
    limits.total = 700ms;
    const std::string output =
        RunCapturedCommand(Helper("pid out started hang"), true, false, true, {}, limits);
    EXPECT_NE(output.find("started"), std::string::npos) << output;
    const std::vector<DWORD> ids = ProcessIds(output);
    ASSERT_EQ(ids.size(), 1u) << output;
    EXPECT_TRUE(Ends(ids[0]));
}

TEST(CaptureWin32, ChildThatWritesWithoutEndIsStoppedAtTheOutputLimit)
{
    CaptureLimits limits;
    limits.total = 20s;
    limits.maxBytes = 4096;
    const std::string output =
        RunCapturedCommand(Helper("pattern 100000 hang"), true, false, false, {}, limits);
    EXPECT_EQ(output, Pattern(100000).substr(0, 4096));
}

TEST(CaptureWin32, GrandchildHoldingThePipeIsStoppedToo)
{
    CaptureLimits limits;
    limits.total = 1500ms;
    const std::string output = RunCapturedCommand(Helper("spawn \"pid out grandchild hang\" out child"), true,
                                                  false, true, {}, limits);
    EXPECT_NE(output.find("child"), std::string::npos) << output;
    EXPECT_NE(output.find("grandchild"), std::string::npos) << output;
    const std::vector<DWORD> ids = ProcessIds(output);
    ASSERT_EQ(ids.size(), 1u) << output;
    EXPECT_TRUE(Ends(ids[0]));
}

TEST(CaptureWin32, PumpRunsWhileTheChildIsSilentAndMayCaptureAgain)
{
    int pumps = 0;
    std::string nested;
    const EventPump pump = [&] {
        if (++pumps == 3) {
            // A handler run from the pump may capture too; the outer call must not notice.
            nested = RunCapturedCommand(Helper("out inner"), true, false, true);
        }
    };
    CaptureLimits limits;
    limits.pollSlice = 20ms;
    EXPECT_EQ(RunCapturedCommand(Helper("out before sleep 800 out after"), true, false, true, pump, limits),
              "beforeafter");
    EXPECT_GE(pumps, 5);
    EXPECT_EQ(nested, "inner");
}

TEST(CaptureWin32, ExtremeLimitsStillCaptureEverything)
{
    CaptureLimits limits;
    limits.total = std::chrono::milliseconds::max();
    limits.pollSlice = 0ms;
    int pumps = 0;
    EXPECT_EQ(RunCapturedCommand(
                  Helper("sleep 200 out done"), true, false, true, [&] { ++pumps; }, limits),
              "done");
    EXPECT_GT(pumps, 1);
}

/** How many pipe handles the helper finds it holds when started the plain way, with its standard
 *  output on a pipe of ours whose read end is inheritable only when leakReadEnd. */
int PipeHandlesOfAPlainChild(bool leakReadEnd)
{
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readRaw = nullptr;
    HANDLE writeRaw = nullptr;
    if (!::CreatePipe(&readRaw, &writeRaw, &inheritable, 0)) {
        return -1;
    }
    win32::Handle readEnd(readRaw);
    win32::Handle writeEnd(writeRaw);
    if (!leakReadEnd) {
        ::SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.Get();
    std::string line = Helper("pipes");
    PROCESS_INFORMATION created{};
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                          &created)) {
        return -1;
    }
    win32::Handle process(created.hProcess);
    win32::Handle thread(created.hThread);
    writeEnd.Reset();
    std::string output;
    char buffer[64];
    DWORD read = 0;
    while (::ReadFile(readEnd.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
        output.append(buffer, read);
    }
    return std::atoi(output.c_str());
}

TEST(CaptureWin32, ChildDoesNotInheritTheReadEnd)
{
    const int plain = PipeHandlesOfAPlainChild(false);
    ASSERT_GE(plain, 0);
    // The count does see an inherited read end; without that the comparison below proves nothing.
    ASSERT_EQ(PipeHandlesOfAPlainChild(true), plain + 1);
    EXPECT_EQ(RunCapturedCommand(Helper("pipes"), true, false, true), std::to_string(plain));
}

TEST(CaptureWin32, ConsoleBytesComeBackAsUtf8)
{
    if (::GetOEMCP() != 437 || ::GetACP() != 1252) {
        GTEST_SKIP() << "the expected texts are those of code pages 437 and 1252";
    }
    // 0x82 is e acute in the console's code page and a low quotation mark in the ANSI one.
    EXPECT_EQ(RunCapturedCommand(Helper("bytes 4382"), true, false, true), "C\xC3\xA9");
    EXPECT_EQ(RunCapturedCommand(Helper("bytes 4382"), true, false, false), "C\xE2\x80\x9A");
}

TEST(CaptureWin32, SystemPingOfLoopbackComesThroughHidden)
{
    // Loopback only: the tests never reach out of this machine.
    const std::string output = RunCapturedCommand("ping 127.0.0.1 -n 1", true, false, true);
    ASSERT_NE(output, kFailedToCreateProcess);
    ASSERT_FALSE(output.empty());
    if (output.find("TTL=") == std::string::npos) {
        GTEST_SKIP() << "no echo reply from loopback here:\n" << output;
    }
    EXPECT_NE(output.find("bytes="), std::string::npos) << output;
}

} // namespace
} // namespace pellavane
