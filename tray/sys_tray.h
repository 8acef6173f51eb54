#pragma once

// The tray icon control: one icon in the notification area, its balloon and its mouse events.

#include "engine/cmd_output.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace pellavane {

// Fields of NotifyIconData::flags. Named after the Windows shell's own flags, which they equal.
inline constexpr std::uint32_t kNifMessage = 1; // NIF_MESSAGE
inline constexpr std::uint32_t kNifIcon = 2;    // NIF_ICON
inline constexpr std::uint32_t kNifTip = 4;     // NIF_TIP
inline constexpr std::uint32_t kNifInfo = 16;   // NIF_INFO

// What ITrayShell::NotifyIcon is asked to do.
inline constexpr std::uint32_t kNimAdd = 0;    // NIM_ADD
inline constexpr std::uint32_t kNimModify = 1; // NIM_MODIFY
inline constexpr std::uint32_t kNimDelete = 2; // NIM_DELETE

/** The message the shell reports the icon's mouse activity with (WM_USER + 101). */
inline constexpr std::uint32_t kTrayCallbackMessage = 0x465;

// Mouse messages HandleTrayMessage understands; the numbers of the Windows messages.
inline constexpr std::int32_t kWmMouseMove = 0x200;
inline constexpr std::int32_t kWmLButtonDown = 0x201;
inline constexpr std::int32_t kWmLButtonUp = 0x202;
inline constexpr std::int32_t kWmLButtonDblClk = 0x203;
inline constexpr std::int32_t kWmRButtonDown = 0x204;
inline constexpr std::int32_t kWmRButtonUp = 0x205;
inline constexpr std::int32_t kWmRButtonDblClk = 0x206;
inline constexpr std::int32_t kNinBalloonShow = 0x402;
inline constexpr std::int32_t kNinBalloonHide = 0x403;
inline constexpr std::int32_t kNinBalloonTimeout = 0x404;
inline constexpr std::int32_t kNinBalloonUserClick = 0x405;

// Longest texts, in characters, the shell takes for the tip, the balloon text and its title.
inline constexpr std::size_t kMaxTipChars = 127;
inline constexpr std::size_t kMaxInfoChars = 255;
inline constexpr std::size_t kMaxInfoTitleChars = 63;

/** Largest ShowTimer whose milliseconds fit a signed 32-bit number. */
inline constexpr std::int32_t kMaxShowTimer = 2147483;

inline constexpr const char* kDefaultTrayTip = "Telnet Server";

/** The kind of a picture, numbered as picture objects number them. */
enum class PictureType
{
    None = 0,
    Bitmap = 1,
    Metafile = 2,
    Icon = 3,
};

/** A picture as the control keeps it: its kind and where the shell finds its image (a Qt resource
 *  path such as ":/pellavane/tray_q.png", or a file). No type (None) stands for "no object". */
struct TrayPicture
{
    PictureType type = PictureType::None;
    std::string resource;

    bool IsIcon() const noexcept { return type == PictureType::Icon; }
    friend bool operator==(const TrayPicture&, const TrayPicture&) = default;
};

/** The notification record handed to the shell. Every request starts from a zeroed record, so a
 *  field the request does not name is empty. */
struct NotifyIconData
{
    std::uint32_t id = 0;
    std::uint32_t flags = 0;
    std::uint32_t callbackMessage = 0;
    /** Meaningful when flags has kNifIcon. */
    TrayPicture icon;
    /** Tooltip, at most kMaxTipChars characters. */
    std::string tip;
    /** Balloon text and title, at most kMaxInfoChars and kMaxInfoTitleChars characters. */
    std::string info;
    std::string infoTitle;
    /** How long the balloon stays, in milliseconds; 0 for no timeout. */
    std::uint32_t timeoutMs = 0;
    /** Always 0: the balloon shows no icon. */
    std::uint32_t infoFlags = 0;

    friend bool operator==(const NotifyIconData&, const NotifyIconData&) = default;
};

/** text cut to at most maxChars characters, never inside a UTF-8 sequence. */
std::string CutToCharacters(std::string_view text, std::size_t maxChars);

/** Mouse activity of the icon: the mouse message (kWmLButtonUp, kNinBalloonUserClick...) and the icon
 *  id. */
using TrayCallback = std::function<void(std::int32_t mouseMessage, std::int32_t id)>;

