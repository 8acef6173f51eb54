#pragma once

#include "settings/settings_store.h"

#include <map>
#include <string>
#include <vector>

namespace pellavane::testing {

/** A settings store in memory: values under "app/section/key", and every save in order. */
class FakeSettings : public ISettingsStore
{
public:
    std::string Read(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& defaultValue) override
    {
        const auto it = values.find(app + "/" + section + "/" + key);
        return it == values.end() ? defaultValue : it->second;
    }
    void Save(const std::string& app, const std::string& section, const std::string& key,
              const std::string& value) override
    {
        if (failSaves) {
            throw SettingsWriteError("Cannot save the setting '" + key + "': disk full");
        }
        values[app + "/" + section + "/" + key] = value;
        saves.push_back(key + "=" + value);
    }

    std::map<std::string, std::string> values;
    std::vector<std::string> saves;
    bool failSaves = false;
};

} // namespace pellavane::testing
