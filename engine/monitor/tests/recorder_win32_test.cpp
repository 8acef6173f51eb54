#include "engine/monitor/recorder.h"

#include "core/win32_support.h"
#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace pellavane {
namespace {

using pellavane::testing::LocalTime;

std::string ReadAll(const std::wstring& path)
{
    win32::Handle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (file && ::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
        text.append(buffer, read);
    }
    return text;
}

bool Exists(const std::string& path)
{
    return ::GetFileAttributesW(win32::Utf8ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool UnderWine()
{
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

class LogFileWin32 : public ::testing::Test
{
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        m_folder = std::wstring(temp) + L"pellavane-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                   win32::Utf8ToWide(test->name());
        ASSERT_TRUE(::CreateDirectoryW(m_folder.c_str(), nullptr) ||
                    ::GetLastError() == ERROR_ALREADY_EXISTS);
    }
    void TearDown() override
    {
        for (const std::wstring& name : m_made) {
            const std::wstring path = m_folder + L"\\" + name;
            ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW(path.c_str());
        }
        ::RemoveDirectoryW(m_folder.c_str());
    }
    std::string In(const std::wstring& name)
    {
        m_made.push_back(name);
        return win32::WideToUtf8(m_folder + L"\\" + name);
    }
    std::string Folder() const { return win32::WideToUtf8(m_folder); }

    std::wstring m_folder;
    std::vector<std::wstring> m_made;
};

void ExpectFailureNaming(const std::string& path, const std::function<void()>& append)
{
    try {
        append();
        ADD_FAILURE() << "no error for '" << path << "'";
    } catch (const LogWriteError& error) {
        const std::string message = error.what();
        const std::string start = "Cannot write to log file '" + path + "': ";
        ASSERT_EQ(message.rfind(start, 0), 0u) << message;
        const std::string reason = message.substr(start.size());
        EXPECT_FALSE(reason.empty());
        EXPECT_EQ(reason.find_first_of("\r\n"), std::string::npos) << message;
        EXPECT_EQ(reason.find("System error"), std::string::npos) << message;
    }
}

TEST_F(LogFileWin32, FirstAppendCreatesTheFileAndEveryLineEndsInCrLf)
{
    const std::string path = In(L"log.txt");
    AppendLogLine(path, "12/7/2026 4:45:17 AM Internet Connection Status: Connected");
    AppendLogLine(path, "second");
    AppendLogLine(path, "second");
    EXPECT_EQ(ReadAll(win32::Utf8ToWide(path)),
              "12/7/2026 4:45:17 AM Internet Connection Status: Connected\r\nsecond\r\nsecond\r\n");
}

TEST_F(LogFileWin32, AppendsAfterWhatIsThereWhileAnotherProgramReadsIt)
{
    const std::string path = In(L"log.txt");
    AppendLogLine(path, "old");
    win32::Handle reader(::CreateFileW(win32::Utf8ToWide(path).c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(reader);
    AppendLogLine(path, "new");
    EXPECT_EQ(ReadAll(win32::Utf8ToWide(path)), "old\r\nnew\r\n");
}

TEST_F(LogFileWin32, PathIsTakenAsUtf8)
{
    const std::wstring name = L"\x0436\x0443\x0440\x043D\x0430\x043B \x00E9t\x00E9.txt";
    const std::string path = In(name);
    AppendLogLine(path, "line");
    EXPECT_EQ(ReadAll(m_folder + L"\\" + name), "line\r\n");
}

TEST_F(LogFileWin32, UnusablePathsRaiseAnErrorNamingPathAndReason)
{
    ExpectFailureNaming("", [] { AppendLogLine("", "line"); });

    const std::string missing = Folder() + "\\no such folder\\log.txt";
    ExpectFailureNaming(missing, [&] { AppendLogLine(missing, "line"); });
    EXPECT_FALSE(Exists(missing));

    ExpectFailureNaming(Folder(), [&] { AppendLogLine(Folder(), "line"); });
}

TEST_F(LogFileWin32, FileHeldExclusivelyRaisesAndStaysAsItWas)
{
    const std::string path = In(L"kept.txt");
    AppendLogLine(path, "kept");
    {
        win32::Handle holder(::CreateFileW(win32::Utf8ToWide(path).c_str(), GENERIC_READ, 0, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(holder);
        ExpectFailureNaming(path, [&] { AppendLogLine(path, "lost"); });
    }
    EXPECT_EQ(ReadAll(win32::Utf8ToWide(path)), "kept\r\n");
}

TEST(LogFileWin32Device, FullDiskRaisesAnErrorNamingPathAndReason)
{
    if (!UnderWine()) {
        GTEST_SKIP() << "needs the host's /dev/full, reached through Wine's drive Z:";
    }
    const std::string path = "Z:\\dev\\full";
    ExpectFailureNaming(path, [&] { AppendLogLine(path, "line"); });
}

/** Sets the user's short date picture for one test and puts the old one back. Only in Wine's
 *  private prefix: on a real Windows this would be the real user's setting. */
class ShortDatePicture
{
public:
    explicit ShortDatePicture(const wchar_t* picture)
    {
        ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, m_old, static_cast<int>(std::size(m_old)));
        m_set = ::SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, picture) != FALSE;
    }
    ShortDatePicture(const ShortDatePicture&) = delete;
    ShortDatePicture& operator=(const ShortDatePicture&) = delete;
    ~ShortDatePicture()
    {
        if (m_set) {
            ::SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, m_old);
        }
    }
    bool Set() const { return m_set; }

private:
    wchar_t m_old[128] = {};
    bool m_set = false;
};

TEST(DateTimeTextWin32, MidnightGivesTheDateAloneAndOtherTimesAddTheTime)
{
    const std::string midnight = DateTimeText(LocalTime(2026, 12, 7, 0, 0, 0));
    EXPECT_NE(midnight.find("2026"), std::string::npos) << midnight;
    EXPECT_EQ(midnight.find(' '), std::string::npos) << midnight;

    const std::string morning = DateTimeText(LocalTime(2026, 12, 7, 4, 45, 17));
    EXPECT_EQ(morning.rfind(midnight + " ", 0), 0u) << morning;
    EXPECT_NE(morning.find("45"), std::string::npos) << morning;
    EXPECT_NE(morning.find("17"), std::string::npos) << morning;

    const std::string secondPastMidnight = DateTimeText(LocalTime(2026, 12, 7, 0, 0, 1));
    EXPECT_EQ(secondPastMidnight.rfind(midnight + " ", 0), 0u) << secondPastMidnight;
}

TEST(DateTimeTextWin32, UsEnglishReadsAsTheSystemShowsIt)
{
    if (::GetUserDefaultLCID() != MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT)) {
        GTEST_SKIP() << "the user's locale is not US English";
    }
    EXPECT_EQ(DateTimeText(LocalTime(2026, 12, 7, 4, 45, 17)), "12/7/2026 4:45:17 AM");
    EXPECT_EQ(DateTimeText(LocalTime(2026, 12, 7, 16, 5, 9)), "12/7/2026 4:05:09 PM");
}

TEST(DateTimeTextWin32, TwoDigitYearPictureStillGivesTheYearInFull)
{
    if (!UnderWine()) {
        GTEST_SKIP() << "changes the user's date settings; run only in Wine's private prefix";
    }
    {
        const ShortDatePicture picture(L"dd.MM.yy");
        ASSERT_TRUE(picture.Set());
        EXPECT_EQ(DateTimeText(LocalTime(2026, 12, 7, 0, 0, 0)), "07.12.2026");
    }
    {
        const ShortDatePicture picture(L"d 'yy' M y");
        ASSERT_TRUE(picture.Set());
        EXPECT_EQ(DateTimeText(LocalTime(2026, 3, 4, 0, 0, 0)), "4 yy 3 2026");
    }
}

} // namespace
} // namespace pellavane
