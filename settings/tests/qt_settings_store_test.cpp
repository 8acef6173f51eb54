#include "settings/qt_settings_store.h"

#include "testsupport/test_files.h"

#include <QSettings>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

using namespace pellavane;

namespace {

using pellavane::testing::ReadFile;
using pellavane::testing::WriteFile;

const std::string kSection = kSettingsSection;

std::filesystem::path ConfigDir()
{
    return std::getenv("XDG_CONFIG_HOME");
}

// Each test keeps its values under an application name of its own, so it starts from no file and
// no test sees what another left behind.
class QtSettingsStoreTest : public ::testing::Test
{
protected:
    std::string m_app = std::string("Test") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::path m_ini = ConfigDir() / (m_app + ".ini");
    QtSettingsStore m_store;

    void SetUp() override { std::filesystem::create_directories(ConfigDir()); }

    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_ini, ignored);
    }
};

} // namespace

TEST_F(QtSettingsStoreTest, EveryKeyRoundTripsValuesWithCharactersTheIniFileEscapes)
{
    const std::string keys[] = {"OftenIndex", "Text1", "StartStopState", "Windows Startup", "Minimized"};
    const std::string values[] = {
        "On",
        "C:\\Temp\\Pellavane.txt",
        "/home/ann/log file.txt",
        "line one\r\nline two\nthree\r",
        "quote \" and 'single'",
        "a=b;c#d",
        "[Pellavane]",
        "@Variant(x)",
        "  blanks around  ",
        "a, b,c",
        "Ünïcødé 中文 😀",
        "tab\there",
        "ends in backslash\\",
        "%20 and %U0041",
    };
    for (const std::string& key : keys) {
        for (const std::string& value : values) {
            SCOPED_TRACE(key + " = " + value);
            m_store.Save(m_app, kSection, key, value);
            EXPECT_EQ(m_store.Read(m_app, kSection, key, "default"), value);
        }
    }
}

TEST_F(QtSettingsStoreTest, ValuesLiveUnderTheSectionOfTheApplicationFile)
{
    m_store.Save(m_app, kSection, "Windows Startup", "On");
    m_store.Save(m_app, "Other", "Windows Startup", "Off");
    const std::string text = ReadFile(m_ini);
    EXPECT_NE(text.find("[Pellavane]"), std::string::npos) << text;
    EXPECT_EQ(m_store.Read(m_app, kSection, "Windows Startup", "x"), "On");
    EXPECT_EQ(m_store.Read(m_app, "Other", "Windows Startup", "x"), "Off");
    EXPECT_EQ(m_store.Read(m_app + "Elsewhere", kSection, "Windows Startup", "x"), "x");
}

TEST_F(QtSettingsStoreTest, MissingValueGivesTheDefaultAndStoredEmptyStringStaysEmpty)
{
    EXPECT_EQ(m_store.Read(m_app, kSection, "Text1", "/state/Pellavane.txt"), "/state/Pellavane.txt");
    m_store.Save(m_app, kSection, "OftenIndex", "3");
    EXPECT_EQ(m_store.Read(m_app, kSection, "Text1", "/state/Pellavane.txt"), "/state/Pellavane.txt");
    m_store.Save(m_app, kSection, "Text1", "");
    EXPECT_EQ(m_store.Read(m_app, kSection, "Text1", "/state/Pellavane.txt"), "");
}

TEST_F(QtSettingsStoreTest, SaveReplacesAndKeepsTheOtherKeys)
{
    m_store.Save(m_app, kSection, "StartStopState", "On");
    m_store.Save(m_app, kSection, "Minimized", "On");
    m_store.Save(m_app, kSection, "StartStopState", "Off");
    m_store.Save(m_app, kSection, "StartStopState", "Off");
    EXPECT_EQ(m_store.Read(m_app, kSection, "StartStopState", "x"), "Off");
    EXPECT_EQ(m_store.Read(m_app, kSection, "Minimized", "x"), "On");
}

TEST_F(QtSettingsStoreTest, SavedValueSurvivesAKillRightAfterSaveReturns)
{
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        char done = 'E';
        try {
            QtSettingsStore store;
            store.Save(m_app, kSection, "Text1", "/home/ann/kept.txt");
            store.Save(m_app, kSection, "OftenIndex", "7");
            done = 'S';
        } catch (...) {
        }
        (void)!write(pipeFds[1], &done, 1);
        for (;;)
            pause();
    }
    close(pipeFds[1]);
    char done = 0;
    const ssize_t got = read(pipeFds[0], &done, 1);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    close(pipeFds[0]);
    ASSERT_EQ(got, 1);
    ASSERT_EQ(done, 'S') << "the child could not save";
    ASSERT_TRUE(WIFSIGNALED(status));

    // This process never opened the file, so what it reads comes from the disk.
    EXPECT_EQ(m_store.Read(m_app, kSection, "Text1", "lost"), "/home/ann/kept.txt");
    EXPECT_EQ(m_store.Read(m_app, kSection, "OftenIndex", "lost"), "7");
    EXPECT_NE(ReadFile(m_ini).find("kept.txt"), std::string::npos);
}

