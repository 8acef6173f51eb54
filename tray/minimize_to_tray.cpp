#include "tray/minimize_to_tray.h"

#include "settings/settings.h"
#include "tray/sys_tray.h"

#include <exception>
#include <utility>

namespace pellavane {

MinimizeToTray::MinimizeToTray(ITrayWindow& window, cSysTray& tray, ISettingsStore& settings,
                               TellUser tellUser)
    : m_window(window), m_tray(tray), m_settings(settings), m_tellUser(std::move(tellUser))
{}

void MinimizeToTray::Form_Resize()
{
    if (m_window.State() != WindowState::Minimized || m_minimizedToTray) {
        return;
    }
    if (!m_window.TrayAvailable()) {
        return;
    }
    m_window.Hide();
    m_window.SetState(WindowState::Normal);
    m_minimizedToTray = true;
    m_tray.ShowBalloon(kMinimizedBalloonText, kMinimizedBalloonTitle, kMinimizedBalloonSeconds, true);
}

void MinimizeToTray::cSysTray1_MouseUp(std::int16_t& /*button*/, std::int32_t& /*id*/)
{
    ShowFromTray();
}

void MinimizeToTray::ShowFromTray()
{
    m_window.Show();
    m_window.SetFocus();
    m_minimizedToTray = false;
}

void MinimizeToTray::Check8_Click(bool checked)
{
    try {
        Settings(m_settings).Set(kMinimizedSetting, checked);
    } catch (const std::exception& error) {
        if (m_tellUser) {
            m_tellUser(error.what());
        }
    }
}

} // namespace pellavane
