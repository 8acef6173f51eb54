#include "engine/capture/capture_many.h"

#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <chrono>

namespace pellavane {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

class RunCapturedCommandsTest : public ::testing::Test
{
protected:
    std::string Script(const std::string& name, const std::string& body)
    {
        return testing::WriteScript(m_folder.File(name), body);
    }
    testing::TempFolder m_folder;
};

TEST_F(RunCapturedCommandsTest, ChildrenRunAtOnceEachWithItsOwnStreamsAndStatus)
{
    // Each child marks that it runs and waits for the other's mark: run one after the other, the
    // first would wait in vain and say so, however loaded the machine.
    const std::string meet =
        "touch \"$0.up\"\nn=0\nuntil [ -e \"$1.up\" ]; do\n"
        "    n=$((n + 1)); [ $n -lt 1000 ] || { echo alone >&2; exit 9; }; sleep 0.01\ndone\n";
    const std::string a = Script("a", meet + "echo out-a\necho err-a >&2\nexit 2\n");
    const std::string b = Script("b", meet + "echo \"$PROBE_WORD\"\n");
    CaptureLimits limits;
    int pumped = 0;
    const auto runs = RunCapturedCommands({a + " " + b, b + " " + a, m_folder.File("missing"), ""},
                                          [&] { ++pumped; }, limits, {"PROBE_WORD=given"});
    ASSERT_EQ(runs.size(), 4U);
    EXPECT_TRUE(runs[0].started);
    EXPECT_EQ(runs[0].output, "out-a\n");
    EXPECT_EQ(runs[0].errors, "err-a\n");
    EXPECT_EQ(runs[0].exitStatus, 2);
    EXPECT_EQ(runs[1].output, "given\n");
    EXPECT_EQ(runs[1].exitStatus, 0);
    EXPECT_FALSE(runs[2].started);
    EXPECT_FALSE(runs[3].started);
    EXPECT_GT(pumped, 0);
}

TEST_F(RunCapturedCommandsTest, EnvironmentOverrideReplacesTheParentsValueOnly)
{
    testing::ScopedEnv lcAll("LC_ALL", "xx_XX.UTF-8");
    testing::ScopedEnv other("PELLAVANE_TEST_KEPT", "kept");
    const std::string script =
        Script("env", "echo \"$LC_ALL $PELLAVANE_TEST_KEPT\"\nenv | grep -c '^LC_ALL='\n");
    EXPECT_EQ(RunCapturedCommands({script}, {}, {}, {"LC_ALL=C"}).at(0).output, "C kept\n1\n");
    EXPECT_EQ(RunCapturedCommands({script}, {}, {}).at(0).output, "xx_XX.UTF-8 kept\n1\n");
}

// An override without "=" names a variable to leave out; every other one is still handed on.
TEST_F(RunCapturedCommandsTest, OverrideWithoutAValueRemovesThatVariableOnly)
{
    testing::ScopedEnv kept("PELLAVANE_TEST_KEPT", "kept");
    testing::ScopedEnv removed("PELLAVANE_TEST_REMOVED", "there");
    const std::string script =
        Script("env", "echo \"${PELLAVANE_TEST_KEPT-unset} ${PELLAVANE_TEST_REMOVED-unset}\"\n"
                      "env | grep -c '^PELLAVANE_TEST_REMOVED'\n");
    const auto runs = RunCapturedCommands({script}, {}, {}, {"PELLAVANE_TEST_REMOVED", "PROBE_WORD=given"});
    ASSERT_EQ(runs.size(), 1U);
    EXPECT_EQ(runs[0].output, "kept unset\n0\n");
}

TEST_F(RunCapturedCommandsTest, ChildPastABoundIsStoppedWithWhatItStarted)
{
    const std::string flag = m_folder.File("survived");
    const std::string hang =
        Script("hang", "echo started\n(sleep 1; touch '" + flag + "') &\nexec sleep 100\n");
    const std::string flood = Script("flood", "exec yes\n");
    const std::string quick = Script("quick", "echo done\n");
    CaptureLimits limits;
    limits.total = milliseconds{400};
    limits.pollSlice = milliseconds{10};
    limits.maxBytes = 10000;
    const auto started = steady_clock::now();
    const auto runs = RunCapturedCommands({hang, flood, quick}, {}, limits);
    EXPECT_LT(steady_clock::now() - started, milliseconds{900});
    ASSERT_EQ(runs.size(), 3U);
    EXPECT_EQ(runs[0].output, "started\n");
    EXPECT_EQ(runs[0].exitStatus, std::nullopt);
    EXPECT_EQ(runs[1].output.size(), 10000U);
    EXPECT_EQ(runs[1].exitStatus, std::nullopt);
    EXPECT_EQ(runs[2].output, "done\n");
    EXPECT_EQ(runs[2].exitStatus, 0);
    std::this_thread::sleep_for(milliseconds{1200});
    EXPECT_FALSE(std::filesystem::exists(flag)) << "the grandchild outlived the bound";
}

} // namespace
} // namespace pellavane
