#pragma once

#include "core/machine_clocks.h"
#include "engine/check/check_result.h"
#include "engine/listeners/family_split.h"
#include "engine/monitor/monitor_listener.h"
#include "engine/monitor/sleep_watch.h"

#include <chrono>
#include <ctime>
#include <functional>
#include <optional>
#include <string>

namespace pellavane {

/** A loss this soon after the last restore means the link flaps; notices then wait until the state
 *  has held this long. */
inline constexpr std::chrono::minutes kUnstableWindow{10};

inline constexpr const char* kNoticeLost = "Connection lost";
inline constexpr const char* kNoticeRestored = "Connected again";
inline constexpr const char* kNoticeUnstable = "The connection is unstable";
inline constexpr const char* kNoticeDegraded = "Connection degraded";
inline constexpr const char* kNoticeNormal = "Connection back to normal";
/** The console's line at the end of a degraded period. */
inline constexpr const char* kLineNormal = "Connection normal again";

enum class NoticeKind
{
    Lost,
    Restored,
    Unstable,
    /** Up, but losing or delaying echoes past the thresholds. */
    Degraded,
    /** A degraded connection recovered. */
    Normal,
    /** One address family lost while the other works. */
    FamilyLost,
    /** That family works again. */
    FamilyBack,
};

/** One desktop notice about the connection. */
struct Notice
{
    /** The notices of one outage share an id, so that the later one takes the earlier one's place
     *  where the desktop can do that. Never 0. */
    unsigned id = 0;
    NoticeKind kind = NoticeKind::Lost;
    std::string summary;
    std::string body;
};

/** Where notices go: the desktop's notification service, the tray's balloon, a test's record. */
class INotifier
{
public:
    virtual ~INotifier() = default;
    /** Shows notice without waiting for the desktop; one with the id of the notice shown last replaces
     *  it. Never throws: a desktop that cannot show it is no failure of the monitor. */
    virtual void Show(const Notice& notice) = 0;
};

/** The local time of t as "10:42", with the date in front ("2026-12-07 10:42") when it is not the
 *  local day of now. */
std::string ClockTimeText(std::time_t t, std::time_t now);

/** ": the router answers, the Internet does not." for a failed check's cause, to follow the time a
 *  loss is told at; empty where the cause tells the user nothing more than the loss itself. */
std::string CauseClause(const std::string& cause);

/** The body of the loss notice for the first failed check of an outage, told at now. */
std::string LossBody(const CheckResult& firstFailed, std::time_t now);

/** Decides when the user is told of a change of the connection: at a loss and at the restore that
 *  ends it, never once per check; one "unstable" notice for a link that flaps, then quiet until the
 *  state has held for kUnstableWindow; nothing for what the checks show in the grace after a resume;
 *  at start-up only a first check that finds no connection. A degraded connection is told the same
 *  way: "Connection degraded", replaced by "Connection back to normal" when its echoes recover; a
 *  degraded period that starts within kUnstableWindow of the last recovery, or in the resume grace,
 *  is told only once it has held kUnstableWindow; one that an outage, sleep or the switch ends is
 *  not told to end. A family lost while the other works is told as "IPv6 lost at 10:42; IPv4 works",
 *  replaced by "IPv6 back at 10:50", with the limits of a degraded period. Times are measured on the
 *  boot clock, which a step of the wall clock does not move. */
class ConnectionNotices : public IMonitorListener, public ISleepObserver
{
public:
    ConnectionNotices(INotifier& notifier, IMachineClocks& clocks);

    /** Off keeps following the connection but tells nothing; on again, the next change is told. */
    void SetEnabled(bool enabled);
    bool Enabled() const noexcept { return m_enabled; }

    void CheckRecorded(const CheckResult& check) override;
    void QualityChanged(const QualityChange& change) override;

    void MachineSlept(std::time_t) override {}
    void MachineResumed(std::time_t at) override;
    void WallClockStepped(std::time_t, long long) override {}

private:
    void Show(unsigned id, NoticeKind kind, std::string summary, std::string body);
    void TellLoss(std::time_t now);
    void TellRestore(const CheckResult& check);
    void TellDegraded(const DegradedReason& reason);
    void FollowFamilies(const CheckResult& check, std::chrono::nanoseconds now, bool inGrace);
    void TellFamilyLost(std::time_t now);

    INotifier& m_notifier;
    IMachineClocks& m_clocks;
    bool m_enabled = true;
    /** The state of the last check; nullopt before the first. */
    std::optional<bool> m_connected;
    /** The first failed check of the outage now going on. */
    CheckResult m_firstFailed;
    /** Boot time of the last change (or of the first check). */
    std::chrono::nanoseconds m_changedAt{0};
    std::optional<std::chrono::nanoseconds> m_restoredAt;
    /** Wall time of the last restore's check. */
    std::time_t m_restoredTime = 0;
    std::optional<std::chrono::nanoseconds> m_graceUntil;
    bool m_unstable = false;
    /** The outage going on was told, so its end is told too. */
    bool m_lossTold = false;
    unsigned m_lastId = 0;

    /** Wall time the current degraded period began. */
    std::time_t m_degradedAt = 0;
    /** Its notice was shown, under this id, so its end is told too. */
    bool m_degradedTold = false;
    unsigned m_degradedId = 0;
    /** Boot time of the last recovery. */
    std::optional<std::chrono::nanoseconds> m_normalAt;
    /** A degraded period not told yet: since when, and why. */
    std::optional<std::chrono::nanoseconds> m_degradedWaiting;
    DegradedReason m_waitingReason;

    FamilySplit m_families;
    /** The family lost now was told, under this id, so its return is told too. */
    bool m_familyTold = false;
    unsigned m_familyId = 0;
    /** Boot time of the last family's return, and of a loss not told yet. */
    std::optional<std::chrono::nanoseconds> m_familyBackAt;
    std::optional<std::chrono::nanoseconds> m_familyWaiting;
};

/** The lines a terminal gets at each change of the connection: "Connection lost at ..." and
 *  "Connected again at ... after ...", "Connection degraded at ...: why", "Connection normal again
 *  at ...", "IPv6 lost at ...; IPv4 works" and "IPv6 back at ...". A first check that finds no
 *  connection counts as a loss. */
class ChangeLines : public IMonitorListener
{
public:
    explicit ChangeLines(std::function<void(const std::string& line)> print);

    void CheckRecorded(const CheckResult& check) override;
    void QualityChanged(const QualityChange& change) override;

private:
    void TellConnection(const CheckResult& check);

    std::function<void(const std::string&)> m_print;
    FamilySplit m_families;
    std::optional<bool> m_connected;
    std::time_t m_lostAt = 0;
};

} // namespace pellavane
