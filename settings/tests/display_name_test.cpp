#include "settings/display_name.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace pellavane;

TEST(DropTrailingWord, DropsOnlyTheGivenLastWord)
{
    EXPECT_EQ(DropTrailingWord("Quick Disk Tool Software", "Software"), "Quick Disk Tool");
    EXPECT_EQ(DropTrailingWord("Quick Disk Tool software", "Software"), "Quick Disk Tool software");
    EXPECT_EQ(DropTrailingWord("Tool", "Software"), "Tool");
    EXPECT_EQ(DropTrailingWord("Tool", ""), "Tool");
    EXPECT_EQ(DropTrailingWord("Quick Disk Tool", ""), "Quick Disk");
    EXPECT_EQ(DropTrailingWord("Pellavane", "Software"), "Pellavane");
}

TEST(DropTrailingWord, TrimsTheSpacesAroundWhatIsLeft)
{
    EXPECT_EQ(DropTrailingWord(" Quick  Software", "Software"), "Quick");
    // The last space ends the name, so the last "word" is empty and only an empty word matches it.
    EXPECT_EQ(DropTrailingWord("Quick Tool ", ""), "Quick Tool");
    EXPECT_EQ(DropTrailingWord("Quick Tool ", "Tool"), "Quick Tool ");
}

TEST(StripFileNameChars, RemovesExactlyTheListedCharacters)
{
    EXPECT_EQ(StripFileNameChars("My Log (ver 1.2), #3"), "MyLogver123");
    EXPECT_EQ(StripFileNameChars("a_b&c"), "a_b&c");
    EXPECT_EQ(StripFileNameChars("$/\\*:?<>|#' .,\"()-+=%;}{\t"), "");
    EXPECT_EQ(StripFileNameChars("!@^~[]_&09azAZ"), "!@^~[]_&09azAZ");
    EXPECT_EQ(StripFileNameChars("Ünïcødé Log"), "ÜnïcødéLog");
    EXPECT_EQ(StripFileNameChars("line\nbreak"), "line\nbreak");
}

TEST(WindowsLogFilePath, JoinsTempAndTheStrippedName)
{
    EXPECT_EQ(WindowsLogFilePath("C:\\Temp", "Quick Disk Tool Software"), "C:\\Temp\\QuickDiskTool.txt");
    EXPECT_EQ(WindowsLogFilePath(nullptr, "Quick Disk Tool Software"), "\\QuickDiskTool.txt");
    EXPECT_EQ(WindowsLogFilePath("C:\\Temp\\", "Pellavane"), "C:\\Temp\\\\Pellavane.txt");
    EXPECT_EQ(WindowsLogFilePath("", kDisplayName), "\\Pellavane.txt");
}

TEST(PosixLogFilePath, KeepsTheLogInTheStateFolderNotTheTemporaryOne)
{
    EXPECT_EQ(PosixLogFilePath("/home/ann/.state", "/home/ann", "Quick Disk Tool Software"),
              "/home/ann/.state/QuickDiskTool.txt");
    EXPECT_EQ(PosixLogFilePath("/home/ann/.state/", "/home/ann", "Pellavane"),
              "/home/ann/.state/Pellavane.txt");
    EXPECT_EQ(PosixLogFilePath(nullptr, "/home/ann", "Pellavane"), "/home/ann/.local/state/Pellavane.txt");
    EXPECT_EQ(PosixLogFilePath("", "/home/ann", "Pellavane"), "/home/ann/.local/state/Pellavane.txt");
    // Relative values are not to be used as state folders.
    EXPECT_EQ(PosixLogFilePath("state", "/home/ann", "Pellavane"), "/home/ann/.local/state/Pellavane.txt");
}

TEST(PosixLogFilePath, WithoutAnyHomeFallsBackToAnAbsolutePath)
{
    const std::string path = PosixLogFilePath(nullptr, nullptr, "Pellavane");
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), '/');
    EXPECT_TRUE(path.ends_with("/Pellavane.txt")) << path;
}

TEST(DefaultLogFilePath, FollowsTheEnvironment)
{
    const char* state = std::getenv("XDG_STATE_HOME");
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(DefaultLogFilePath(kDisplayName), std::string(state) + "/Pellavane.txt");
}

TEST(ApplicationTitleFor, DropsWordsUntilFortyCharactersOrFewer)
{
    EXPECT_EQ(ApplicationTitleFor("Quick Disk Tool Software"), "Quick Disk Tool");
    EXPECT_EQ(ApplicationTitleFor("Quick Disk Cleanup Utility For Windows Home Software"),
              "Quick Disk Cleanup Utility For Windows");
}

TEST(ApplicationTitleFor, SingleWordNameStaysWhole)
{
    EXPECT_EQ(ApplicationTitleFor("Pellavane"), "Pellavane");
    const std::string longWord(50, 'x');
    EXPECT_EQ(ApplicationTitleFor(longWord), longWord);
    EXPECT_EQ(ApplicationTitleFor(longWord + " Software"), longWord);
}

TEST(ApplicationTitleFor, CountsCharactersNotBytes)
{
    // 38 characters but 76 bytes before the last word: it fits.
    const std::string accented = "ééééééééééééééééééé ééééééééééééééééééé Software";
    EXPECT_EQ(ApplicationTitleFor(accented), "ééééééééééééééééééé ééééééééééééééééééé");
}

TEST(SetApplicationTitle, KeepsTheTitleForTheProcess)
{
    SetApplicationTitle("Quick Disk Tool Software");
    EXPECT_EQ(ApplicationTitle(), "Quick Disk Tool");
    SetApplicationTitle(kDisplayName);
    EXPECT_EQ(ApplicationTitle(), "Pellavane");
}

class EnsureFolderOfTest : public ::testing::Test
{
protected:
    std::filesystem::path m_root = std::filesystem::path(std::getenv("HOME")) / "ensure-folder";
    void SetUp() override { std::filesystem::create_directories(m_root); }
    void TearDown() override { std::filesystem::remove_all(m_root); }
};

TEST_F(EnsureFolderOfTest, CreatesMissingParentsAndNotTheFile)
{
    const std::filesystem::path file = m_root / "a" / "b" / "Pellavane.txt";
    EnsureFolderOf(file.string());
    EXPECT_TRUE(std::filesystem::is_directory(m_root / "a" / "b"));
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_NO_THROW(EnsureFolderOf(file.string()));
    EXPECT_NO_THROW(EnsureFolderOf("Pellavane.txt"));
}

TEST_F(EnsureFolderOfTest, FileInTheWayIsReportedWithTheFolderName)
{
    std::ofstream(m_root / "blocker") << "x";
    const std::string file = (m_root / "blocker" / "state" / "Pellavane.txt").string();
    try {
        EnsureFolderOf(file);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("Cannot create the folder '" + (m_root / "blocker" / "state").string() + "'"),
                  std::string::npos)
            << message;
        EXPECT_NE(message.find(file), std::string::npos) << message;
    }
}
