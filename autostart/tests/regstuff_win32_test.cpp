#include "autostart/regstuff_win32.h"

#include "autostart/startup_win32.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pellavane {
namespace {

struct StoredValue
{
    DWORD type = 0;
    std::vector<BYTE> data;
};

class OpenKey
{
public:
    OpenKey(HKEY root, const std::wstring& path)
    {
        EXPECT_EQ(::RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                    nullptr, &m_key, nullptr),
                  ERROR_SUCCESS);
    }
    ~OpenKey()
    {
        if (m_key != nullptr) {
            ::RegCloseKey(m_key);
        }
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

std::optional<StoredValue> ReadValue(HKEY root, const std::string& subKey, const std::string& name)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, win32::Utf8ToWide(subKey).c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    StoredValue value;
    DWORD size = 0;
    const std::wstring wideName = win32::Utf8ToWide(name);
    LONG status = ::RegQueryValueExW(key, wideName.c_str(), nullptr, &value.type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        value.data.resize(size);
        status = ::RegQueryValueExW(key, wideName.c_str(), nullptr, &value.type, value.data.data(), &size);
    }
    ::RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

std::wstring AsText(const StoredValue& value)
{
    std::wstring text(value.data.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), value.data.data(), text.size() * sizeof(wchar_t));
    return text;
}

/** Two roots of the test's own under HKEY_CURRENT_USER, standing in for the machine's and the user's;
 *  the real Run keys are never touched. */
class RegistryTest : public ::testing::Test
{
protected:
    RegistryTest()
        : base(L"Software\\PellavaneTests\\" + std::to_wstring(::GetCurrentProcessId())),
          machine(HKEY_CURRENT_USER, base + L"\\machine"), user(HKEY_CURRENT_USER, base + L"\\user")
    {
        where.machineRoot = machine.Get();
        where.userRoot = user.Get();
        where.subKey = "RUN\\";
    }
    ~RegistryTest() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, base.c_str()); }

    std::wstring base;
    OpenKey machine;
    OpenKey user;
    RunKeyLocation where;
};

