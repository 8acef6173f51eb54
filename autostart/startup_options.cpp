#include "autostart/startup_options.h"

#include "autostart/startup_entry.h"
#include "settings/settings.h"

#include <exception>
#include <string>
#include <utility>

namespace pellavane {

StartupOptions::StartupOptions(ICheckBox& check4, ICheckBox& check8, IStartupEntry& entry,
                               ISettingsStore& settings, std::function<bool()> startupInProgress,
                               TellUser tellUser)
    : m_check4(check4), m_check8(check8), m_entry(entry), m_settings(settings),
      m_startupInProgress(std::move(startupInProgress)), m_tellUser(std::move(tellUser))
{}

void StartupOptions::Save(bool on)
{
    try {
        Settings(m_settings).Set(kStartAtLogOnSetting, on);
    } catch (const std::exception& error) {
        if (m_tellUser) {
            m_tellUser(error.what());
        }
    }
}

void StartupOptions::TurnOff()
{
    m_check8.SetValue(0);
    m_check8.SetVisible(false);
    Save(false);
    try {
        m_entry.Remove();
    } catch (const std::exception& error) {
        if (m_tellUser) {
            m_tellUser(error.what());
        }
    }
}

void StartupOptions::Check4_Click()
{
    if (m_undoingTick || (m_startupInProgress && m_startupInProgress())) {
        return;
    }
    if (m_check4.Value() != 1) {
        TurnOff();
        return;
    }
    m_check8.SetVisible(true);
    Save(true);
    try {
        m_entry.Add();
    } catch (const std::exception& error) {
        // A ticked box would claim the program starts at log-on when nothing will start it.
        m_undoingTick = true;
        m_check4.SetValue(0);
        m_undoingTick = false;
        TurnOff();
        if (m_tellUser) {
            m_tellUser(std::string(kAddFailedText) + error.what());
        }
    }
}

} // namespace pellavane
