#include "engine/capture/capture_many.h"

#include "core/win32_support.h"
#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

namespace pellavane {
namespace {

using std::chrono::milliseconds;

std::string Helper(const std::string& steps)
{
    char self[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string path(self, length);
    return "\"" + path.substr(0, path.find_last_of("\\/") + 1) + PELLAVANE_CHILD_HELPER + "\" " + steps;
}

bool Ends(DWORD processId)
{
    win32::Handle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
    return !process || ::WaitForSingleObject(process.Get(), 5000) == WAIT_OBJECT_0;
}

TEST(RunCapturedCommandsWin32, ChildrenRunAtOnceEachWithItsOwnStreamsAndStatus)
{
    // Each child marks that it runs and waits for the other's mark: run one after the other, the
    // first would wait in vain and say so, however loaded the machine.
    const testing::TempFolder folder;
    const std::string a = folder.File("a.up");
    const std::string b = folder.File("b.up");
    const auto runs = RunCapturedCommands(
        {Helper("touch \"" + a + "\" await \"" + b + "\" out out-a err err-a exit 2"),
         Helper("touch \"" + b + "\" await \"" + a + "\" env PROBE_WORD"), "no-such-program-here.exe", ""},
        {}, CaptureLimits{}, {"PROBE_WORD=given"});
    ASSERT_EQ(runs.size(), 4U);
    EXPECT_EQ(runs[0].output, "out-a");
    EXPECT_EQ(runs[0].errors, "err-a");
    EXPECT_EQ(runs[0].exitStatus, 2);
    EXPECT_EQ(runs[1].output, "given");
    EXPECT_EQ(runs[1].exitStatus, 0);
    EXPECT_FALSE(runs[2].started);
    EXPECT_FALSE(runs[3].started);
}

// An override without "=" names a variable to leave out; every other one is still handed on.
TEST(RunCapturedCommandsWin32, OverrideWithoutAValueRemovesThatVariableOnly)
{
    testing::ScopedEnv kept("PELLAVANE_TEST_KEPT", "kept");
    testing::ScopedEnv removed("PELLAVANE_TEST_REMOVED", "there");
    const auto runs =
        RunCapturedCommands({Helper("env PELLAVANE_TEST_KEPT out / env PELLAVANE_TEST_REMOVED out /")}, {},
                            CaptureLimits{}, {"pellavane_test_removed"});
    ASSERT_EQ(runs.size(), 1U);
    EXPECT_EQ(runs[0].output, "kept//");
}

TEST(RunCapturedCommandsWin32, ChildPastTheBoundIsStoppedWithWhatItStarted)
{
    CaptureLimits limits;
    limits.total = milliseconds{500};
    limits.pollSlice = milliseconds{20};
    const auto runs =
        RunCapturedCommands({Helper("pid spawn \"pid hang\" hang"), Helper("out done")}, {}, limits);
    ASSERT_EQ(runs.size(), 2U);
    EXPECT_EQ(runs[0].exitStatus, std::nullopt);
    EXPECT_EQ(runs[1].output, "done");
    for (std::size_t at = runs[0].output.find("pid="); at != std::string::npos;
         at = runs[0].output.find("pid=", at + 4)) {
        EXPECT_TRUE(Ends(static_cast<DWORD>(std::strtoul(runs[0].output.c_str() + at + 4, nullptr, 10))));
    }
}

} // namespace
} // namespace pellavane
