#pragma once

// Minimising the main window hides it in the notification area; the tray icon brings it back.

#include <cstdint>
#include <functional>
#include <string>

namespace pellavane {

class cSysTray;
class ISettingsStore;

inline constexpr const char* kMinimizedBalloonText =
    "has been minimized to the system tray.\r\nClick on the blue 'Q' icon (Q for Quillmoor) to bring the "
    "software back.";
inline constexpr const char* kMinimizedBalloonTitle = "Pellavane";
inline constexpr std::int32_t kMinimizedBalloonSeconds = 5;

enum class WindowState
{
    Normal = 0,
    Minimized = 1,
    Maximized = 2,
};

/** The main window as minimising to the tray uses it. */
class ITrayWindow
{
public:
    virtual ~ITrayWindow() = default;
    virtual WindowState State() const = 0;
    virtual void SetState(WindowState state) = 0;
    /** Takes the window off the desktop and the taskbar. */
    virtual void Hide() = 0;
    virtual void Show() = 0;
    /** Gives the window the input focus, raising it. */
    virtual void SetFocus() = 0;
    /** Whether a notification area exists now to hide the window in. */
    virtual bool TrayAvailable() const = 0;
};

/** Tells the user about a failure that a handler without an error report ran into. */
using TellUser = std::function<void(const std::string& message)>;

class MinimizeToTray
{
public:
    MinimizeToTray(ITrayWindow& window, cSysTray& tray, ISettingsStore& settings, TellUser tellUser = {});

    /** The main window's resize handler: a minimise hides the window in the tray. Where there is no
     *  tray the window stays minimised as usual, since hidden it could not be brought back. */
    void Form_Resize();
    /** The handler of the tray icon's MouseUp: brings the window back with the focus. */
    void cSysTray1_MouseUp(std::int16_t& button, std::int32_t& id);
    /** Shows the window with the focus, out of the tray if it is hidden there. */
    void ShowFromTray();
    /** Check8's click handler, run on every change of the box: stores "Minimized". */
    void Check8_Click(bool checked);

    /** True while the window is hidden in the tray. */
    bool MinimizedToTray() const noexcept { return m_minimizedToTray; }

private:
    ITrayWindow& m_window;
    cSysTray& m_tray;
    ISettingsStore& m_settings;
    TellUser m_tellUser;
    bool m_minimizedToTray = false;
};

} // namespace pellavane
