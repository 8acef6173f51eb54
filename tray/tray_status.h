#pragma once

// What the tray icon shows of the monitor: the coloured mark and the tip.

#include "engine/listeners/connection_notices.h"
#include "engine/listeners/family_split.h"
#include "engine/monitor/monitor_listener.h"
#include "tray/sys_tray.h"

#include <ctime>
#include <functional>
#include <string>

namespace pellavane {

/** The mark and the tip for the monitor's state at now: "Pellavane: Connected since 10:42",
 *  "Pellavane: Connected since 10:42, degraded: loss 12%", "Pellavane: Disconnected for 3 min",
 *  "Pellavane: Automatic Log is Off."; while one family is lost and the other works, the mark stays
 *  that of a connection that is up and the tip names the family: "Pellavane: Connected since 10:42,
 *  IPv6 lost at 10:50; IPv4 works". */
struct TrayLook
{
    TrayMark mark = TrayMark::Idle;
    std::string tip;
    friend bool operator==(const TrayLook&, const TrayLook&) = default;
};
TrayLook TrayLookFor(const MonitorState& state, std::time_t now,
                     const std::optional<FamilyChange>& familyLost = std::nullopt);

/** A duration as the tip gives it, to the minute once it is a minute: "40 s", "3 min", "2 h 5 min",
 *  "3 d 4 h". */
std::string TipDurationText(std::time_t seconds);

/** Keeps the tray icon's mark and tip, and whatever else shows the picture (the window's icon), in
 *  step with the monitor. Tells the tray only of changes. */
class TrayStatus : public IMonitorListener
{
public:
    using StateSource = std::function<MonitorState()>;
    using PictureChanged = std::function<void(const TrayPicture&)>;
    /** base is the icon the mark is drawn on; pictureChanged is told of every new picture. */
    TrayStatus(cSysTray& tray, TrayPicture base, StateSource state, std::function<std::time_t()> now,
               PictureChanged pictureChanged = {});

    void LoggingStarted(int) override
    {
        m_families.Clear();
        Update();
    }
    void LoggingStopped() override { Update(); }
    void CheckRecorded(const CheckResult& check) override
    {
        m_families.Follow(check);
        Update();
    }
    void QualityChanged(const QualityChange&) override { Update(); }

    /** Shows the look for now. The tip's durations move with time: call it on every tick too. */
    void Update();

    const TrayLook& Look() const noexcept { return m_look; }

private:
    cSysTray& m_tray;
    TrayPicture m_base;
    StateSource m_state;
    std::function<std::time_t()> m_now;
    PictureChanged m_pictureChanged;
    TrayLook m_look;
    bool m_shown = false;
    FamilySplit m_families;
};

/** Notices as balloons from the tray icon: Windows' way, and the fallback where no notification
 *  service answers. A balloon has no id: a later one simply takes the earlier one's place. */
class TrayMessageNotifier : public INotifier
{
public:
    /** How long a balloon stays up. */
    static constexpr std::uint32_t kShowMs = 10000;

    explicit TrayMessageNotifier(ITrayShell& shell) : m_shell(shell) {}
    void Show(const Notice& notice) override;

private:
    ITrayShell& m_shell;
};

} // namespace pellavane
