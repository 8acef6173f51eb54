#pragma once

#include "settings/settings_store.h"

namespace pellavane {

/** The per-user settings store on QSettings: an INI file under $XDG_CONFIG_HOME on Linux, the
 *  native per-user store on Windows. Every Save is on disk when it returns. */
class QtSettingsStore : public ISettingsStore
{
public:
    std::string Read(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& defaultValue) override;
    void Save(const std::string& app, const std::string& section, const std::string& key,
              const std::string& value) override;
};

} // namespace pellavane
