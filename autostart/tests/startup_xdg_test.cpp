#include "autostart/startup_xdg.h"

#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace pellavane {
namespace {

namespace fs = std::filesystem;

using pellavane::testing::ReadFile;
using pellavane::testing::ScopedEnv;
using pellavane::testing::TempFolder;

/** A private configuration home, so that no test touches the user's autostart folder. */
class XdgStartupTest : public ::testing::Test
{
protected:
    TempFolder m_folder;
    const fs::path root = m_folder.Path();
    ScopedEnv m_home{"HOME", (root / "home").string()};
    ScopedEnv m_configHome{"XDG_CONFIG_HOME", (root / "config").string()};
};

TEST_F(XdgStartupTest, AddWritesDesktopEntryNamedAfterTheProgram)
{
    XdgStartupEntry entry("/usr/bin/pellavane");

    entry.Add();

    const fs::path file = root / "config/autostart/pellavane.desktop";
    EXPECT_EQ(entry.EntryPath(), file.string());
    EXPECT_EQ(ReadFile(file), "[Desktop Entry]\nType=Application\nName=Pellavane\nExec=/usr/bin/pellavane\n");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
}

TEST_F(XdgStartupTest, ThisSystemsEntryIsTheAutostartFileOfTheGivenProgram)
{
    MakeStartupEntry("/opt/pellavane/bin/pellavane")->Add();

    EXPECT_NE(
        ReadFile(root / "config/autostart/pellavane.desktop").find("\nExec=/opt/pellavane/bin/pellavane\n"),
        std::string::npos);
}

TEST_F(XdgStartupTest, PathWithBlanksAndMetacharactersIsQuotedAndEscaped)
{
    const std::string program = root.string() + "/my apps/it's $HOME `x` \"q\" back\\slash 100%/pella vane";
    XdgStartupEntry entry(program);

    entry.Add();

    const std::string text = ReadFile(root / "config/autostart/pella vane.desktop");
    // Exec quoting puts a backslash before " ` $ \, then the string escapes double every backslash.
    const std::string expected = "Exec=\"" + root.string() +
                                 "/my apps/it's \\\\$HOME \\\\`x\\\\` \\\\\"q\\\\\" back\\\\\\\\slash "
                                 "100%%/pella vane\"\n";
    EXPECT_NE(text.find(expected), std::string::npos) << text;
}

TEST(DesktopExecArgumentTest, QuotesOnlyWhenNeededAndAlwaysDoublesPercent)
{
    EXPECT_EQ(DesktopExecArgument("/opt/pellavane/bin/pellavane"), "/opt/pellavane/bin/pellavane");
    EXPECT_EQ(DesktopExecArgument("/opt/50%/pellavane"), "/opt/50%%/pellavane");
    EXPECT_EQ(DesktopExecArgument("/opt/a;b"), "\"/opt/a;b\"");
    EXPECT_EQ(DesktopExecArgument("/opt/a\nb"), "\"/opt/a\\nb\"") << "the value stays on one line";
}

TEST_F(XdgStartupTest, AddReplacesAnEarlierEntryAndLeavesNoTemporaryFile)
{
    const fs::path folder = root / "config/autostart";
    fs::create_directories(folder);
    std::ofstream(folder / "pellavane.desktop") << "[Desktop Entry]\nExec=/old/place/pellavane\n";

    XdgStartupEntry("/new/place/pellavane").Add();

    EXPECT_NE(ReadFile(folder / "pellavane.desktop").find("Exec=/new/place/pellavane\n"), std::string::npos);
    int files = 0;
    for ([[maybe_unused]] const auto& item : fs::directory_iterator(folder)) {
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST_F(XdgStartupTest, RemoveDeletesTheEntryAndAnAbsentOneIsNoError)
{
    XdgStartupEntry entry("/usr/bin/pellavane");
    entry.Add();

    entry.Remove();
    EXPECT_FALSE(fs::exists(root / "config/autostart/pellavane.desktop"));
    EXPECT_NO_THROW(entry.Remove());
}

TEST_F(XdgStartupTest, AddThatCannotWriteThrowsNamingTheEntry)
{
    fs::create_directories(root / "config");
    std::ofstream(root / "config/autostart") << "a file where the folder belongs";

    XdgStartupEntry entry("/usr/bin/pellavane");
    try {
        entry.Add();
        FAIL() << "Add succeeded without a folder to write in";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("autostart/pellavane.desktop"), std::string::npos)
            << error.what();
    }
}

TEST_F(XdgStartupTest, UnsetOrRelativeConfigHomeFallsBackToHomeConfig)
{
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(AutostartFolder(), (root / "home/.config/autostart").string());
    ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
    EXPECT_EQ(AutostartFolder(), (root / "home/.config/autostart").string());
}

TEST(RunningProgramPathTest, NamesThisTestProgram)
{
    EXPECT_EQ(fs::path(RunningProgramPath()).filename(), "autostart_tests");
}

} // namespace
} // namespace pellavane
