#pragma once

#include "core/event_pump.h"
#include "engine/monitor/monitor_listener.h"
#include "engine/monitor/quality_watch.h"
#include "engine/monitor/sleep_watch.h"

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pellavane {

class ITimer;
class IScheduleView;
class IStatusRecorder;
class ISettingsStore;
class IErrorReporter;
class ICheckGate;

inline constexpr const char* kCaptionTurnOn = "Turn On Automatic Log";
inline constexpr const char* kCaptionTurnOff = "Turn Off Automatic Log";
/** PushButton5's caption before start-up has set one of the two above. */
inline constexpr const char* kCaptionDesigned = "Turn On Automatic Logging";
inline constexpr const char* kCountdownPrefix = "Next log will occur in ";
inline constexpr const char* kLogIsOff = "Automatic Log is Off.";

struct IntervalRow
{
    const char* text;
    int seconds;
};

/** The rows of the interval list, in list order; row n is kIntervalTable[n - 1]. */
inline constexpr std::array<IntervalRow, 12> kIntervalTable{{
    {"Log every 1 second", 1},
    {"Log every 5 seconds", 5},
    {"Log every 10 seconds", 10},
    {"Log every 30 seconds", 30},
    {"Log every 1 minute", 60},
    {"Log every 5 minutes", 300},
    {"Log every 10 minutes", 600},
    {"Log every 30 minutes", 1800},
    {"Log every 1 hour", 3600},
    {"Log every 6 hours", 21600},
    {"Log every 12 hours", 43200},
    {"Log every 24 hours", 86400},
}};

/** Seconds of the row whose text equals text exactly; 0 when none does. */
int IntervalSecondsForText(std::string_view text);

/** seconds as a 24-hour "hh:mm:ss" time of day: whole days dropped, a negative number by its
 *  magnitude. */
std::string CountdownText(int seconds);

/** What the schedule is handed: its view and the services it calls. */
struct ScheduleServices
{
    ITimer& timer;
    IScheduleView& view;
    EventPump pump;
    IStatusRecorder& recorder;
    ISettingsStore& settings;
    IErrorReporter& reporter;
    /** Asked on every tick whether a check kept out of the log after a resume is due again; nullptr
     *  for none. */
    ICheckGate* gate = nullptr;
    /** The clocks the degraded state and the length of a record are measured on; nullptr for the
     *  machine's own. */
    IMachineClocks* clocks = nullptr;
};

/** The logging schedule: it owns the monitor's state (on or off, the interval, the count, the last
 *  check, whether the connection is degraded) and offers the commands on it: the one-second tick,
 *  turn on and off, log now and the change of interval. It tells its view what changed and its
 *  listeners what happened. Told of sleep (as an observer of the sleep watch), it drops the evidence
 *  of a degraded connection as the outage logic drops a check that spans a sleep. */
class LoggingSchedule : public ISleepObserver
{
public:
    explicit LoggingSchedule(ScheduleServices services);

    /** Tick of Timer1. Does nothing while no interval is chosen. A record that fails restarts the
     *  count and is told through the view's IRecordHealth, never thrown. */
    void Tick();
    /** The switch: turns automatic logging on when it is off, off when it is on, and does nothing
     *  while start-up has set neither. */
    void PushButton5_Click();
    /** Log the current status now. */
    void PushButton6_Click();
    /** The user chose another interval row (1-based; nullopt when none is selected now): stores its
     *  position under "OftenIndex" and restarts the count. Never reports. */
    void IntervalChanged(std::optional<int> row);

    /** The state start-up read from the settings: shows the switch, records and stores nothing;
     *  the caller sets the timer. */
    void SetLogging(bool on);
    /** The interval row start-up selected (1-based, nullopt for none); stores nothing. Throws
     *  std::out_of_range for a row the interval table lacks. */
    void SetInterval(std::optional<int> row);
    /** Records one status now, outside the handlers: start-up's record. Throws what the recorder
     *  throws. */
    void RecordStatus();

    /** Seconds of the chosen row. Throws when no row is chosen. */
    int IntervalSeconds() const;

    int CurrentInterval() const noexcept { return m_currentInterval; }
    int ElapsedSeconds() const noexcept { return m_elapsedSeconds; }
    /** The monitor's state now. */
    MonitorState State() const;

    /** listener hears of every change from now on, until removed; it must outlive that. */
    void AddListener(IMonitorListener& listener);
    void RemoveListener(IMonitorListener& listener);

    void MachineSlept(std::time_t began) override;
    void MachineResumed(std::time_t at) override;
    void WallClockStepped(std::time_t, long long) override {}

private:
    void Pump();
    /** The scheduled record of the tick that began at tickBegan (boot clock), with the timer stopped
     *  around it. restartCount is false for the retry of a check the gate kept out of the log: the
     *  countdown to the next scheduled record goes on. */
    void MakeScheduledRecord(std::chrono::nanoseconds tickBegan, bool restartCount = true);
    /** Starts the timer again after a record: the next tick one second after tickBegan, so that a
     *  check's own time does not stretch the second. */
    void RestartTimer(std::chrono::nanoseconds tickBegan);
    /** The timer interval the switch stands for: 1000 while logging is on, else 0. */
    int SwitchInterval() const;
    void ShowSwitch(bool on);
    void ShowCountdown(const std::string& text);
    void ShowProgress(int maximum, int position);
    /** Records through the recorder and notes the check in the state. */
    /** False when the gate kept the check out of the log (CheckNotRecorded): no failure. */
    bool Record();
    void NoteCheck(const CheckResult& check);
    void NoteRecordWorked();
    void NoteRecordFailed(const std::string& reason);
    /** Reads DegradedLossPct and DegradedRttMs; a stored value that is not valid is reported and its
     *  default stands. */
    void ReadThresholds();
    void TellQuality(const std::optional<QualityChange>& change);
    template <class Call>
    void TellListeners(Call&& call);

    ScheduleServices m_s;
    SystemMachineClocks m_systemClocks;
    IMachineClocks& m_clocks;
    /** nullopt until start-up sets the switch; the switch does nothing before. */
    std::optional<bool> m_on;
    std::optional<int> m_row;
    int m_currentInterval = 0;
    int m_elapsedSeconds = 0;
    std::optional<CheckResult> m_lastCheck;
    std::time_t m_statusSince = 0;
    std::time_t m_lastChange = 0;
    /** What the view shows now, so that it is told only of changes. */
    std::optional<std::string> m_shownCountdown;
    std::optional<std::pair<int, int>> m_shownProgress;
    /** Counts the turns of the switch, so that a handler can tell one was handled while it let
     *  events run. */
    unsigned m_switchTurns = 0;
    /** When the next tick is due on the cadence of the ticks so far (boot clock). */
    std::optional<std::chrono::nanoseconds> m_tickDue;
    bool m_recordsFailing = false;
    bool m_ticking = false;
    std::vector<IMonitorListener*> m_listeners;
    QualityWatch m_quality;
};

} // namespace pellavane
