#pragma once

#include <stdexcept>
#include <string>

namespace pellavane {

/** Application name and section under which every setting of the program is kept. */
inline constexpr const char* kSettingsApp = "Quillmoor";
inline constexpr const char* kSettingsSection = "Pellavane";

/** A setting that could not be stored; the message says why. */
class SettingsWriteError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/** The per-user settings store: string values addressed by application, section and key. */
class ISettingsStore
{
public:
    virtual ~ISettingsStore() = default;
    /** The stored string (an empty one included), or defaultValue when nothing is stored there or
     *  the store cannot be read. Never throws. */
    virtual std::string Read(const std::string& app, const std::string& section, const std::string& key,
                             const std::string& defaultValue) = 0;
    /** Creates or replaces the value; it is on disk when this returns. Throws SettingsWriteError. */
    virtual void Save(const std::string& app, const std::string& section, const std::string& key,
                      const std::string& value) = 0;
};

} // namespace pellavane