TEST_F(QtSettingsStoreTest, RandomBytesInTheFileGiveDefaults)
{
    std::mt19937 random(20240611);
    for (int round = 0; round < 20; ++round) {
        std::string bytes(static_cast<std::size_t>(random() % 4000), '\0');
        for (char& byte : bytes)
            byte = static_cast<char>(random());
        WriteFile(m_ini, bytes);
        SCOPED_TRACE(round);
        EXPECT_EQ(m_store.Read(m_app, kSection, "StartStopState", "On"), "On");
        EXPECT_EQ(m_store.Read(m_app, kSection, "Windows Startup", "Off"), "Off");
    }
}

TEST_F(QtSettingsStoreTest, FileQtCannotParseKeepsItsReadableValuesOnEveryRead)
{
    // An unterminated section header is what Qt reports as a format error.
    WriteFile(m_ini, "[Pellavane]\nOftenIndex=3\nStartStopState=Off\n[Pella\n\x01\x02=\n");
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        EXPECT_EQ(m_store.Read(m_app, kSection, "OftenIndex", "2"), "3");
        EXPECT_EQ(m_store.Read(m_app, kSection, "StartStopState", "On"), "Off");
        EXPECT_EQ(m_store.Read(m_app, kSection, "Minimized", "Off"), "Off");
    }
}

TEST_F(QtSettingsStoreTest, TruncatedFileKeepsWhatPrecedesTheCut)
{
    m_store.Save(m_app, kSection, "Minimized", "On");
    m_store.Save(m_app, kSection, "OftenIndex", "3");
    m_store.Save(m_app, kSection, "Text1", "/home/ann/a rather long path/log.txt");
    std::string text = ReadFile(m_ini);
    const std::size_t cut = text.find("Text1");
    ASSERT_NE(cut, std::string::npos);
    WriteFile(m_ini, text.substr(0, cut + 3));
    EXPECT_EQ(m_store.Read(m_app, kSection, "Text1", "default"), "default");
    EXPECT_EQ(m_store.Read(m_app, kSection, "StartStopState", "On"), "On");
    ASSERT_LT(text.find("Minimized"), cut) << text;
    EXPECT_EQ(m_store.Read(m_app, kSection, "Minimized", "Off"), "On");
}

TEST_F(QtSettingsStoreTest, FolderInPlaceOfTheFileGivesDefaultsAndSaveFailsWithTheReason)
{
    std::filesystem::create_directories(m_ini);
    EXPECT_EQ(m_store.Read(m_app, kSection, "OftenIndex", "2"), "2");
    try {
        m_store.Save(m_app, kSection, "Text1", "/home/ann/log.txt");
        FAIL() << "Save reported success";
    } catch (const SettingsWriteError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot save setting 'Text1' to '" + m_ini.string() +
                                             "': a folder stands where the file should be");
    }
}

TEST_F(QtSettingsStoreTest, SaveOverAGarbageFileStoresTheValue)
{
    std::mt19937 random(7);
    std::string bytes(3000, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    WriteFile(m_ini, bytes);
    EXPECT_NO_THROW(m_store.Save(m_app, kSection, "Text1", "/home/ann/log.txt"));
    EXPECT_EQ(m_store.Read(m_app, kSection, "Text1", "default"), "/home/ann/log.txt");
}

TEST_F(QtSettingsStoreTest, SaveFailsWhenTheSettingsFolderCannotBeMade)
{
    const std::filesystem::path blocker = ConfigDir() / (m_app + "-blocker");
    WriteFile(blocker, "a file where a folder should be");
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(blocker / "config"));
    EXPECT_THROW(m_store.Save(m_app, kSection, "Minimized", "On"), SettingsWriteError);
    EXPECT_EQ(m_store.Read(m_app, kSection, "Minimized", "Off"), "Off");
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(ConfigDir()));
    std::filesystem::remove(blocker);
}

TEST_F(QtSettingsStoreTest, ValueThatIsNotUtf8IsRefusedRatherThanAltered)
{
    m_store.Save(m_app, kSection, "Text1", "before");
    EXPECT_THROW(m_store.Save(m_app, kSection, "Text1", "/home/ann/\xff\xfe.txt"), SettingsWriteError);
    EXPECT_EQ(m_store.Read(m_app, kSection, "Text1", "default"), "before");
}
