#pragma once

// Registry values of the start-at-log-on entry (Windows only).

#include "core/win32_support.h"

#include <cstdint>
#include <string>
#include <variant>

namespace pellavane {

/** The Run key, as written since the first versions (upper case, trailing backslash). */
inline constexpr const char* kRunKeyPath = "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN\\";
/** KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY |
 *  KEY_CREATE_LINK, for writing and deleting alike. */
inline constexpr REGSAM kRunKeyAccess = 0x3F;

/** Where the Run value goes: first the machine-wide key, then the user's own when that cannot be
 *  written. Tests point both at keys of their own. */
struct RunKeyLocation
{
    HKEY machineRoot = HKEY_LOCAL_MACHINE;
    HKEY userRoot = HKEY_CURRENT_USER;
    std::string subKey = kRunKeyPath;
};

/** A registry value as given: text or a 32-bit number. */
using RegValue = std::variant<std::string, std::int32_t>;

namespace RegStuff {

/** Writes value into the open key under valueName as type: REG_SZ as UTF-16 text with its NUL (a
 *  number as its decimal text), REG_DWORD as a signed 32-bit number (text must be a decimal number);
 *  any other type writes nothing and gives 0. Returns the status of the write, 0 on success. Throws
 *  std::invalid_argument for REG_DWORD text that is not a 32-bit number. */
LONG WriteTypedValue(HKEY key, const std::string& valueName, DWORD type, const RegValue& value);

/** Opens root\subKey (creating it only when create is true), writes the value and closes the key.
 *  Returns the first failing status, 0 on success. */
LONG SetKeyValue(HKEY root, const std::string& subKey, const std::string& valueName, const RegValue& value,
                 DWORD type, bool create = false);

/** Opens root\subKey, deletes valueName and closes the key. Returns the first failing status; an
 *  absent key or value is ERROR_FILE_NOT_FOUND. */
LONG DeleteKeyValue(HKEY root, const std::string& subKey, const std::string& valueName);

/** The Run value's data for the program fileName in folder: the full path, one backslash between
 *  them, in double quotes so that a folder with blanks cannot start another program. */
std::string RunValueData(const std::string& folder, const std::string& fileName);

/** Writes the Run value fileName = RunValueData(folder, fileName) under the machine-wide key, or
 *  under the user's (created when missing) when that fails. Throws std::runtime_error naming both failures
 * when neither could be written. */
void WriteRunValue(const std::string& fileName, const std::string& folder, const RunKeyLocation& where = {});

/** Deletes the Run value fileName under both keys; absent values are no error. */
void DeleteRunValue(const std::string& fileName, const RunKeyLocation& where = {});

} // namespace RegStuff
} // namespace pellavane
