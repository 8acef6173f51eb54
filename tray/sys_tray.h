#pragma once

// The tray icon control: one icon in the notification area, its balloon and its mouse events.

#include "core/event_pump.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace pellavane {

// Longest texts, in characters, the shell takes for the tip, the balloon text and its title.
inline constexpr std::size_t kMaxTipChars = 127;
inline constexpr std::size_t kMaxInfoChars = 255;
inline constexpr std::size_t kMaxInfoTitleChars = 63;

/** Largest ShowTimer whose milliseconds fit a signed 32-bit number. */
inline constexpr std::int32_t kMaxShowTimer = 2147483;

/** The coloured mark on the icon that tells the connection's state at a glance. */
enum class TrayMark
{
    None,
    /** Green. */
    Connected,
    /** Red. */
    Disconnected,
    /** Grey: not logging, or no check yet. */
    Idle,
    /** Amber: connected, but losing or delaying echoes past the thresholds. */
    Degraded,
};

/** An icon as the control keeps it: where the shell finds its image (a Qt resource path such as
 *  ":/pellavane/tray/tray_q.png", or a file) and the mark drawn on it. An empty resource stands for
 *  "no icon". */
struct TrayPicture
{
    std::string resource;
    TrayMark mark = TrayMark::None;

    bool IsIcon() const noexcept { return !resource.empty(); }
    friend bool operator==(const TrayPicture&, const TrayPicture&) = default;
};

/** The mouse button that activated the icon, numbered as the control's MouseUp numbers it. */
enum class TrayButton : std::int16_t
{
    Left = 1,
    Right = 2,
    Middle = 4,
};

/** What the notification area reports back about its icon. */
struct TrayShellEvents
{
    /** The icon was clicked, with button, and the button released. */
    std::function<void(TrayButton button)> activated;
    /** The message shown from the icon went away: clicked, timed out or closed. */
    std::function<void()> messageEnded;
};

/** text cut to at most maxChars characters, never inside a UTF-8 sequence. */
std::string CutToCharacters(std::string_view text, std::size_t maxChars);

/** The notification area's icon service. Failures are the shell's own business: the control never
 *  learns of them, and no method throws. */
class ITrayShell
{
public:
    virtual ~ITrayShell() = default;
    /** Puts the icon in the notification area with icon (none: the shell's choice) and tip (empty:
     *  no tooltip). */
    virtual void ShowIcon(const TrayPicture& icon, const std::string& tip) = 0;
    /** Changes the shown icon's picture. */
    virtual void SetIcon(const TrayPicture& icon) = 0;
    /** Changes the shown icon's tooltip; empty removes it. */
    virtual void SetTip(const std::string& tip) = 0;
    /** Takes the icon out of the notification area. */
    virtual void HideIcon() = 0;
    /** Shows a message from the icon for timeoutMs milliseconds (0: as long as the shell likes). */
    virtual void ShowMessage(const std::string& title, const std::string& text, std::uint32_t timeoutMs) = 0;
    /** Takes a message that is still up down. */
    virtual void HideMessage() = 0;
    /** From now on the icon's activations and message ends go to events; empty ones stop them. */
    virtual void SetEvents(TrayShellEvents events) = 0;
};

/** Seconds on a clock that only goes forward; only differences are used. */
using SecondsClock = std::function<double()>;

/** The steady clock of the machine, in seconds. */
double SteadySeconds();

class cSysTray
{
public:
    /** shell shows the icon; pump runs pending window events while a balloon is waited for; clock
     *  measures that wait. icon is the control's own picture, its TrayIcon until one is set. */
    explicit cSysTray(ITrayShell& shell, EventPump pump = {}, SecondsClock clock = SteadySeconds,
                      TrayPicture icon = {});
    /** Removes the icon when it is shown. */
    ~cSysTray();
    cSysTray(const cSysTray&) = delete;
    cSysTray& operator=(const cSysTray&) = delete;

    TrayPicture TrayIcon() const;
    /** No icon (an empty picture) is ignored. */
    void SetTrayIcon(const TrayPicture& icon);
    std::string TrayTip() const;
    void SetTrayTip(const std::string& tip);
    /** The stored value, which is what was last set, not whether the icon is installed. */
    bool InTray() const;
    void SetInTray(bool show);

    /** Shows a balloon from the icon for showTimer seconds and waits, running window events, until
     *  it has gone, the icon has been removed or the time is over; a balloon still up then is taken
     *  down. showTimer 0 or less means no timeout and no wait. With showOnce, nothing happens once
     *  this instance has shown a balloon with showOnce. Throws std::overflow_error, before any
     *  request, when showTimer is past kMaxShowTimer. */
    void ShowBalloon(const std::string& tip, const std::string& title, std::int32_t showTimer, bool showOnce);

    bool Installed() const noexcept { return m_installed; }
    bool BalloonUp() const noexcept { return m_balloonUp; }
    std::int32_t BalloonCount() const noexcept { return m_balloonCount; }
    std::uint32_t IconId() const noexcept { return m_id; }

    /** A button was released on the icon: 1 left, 2 right; id is the icon id. */
    std::function<void(std::int16_t& button, std::int32_t& id)> MouseUp;

private:
    void Install();
    void Uninstall();
    void Activated(TrayButton button);

    ITrayShell& m_shell;
    EventPump m_pump;
    SecondsClock m_clock;
    bool m_inTray = false;
    bool m_installed = false;
    std::uint32_t m_id = 0;
    std::string m_trayTip;
    TrayPicture m_trayIcon;
    bool m_balloonUp = false;
    std::int32_t m_balloonCount = 0;
};

} // namespace pellavane
