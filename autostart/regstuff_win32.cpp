#include "autostart/regstuff_win32.h"

#include "core/win32_support.h"

#include <charconv>
#include <stdexcept>
#include <system_error>

namespace pellavane {
namespace {

/** An open registry key, closed when it goes out of scope. */
class RegKey
{
public:
    RegKey() = default;
    ~RegKey()
    {
        if (m_key != nullptr) {
            ::RegCloseKey(m_key);
        }
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    HKEY* Out() noexcept { return &m_key; }
    HKEY Get() const noexcept { return m_key; }

private:
    HKEY m_key = nullptr;
};

std::int32_t ParseDword(const std::string& text)
{
    std::int32_t number = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') {
        ++first;
    }
    const auto [end, error] = std::from_chars(first, last, number);
    if (first == last || error != std::errc() || end != last) {
        throw std::invalid_argument("The registry number '" + text + "' is not a 32-bit whole number.");
    }
    return number;
}

std::string DescribeStatus(LONG status)
{
    return "error " + std::to_string(status) + ": " + win32::SystemMessage(static_cast<DWORD>(status));
}

} // namespace

namespace RegStuff {

LONG WriteTypedValue(HKEY key, const std::string& valueName, DWORD type, const RegValue& value)
{
    const std::wstring name = win32::Utf8ToWide(valueName);
    if (type == REG_SZ) {
        const std::string text = std::holds_alternative<std::string>(value)
                                     ? std::get<std::string>(value)
                                     : std::to_string(std::get<std::int32_t>(value));
        const std::wstring wide = win32::Utf8ToWide(text);
        const auto bytes = static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t));
        return ::RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                                bytes);
    }
    if (type == REG_DWORD) {
        const std::int32_t number = std::holds_alternative<std::int32_t>(value)
                                        ? std::get<std::int32_t>(value)
                                        : ParseDword(std::get<std::string>(value));
        return ::RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                sizeof number);
    }
    return ERROR_SUCCESS;
}

LONG SetKeyValue(HKEY root, const std::string& subKey, const std::string& valueName, const RegValue& value,
                 DWORD type, bool create)
{
    RegKey key;
    const std::wstring path = win32::Utf8ToWide(subKey);
    const LONG opened = create ? ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                   kRunKeyAccess, nullptr, key.Out(), nullptr)
                               : ::RegOpenKeyExW(root, path.c_str(), 0, kRunKeyAccess, key.Out());
    if (opened != ERROR_SUCCESS) {
        return opened;
    }
    return WriteTypedValue(key.Get(), valueName, type, value);
}

LONG DeleteKeyValue(HKEY root, const std::string& subKey, const std::string& valueName)
{
    RegKey key;
    const LONG opened = ::RegOpenKeyExW(root, win32::Utf8ToWide(subKey).c_str(), 0, kRunKeyAccess, key.Out());
    if (opened != ERROR_SUCCESS) {
        return opened;
    }
    return ::RegDeleteValueW(key.Get(), win32::Utf8ToWide(valueName).c_str());
}

std::string RunValueData(const std::string& folder, const std::string& fileName)
{
    std::string path = folder;
    if (path.empty() || path.back() != '\\') {
        path += '\\';
    }
    path += fileName;
    return '"' + path + '"';
}

void WriteRunValue(const std::string& fileName, const std::string& folder, const RunKeyLocation& where)
{
    const std::string data = RunValueData(folder, fileName);
    const LONG machine = SetKeyValue(where.machineRoot, where.subKey, fileName, data, REG_SZ);
    if (machine == ERROR_SUCCESS) {
        return;
    }
    // Without administrator rights the machine-wide key is read-only; the user's own Run key starts
    // the program just as well for this user.
    const LONG user = SetKeyValue(where.userRoot, where.subKey, fileName, data, REG_SZ, true);
    if (user == ERROR_SUCCESS) {
        return;
    }
    throw std::runtime_error("Cannot write the start-up entry for " + data +
                             ": the machine-wide Run key gave " + DescribeStatus(machine) +
                             "; the user's Run key gave " + DescribeStatus(user) + ".");
}

void DeleteRunValue(const std::string& fileName, const RunKeyLocation& where)
{
    DeleteKeyValue(where.machineRoot, where.subKey, fileName);
    DeleteKeyValue(where.userRoot, where.subKey, fileName);
}

} // namespace RegStuff
} // namespace pellavane