TEST_F(RegistryTest, WriteTypedValueWritesTextAsUtf16WithItsNul)
{
    const std::string path = "C:\\Pr\xC3\xB3gram Files\\pellavane.exe"; // ó
    ASSERT_EQ(RegStuff::WriteTypedValue(machine.Get(), "text", REG_SZ, path), ERROR_SUCCESS);
    ASSERT_EQ(RegStuff::WriteTypedValue(machine.Get(), "number as text", REG_SZ, std::int32_t{-12}),
              ERROR_SUCCESS);

    const auto text = ReadValue(machine.Get(), "", "text");
    ASSERT_TRUE(text);
    EXPECT_EQ(text->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(text->data.size(), (path.size() - 1 + 1) * sizeof(wchar_t)) << "one UTF-16 unit per character";
    EXPECT_EQ(AsText(*text), win32::Utf8ToWide(path) + L'\0');
    EXPECT_EQ(AsText(*ReadValue(machine.Get(), "", "number as text")), std::wstring(L"-12") + L'\0');
}

TEST_F(RegistryTest, WriteTypedValueWritesDwordAsFourBytesAndRejectsText)
{
    ASSERT_EQ(RegStuff::WriteTypedValue(machine.Get(), "n", REG_DWORD, std::int32_t{-2}), ERROR_SUCCESS);
    ASSERT_EQ(RegStuff::WriteTypedValue(machine.Get(), "t", REG_DWORD, std::string("42")), ERROR_SUCCESS);

    const auto n = ReadValue(machine.Get(), "", "n");
    ASSERT_TRUE(n);
    EXPECT_EQ(n->type, static_cast<DWORD>(REG_DWORD));
    ASSERT_EQ(n->data.size(), 4U);
    std::int32_t number = 0;
    std::memcpy(&number, n->data.data(), 4);
    EXPECT_EQ(number, -2);
    std::memcpy(&number, ReadValue(machine.Get(), "", "t")->data.data(), 4);
    EXPECT_EQ(number, 42);

    EXPECT_THROW(RegStuff::WriteTypedValue(machine.Get(), "bad", REG_DWORD, std::string("4x")),
                 std::invalid_argument);
    EXPECT_THROW(RegStuff::WriteTypedValue(machine.Get(), "big", REG_DWORD, std::string("2147483648")),
                 std::invalid_argument);
}

TEST_F(RegistryTest, OtherTypesWriteNothingAndGiveZero)
{
    EXPECT_EQ(RegStuff::WriteTypedValue(machine.Get(), "binary", REG_BINARY, std::string("x")), 0);
    EXPECT_EQ(RegStuff::WriteTypedValue(machine.Get(), "expand", REG_EXPAND_SZ, std::string("%x%")), 0);
    EXPECT_FALSE(ReadValue(machine.Get(), "", "binary"));
    EXPECT_FALSE(ReadValue(machine.Get(), "", "expand"));
}

TEST_F(RegistryTest, SetKeyValueDoesNotCreateAMissingKeyAndDeleteOfAbsentValueIsHarmless)
{
    EXPECT_NE(RegStuff::SetKeyValue(machine.Get(), "RUN\\", "x.exe", std::string("x"), REG_SZ),
              ERROR_SUCCESS);
    EXPECT_FALSE(ReadValue(machine.Get(), "RUN\\", "x.exe"));

    OpenKey run(machine.Get(), L"RUN");
    EXPECT_EQ(RegStuff::SetKeyValue(machine.Get(), "RUN\\", "x.exe", std::string("x"), REG_SZ),
              ERROR_SUCCESS);
    EXPECT_EQ(RegStuff::DeleteKeyValue(machine.Get(), "RUN\\", "x.exe"), ERROR_SUCCESS);
    EXPECT_EQ(RegStuff::DeleteKeyValue(machine.Get(), "RUN\\", "x.exe"), ERROR_FILE_NOT_FOUND);
}

TEST(RunValueDataTest, JoinsWithOneBackslashAndQuotesThePath)
{
    EXPECT_EQ(RegStuff::RunValueData("C:\\Program Files\\Pellavane", "pellavane.exe"),
              "\"C:\\Program Files\\Pellavane\\pellavane.exe\"");
    EXPECT_EQ(RegStuff::RunValueData("C:\\", "pellavane.exe"), "\"C:\\pellavane.exe\"");
    EXPECT_EQ(RegStuff::RunValueData("C:", "pellavane.exe"), "\"C:\\pellavane.exe\"");
}

TEST_F(RegistryTest, WriteRunValuePrefersTheMachineKey)
{
    OpenKey run(machine.Get(), L"RUN");

    RegStuff::WriteRunValue("pellavane.exe", "C:\\P", where);
    RegStuff::WriteRunValue("pellavane.exe", "C:\\P", where); // rewriting the same value is fine

    const auto value = ReadValue(machine.Get(), "RUN\\", "pellavane.exe");
    ASSERT_TRUE(value);
    EXPECT_EQ(AsText(*value), std::wstring(L"\"C:\\P\\pellavane.exe\"") + L'\0');
    EXPECT_FALSE(ReadValue(user.Get(), "RUN\\", "pellavane.exe"));
}

TEST_F(RegistryTest, WriteRunValueFallsBackToTheUserKeyAndDeleteClearsBoth)
{
    RegStuff::WriteRunValue("pellavane.exe", "C:\\P", where);

    EXPECT_FALSE(ReadValue(machine.Get(), "RUN\\", "pellavane.exe"));
    ASSERT_TRUE(ReadValue(user.Get(), "RUN\\", "pellavane.exe"));

    OpenKey run(machine.Get(), L"RUN");
    RegStuff::WriteRunValue("pellavane.exe", "C:\\P", where);
    RegStuff::DeleteRunValue("pellavane.exe", where);
    EXPECT_FALSE(ReadValue(machine.Get(), "RUN\\", "pellavane.exe"));
    EXPECT_FALSE(ReadValue(user.Get(), "RUN\\", "pellavane.exe"));
    EXPECT_NO_THROW(RegStuff::DeleteRunValue("pellavane.exe", where));
}

TEST_F(RegistryTest, WriteRunValueThrowsWhenNeitherKeyCanBeWritten)
{
    where.userRoot = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x7FFFFFF0));

    try {
        RegStuff::WriteRunValue("pellavane.exe", "C:\\P", where);
        FAIL() << "reported success without an entry";
    } catch (const std::runtime_error& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find("machine-wide Run key"), std::string::npos) << message;
        EXPECT_NE(message.find("user's Run key"), std::string::npos) << message;
    }
}

TEST_F(RegistryTest, StartupEntryNamesTheRunningProgramItself)
{
    const std::string program = mStartUp::ProgramPath();
    const std::string fileName = program.substr(program.find_last_of('\\') + 1);
    ASSERT_EQ(fileName, "autostart_win32_tests.exe");

    WindowsStartupEntry entry(where);
    entry.Add();
    const auto value = ReadValue(user.Get(), "RUN\\", fileName);
    ASSERT_TRUE(value);
    EXPECT_EQ(AsText(*value), win32::Utf8ToWide("\"" + program + "\"") + L'\0');

    entry.Remove();
    EXPECT_FALSE(ReadValue(user.Get(), "RUN\\", fileName));
}

} // namespace
} // namespace pellavane
