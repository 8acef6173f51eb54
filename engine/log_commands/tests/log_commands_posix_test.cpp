// What only a POSIX file system shows the log commands: any byte but '/' in a name, and the kernel's
// own read errors.
#include "engine/log_commands/tests/log_commands_fixture.h"

#include "core/guarded_handler.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace pellavane {
namespace {

using namespace pellavane::testing;

TEST_F(LogCommandsTest, ViewHandsTheExactPathToTheViewerEvenWithBlanksAndShellCharacters)
{
    text1.text = (m_folder.Path() / "my log; $(touch pwned) \"q\" `x`.txt").string();
    WriteLog("line\r\n");
    commands.PushButton1_Click();
    EXPECT_EQ(launcher.viewed, std::vector<std::string>{text1.text});
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(fs::exists(m_folder.Path() / "pwned"));
}

TEST_F(LogCommandsTest, CopyOfAFolderOrAFailingReadKeepsTheClipboardAndReportsPathAndReason)
{
    const struct
    {
        std::string path;
        std::string reason;
    } cases[] = {{m_folder.Path().string(), "Is a directory"}, {"/proc/self/mem", "Input/output error"}};
    for (const auto& c : cases) {
        text1.text = c.path;
        reporter = {};
        commands.PushButton2_Click();
        EXPECT_TRUE(clipboard.texts.empty()) << c.path;
        EXPECT_EQ(reporter.Lines(), std::vector<int>{102});
        EXPECT_EQ(reporter.reports,
                  (std::vector<Report>{{HandlerTag("PushButton2_Click"), 102,
                                        "Cannot read log file '" + c.path + "': " + c.reason}}));
    }
}

} // namespace
} // namespace pellavane
