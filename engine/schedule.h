#pragma once

#include "engine/cmd_output.h"

#include <array>
#include <string>
#include <string_view>

namespace pellavane {

class ITimer;
class ICaption;
class IProgressBar;
class IIntervalList;
class IMousePointer;
class IRecordHealth;
class IStatusRecorder;
class ISettingsStore;
class IErrorReporter;

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

/** What the schedule is handed: the window's controls and the services it calls. */
struct ScheduleControls
{
    ITimer& timer;
    ICaption& frame1;      // countdown caption
    ICaption& pushButton5; // the on/off switch; its caption is the on/off state
    IProgressBar& progressBar1;
    IIntervalList& listView2;
    IMousePointer& pointer;
    EventPump pump;
    IStatusRecorder& recorder;
    ISettingsStore& settings;
    IErrorReporter& reporter;
    IRecordHealth& health;
};

/** The logging schedule: the one-second tick, the on/off switch, log now and the change of
 *  interval. */
class LoggingSchedule
{
public:
    explicit LoggingSchedule(ScheduleControls controls);

    /** Tick of Timer1. Does nothing while no row is selected. A record that fails restarts the count
     *  and is told through IRecordHealth, never thrown. */
    void Tick();
    /** Turn automatic logging on or off. */
    void PushButton5_Click();
    /** Log the current status now. */
    void PushButton6_Click();
    /** The user chose another row of the interval list: stores its position under "OftenIndex" and
     *  restarts the count. Does nothing while no row is selected; never reports. */
    void IntervalChanged();

    /** Seconds of the selected row; 0 when its text matches no row. Throws when no row is selected. */
    int IntervalSeconds() const;

    int CurrentInterval() const noexcept { return m_currentInterval; }
    int ElapsedSeconds() const noexcept { return m_elapsedSeconds; }

private:
    void Pump();
    /** The scheduled record of a tick, with the timer stopped around it. */
    void MakeScheduledRecord();
    /** The timer interval the switch stands for: 1000 while it reads kCaptionTurnOff, else 0. */
    int SwitchInterval() const;
    void NoteRecordWorked();
    void NoteRecordFailed(const std::string& reason);

    ScheduleControls m_c;
    int m_currentInterval = 0;
    int m_elapsedSeconds = 0;
    /** Counts the turns of the switch, so that a handler can tell one was handled while it let
     *  events run. */
    unsigned m_switchTurns = 0;
    bool m_recordsFailing = false;
    bool m_ticking = false;
};

} // namespace pellavane
