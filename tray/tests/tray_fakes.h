#pragma once

#include "settings/settings_store.h"
#include "tray/sys_tray.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace pellavane::testing {

/** Records every request the control makes of the notification area. */
class RecordingShell : public ITrayShell
{
public:
    struct Call
    {
        std::uint32_t message;
        NotifyIconData record;
    };

    void NotifyIcon(std::uint32_t message, const NotifyIconData& record) override
    {
        calls.push_back({message, record});
    }
    void SetCallback(TrayCallback cb) override { callback = std::move(cb); }

    /** What the shell would report for a mouse action on the icon. */
    void Report(std::int32_t mouseMessage)
    {
        if (callback) {
            callback(mouseMessage, 0);
        }
    }

    std::vector<Call> calls;
    TrayCallback callback;
};

/** A clock the test moves; the pump advances it one second per pass, like a second of waiting. */
struct FakeTime
{
    double now = 1000.0;
    int pumps = 0;
    std::function<void(int pass)> onPump;

    SecondsClock Clock()
    {
        return [this] { return now; };
    }
    EventPump Pump()
    {
        return [this] {
            ++pumps;
            if (onPump) {
                onPump(pumps);
            }
            now += 1.0;
        };
    }
};

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