/** The notification area. The control sends every request through it and receives the icon's mouse
 *  activity through the callback it installs. */
class ITrayShell
{
public:
    virtual ~ITrayShell() = default;
    /** Carries out kNimAdd, kNimModify or kNimDelete with record. Failures are the shell's own business:
     *  the control never learns of them. Never throws. */
    virtual void NotifyIcon(std::uint32_t message, const NotifyIconData& record) = 0;
    /** From now on, the icon's mouse activity goes to callback; an empty callback stops it. */
    virtual void SetCallback(TrayCallback callback) = 0;
};

/** Seconds on a clock that only goes forward; only differences are used. */
using SecondsClock = std::function<double()>;

/** The steady clock of the machine, in seconds. */
double SteadySeconds();

/** The three stored properties as the host keeps them; an absent one takes its default. */
struct TrayStoredProperties
{
    std::optional<bool> inTray;
    std::optional<TrayPicture> trayIcon;
    std::optional<std::string> trayTip;

    friend bool operator==(const TrayStoredProperties&, const TrayStoredProperties&) = default;
};

class cSysTray
{
public:
    /** shell receives the icon requests; pump runs pending window events while a balloon is waited
     *  for; clock measures that wait. ownPicture is the control's own picture, the default of
     *  "TrayIcon". */
    explicit cSysTray(ITrayShell& shell, EventPump pump = {}, SecondsClock clock = SteadySeconds,
                      TrayPicture ownPicture = {});
    /** Removes the icon when it is shown. */
    ~cSysTray();
    cSysTray(const cSysTray&) = delete;
    cSysTray& operator=(const cSysTray&) = delete;

    TrayPicture TrayIcon() const;
    /** Anything but an icon (type Icon) is ignored. */
    void SetTrayIcon(const TrayPicture& icon);
    std::string TrayTip() const;
    void SetTrayTip(const std::string& tip);
    /** The stored value, which is what was last set, not whether the icon is installed. */
    bool InTray() const;
    void SetInTray(bool show);

    /** Shows a balloon from the icon for showTimer seconds and waits, running window events, until
     *  it has gone or the time is over; a balloon still up then is taken down. showTimer 0 or less
     *  means no timeout and no wait. With showOnce, nothing happens once this instance has shown a
     *  balloon with showOnce. Throws std::overflow_error, before any request, when showTimer is
     *  past kMaxShowTimer. */
    void ShowBalloon(const std::string& tip, const std::string& title, std::int32_t showTimer, bool showOnce);

    /** The shell's report of mouse activity on the icon: raises the matching event. */
    void HandleTrayMessage(std::int32_t mouseMessage, std::int32_t id);

    /** Applies the stored properties in the order "InTray", "TrayIcon", "TrayTip". */
    void ReadProperties(const TrayStoredProperties& stored);
    /** All three properties, to be stored. */
    TrayStoredProperties WriteProperties() const;

    bool Installed() const noexcept { return m_installed; }
    bool BalloonUp() const noexcept { return m_balloonUp; }
    std::int32_t BalloonCount() const noexcept { return m_balloonCount; }
    std::uint32_t IconId() const noexcept { return m_id; }

    std::function<void(std::int32_t& id)> MouseMove;
    std::function<void(std::int16_t& button, std::int32_t& id)> MouseDown;
    std::function<void(std::int16_t& button, std::int32_t& id)> MouseUp;
    std::function<void(std::int16_t& button, std::int32_t& id)> MouseDblClick;
    /** A property changed: "InTray", "TrayIcon" or "TrayTip". */
    std::function<void(const std::string& key)> PropertyChanged;

private:
    void AddIcon(const std::string& tip, const TrayPicture& icon);
    void DeleteIcon();
    void Install();
    void Uninstall();
    NotifyIconData BaseRecord() const;
    void Notify(const std::string& key);

    ITrayShell& m_shell;
    EventPump m_pump;
    SecondsClock m_clock;
    TrayPicture m_ownPicture;
    bool m_inTray = false;
    bool m_installed = false;
    std::uint32_t m_id = 0;
    std::string m_trayTip;
    TrayPicture m_trayIcon;
    bool m_balloonUp = false;
    std::int32_t m_balloonCount = 0;
};

} // namespace pellavane
