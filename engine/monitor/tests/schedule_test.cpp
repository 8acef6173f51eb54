#include "engine/monitor/schedule.h"
#include "engine/monitor/sleep_watch.h"

#include "core/guarded_handler.h"
#include "engine/monitor/recorder.h"
#include "engine/monitor/window_controls.h"
#include "settings/settings_store.h"

#include "testsupport/monitor_fakes.h"
#include "testsupport/recording_reporter.h"

#include <gtest/gtest.h>

#include <climits>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace pellavane {
namespace {

using pellavane::testing::FakeTimer;
using pellavane::testing::RecordingReporter;
using pellavane::testing::Report;

class FakeCaption
{
public:
    explicit FakeCaption(std::string initial = {}) : caption(std::move(initial)) {}
    void SetCaption(const std::string& value)
    {
        caption = value;
        history.push_back(value);
    }
    std::string caption;
    std::vector<std::string> history;
};

class FakeProgressBar
{
public:
    void SetMaximum(int value)
    {
        // Every position the schedule sets must lie within the maximum set before it.
        maximum = value;
    }
    void SetPosition(int value)
    {
        EXPECT_LE(value, maximum) << "position beyond the maximum";
        position = value;
        positions.push_back(value);
    }
    int maximum = 100;
    int position = 0;
    std::vector<int> positions;
};

/** Runs the work queued for the next time the schedule lets events run. */
class ScriptedPump
{
public:
    void operator()()
    {
        ++runs;
        std::deque<std::function<void()>> now;
        now.swap(pending);
        for (auto& work : now) {
            work();
        }
    }
    void Queue(std::function<void()> work) { pending.push_back(std::move(work)); }
    int runs = 0;
    std::deque<std::function<void()>> pending;
};

struct TimerState
{
    int interval;
    bool enabled;
    bool operator==(const TimerState&) const = default;
};

class FakeRecorder : public IStatusRecorder
{
public:
    explicit FakeRecorder(const FakeTimer& timer) : m_timer(timer) {}
    CheckResult RecordStatus() override
    {
        ++calls;
        timerDuringRecords.push_back({m_timer.interval, m_timer.enabled});
        if (during) {
            auto work = std::move(during);
            during = nullptr;
            work();
        }
        if (failWith) {
            throw LogWriteError(*failWith);
        }
        if (keptOut) {
            throw CheckNotRecorded("asleep");
        }
        CheckResult check;
        check.time = 1'790'000'000 + calls;
        check.connected = connected;
        return check;
    }
    int calls = 0;
    std::vector<TimerState> timerDuringRecords;
    /** Runs once inside the next record, as events dispatched while the probe waits would. */
    std::function<void()> during;
    std::optional<std::string> failWith;
    /** The gate keeps the check out of the log, as during a sleep. */
    bool keptOut = false;
    bool connected = true;

private:
    const FakeTimer& m_timer;
};

class RecordingSettings : public ISettingsStore
{
public:
    std::string Read(const std::string&, const std::string&, const std::string& key,
                     const std::string& defaultValue) override
    {
        const auto found = values.find(key);
        return found == values.end() ? defaultValue : found->second;
    }
    void Save(const std::string& app, const std::string& section, const std::string& key,
              const std::string& value) override
    {
        EXPECT_EQ(app, kSettingsApp);
        EXPECT_EQ(section, kSettingsSection);
        if (failWith) {
            throw SettingsWriteError(*failWith);
        }
        values[key] = value;
        saves.push_back(key + "=" + value);
    }
    std::map<std::string, std::string> values;
    std::vector<std::string> saves;
    std::optional<std::string> failWith;
};

struct RecordingHealth
{
    std::vector<std::string> events;
};

/** The schedule's view as fake controls: the frame's caption, the bar, the switch's caption,
 *  whether the pointer shows busy, and the record health line. */
class FakeView : public IScheduleView
{
public:
    FakeView(FakeCaption& frame1, FakeCaption& pushButton5, FakeProgressBar& progressBar1,
             RecordingHealth& health)
        : m_frame1(frame1), m_pushButton5(pushButton5), m_progressBar1(progressBar1), m_health(health)
    {}
    void ShowCountdown(const std::string& text) override { m_frame1.SetCaption(text); }
    void ShowProgress(int maximum, int position) override
    {
        m_progressBar1.SetMaximum(maximum);
        m_progressBar1.SetPosition(position);
    }
    void ShowSwitch(bool on) override { m_pushButton5.SetCaption(on ? kCaptionTurnOff : kCaptionTurnOn); }
    void ShowBusy(bool value) override { busy = value; }
    void RecordsFailing(const std::string& reason) override
    {
        m_health.events.push_back("failing: " + reason);
    }
    void RecordsWorkingAgain() override { m_health.events.push_back("working again"); }

    /** nullopt until the schedule first says. */
    std::optional<bool> busy;

private:
    FakeCaption& m_frame1;
    FakeCaption& m_pushButton5;
    FakeProgressBar& m_progressBar1;
    RecordingHealth& m_health;
};

std::string Countdown(const std::string& hms)
{
    return kCountdownPrefix + hms;
}

/** Only its retry matters to the schedule; the recorder asks the rest. */
struct RetryGate : ICheckGate
{
    bool MayCheck() override { return true; }
    CheckTicket CheckStarting() override { return {}; }
    CheckVerdict CheckEnded(const CheckTicket&, bool) override { return CheckVerdict::Record; }
    bool RetryDue() override { return std::exchange(due, false); }
    bool due = false;
};

class ScheduleTest : public ::testing::Test
{
protected:
    ScheduleTest() { schedule.SetInterval(2); }

    /** The state start-up leaves when "StartStopState" is "On" (its own record aside). */
    void StartOn()
    {
        schedule.SetLogging(true);
        pushButton5.history.clear();
        timer.interval = 1000;
        settings.values["StartStopState"] = "On";
    }
    void StartOff()
    {
        schedule.SetLogging(false);
        pushButton5.history.clear();
        timer.interval = 0;
        settings.values["StartStopState"] = "Off";
    }
    /** A tick as the timer delivers it: only while it runs. */
    void Second()
    {
        if (timer.Ticking()) {
            schedule.Tick();
        }
    }
    void Seconds(int n)
    {
        for (int i = 0; i < n; ++i) {
            Second();
        }
    }
    void ExpectOff()
    {
        EXPECT_EQ(pushButton5.caption, kCaptionTurnOn);
        EXPECT_EQ(settings.values["StartStopState"], "Off");
        EXPECT_EQ((TimerState{timer.interval, timer.enabled}), (TimerState{0, true}));
    }
    void ExpectOn()
    {
        EXPECT_EQ(pushButton5.caption, kCaptionTurnOff);
        EXPECT_EQ(settings.values["StartStopState"], "On");
        EXPECT_EQ((TimerState{timer.interval, timer.enabled}), (TimerState{1000, true}));
    }
    void ExpectEveryRecordWithTheTimerStopped()
    {
        for (const TimerState& state : recorder.timerDuringRecords) {
            EXPECT_FALSE(state.enabled && state.interval != 0) << "a record ran while the timer could tick";
        }
    }

    FakeTimer timer;
    FakeCaption frame1;
    FakeCaption pushButton5{kCaptionDesigned};
    FakeProgressBar progressBar1;
    ScriptedPump pump;
    FakeRecorder recorder{timer};
    RecordingSettings settings;
    RecordingReporter reporter;
    RecordingHealth health;
    FakeView view{frame1, pushButton5, progressBar1, health};
    RetryGate gate;
    LoggingSchedule schedule{
        ScheduleServices{timer, view, [this] { pump(); }, recorder, settings, reporter, &gate}};
};

TEST(IntervalSecondsForText, MatchesTheTableTextsExactly)
{
    for (const IntervalRow& row : kIntervalTable) {
        EXPECT_EQ(IntervalSecondsForText(row.text), row.seconds) << row.text;
    }
    EXPECT_EQ(IntervalSecondsForText("Log every 5 Seconds"), 0);
    EXPECT_EQ(IntervalSecondsForText("Log every 5 seconds "), 0);
    EXPECT_EQ(IntervalSecondsForText(""), 0);
}

TEST(CountdownText, ShowsTheTimeOfDayDroppingDaysAndSign)
{
    EXPECT_EQ(CountdownText(0), "00:00:00");
    EXPECT_EQ(CountdownText(4), "00:00:04");
    EXPECT_EQ(CountdownText(3661), "01:01:01");
    EXPECT_EQ(CountdownText(86399), "23:59:59");
    EXPECT_EQ(CountdownText(86400), "00:00:00");
    EXPECT_EQ(CountdownText(90000), "01:00:00");
    EXPECT_EQ(CountdownText(-16), "00:00:16");
    EXPECT_EQ(CountdownText(-86401), "00:00:01");
    // 2147483647 s is 24855 days and 3:14:07; INT_MIN is one second more in magnitude.
    EXPECT_EQ(CountdownText(INT_MAX), "03:14:07");
    EXPECT_EQ(CountdownText(INT_MIN), "03:14:08");
}

TEST_F(ScheduleTest, IntervalSecondsReadsTheSelectedTextAndThrowsWithoutASelection)
{
    schedule.SetInterval(12);
    EXPECT_EQ(schedule.IntervalSeconds(), 86400);
    EXPECT_THROW(schedule.SetInterval(13), std::out_of_range);
    EXPECT_THROW(schedule.SetInterval(0), std::out_of_range);
    schedule.SetInterval(std::nullopt);
    EXPECT_THROW(schedule.IntervalSeconds(), std::runtime_error);
}

TEST_F(ScheduleTest, OneSecondIntervalRecordsOnEveryTickWithAFullBar)
{
    StartOn();
    schedule.SetInterval(1);
    for (int tick = 1; tick <= 3; ++tick) {
        timer.writes.clear();
        Second();
        EXPECT_EQ(recorder.calls, tick);
        EXPECT_EQ(frame1.caption, Countdown("00:00:00"));
        EXPECT_EQ(progressBar1.maximum, 1);
        // Full, then cleared by the record.
        EXPECT_EQ(progressBar1.positions.rbegin()[1], 1);
        EXPECT_EQ(progressBar1.position, 0);
        EXPECT_EQ(timer.writes,
                  (std::vector<std::string>{"interval 0", "disabled", "interval 1000", "enabled"}));
    }
    EXPECT_EQ(schedule.ElapsedSeconds(), 0);
    EXPECT_EQ(schedule.CurrentInterval(), 1);
    ExpectEveryRecordWithTheTimerStopped();
}

TEST_F(ScheduleTest, FiveSecondsCountDownToZeroThenRecord)
{
    StartOn();
    schedule.SetInterval(2);
    std::vector<std::string> shown;
    for (int tick = 1; tick <= 5; ++tick) {
        EXPECT_EQ(recorder.calls, 0) << "recorded before the fifth tick";
        Second();
        shown.push_back(frame1.caption);
    }
    EXPECT_EQ(shown,
              (std::vector<std::string>{Countdown("00:00:04"), Countdown("00:00:03"), Countdown("00:00:02"),
                                        Countdown("00:00:01"), Countdown("00:00:00")}));
    EXPECT_EQ(recorder.calls, 1);
    EXPECT_EQ(progressBar1.positions, (std::vector<int>{1, 2, 3, 4, 5, 0}));
    // Events run in the tick, then before and after the record.
    EXPECT_EQ(pump.runs, 5 + 2);

    Second();
    EXPECT_EQ(frame1.caption, Countdown("00:00:04"));
    EXPECT_EQ(recorder.calls, 1);
}

TEST_F(ScheduleTest, TwentyFourHoursShowsOneSecondLessAfterTheRecord)
{
    StartOn();
    schedule.SetInterval(12);
    Second();
    EXPECT_EQ(frame1.caption, Countdown("23:59:59"));
    EXPECT_EQ(progressBar1.maximum, 86400);
    EXPECT_EQ(progressBar1.position, 1);
}

TEST_F(ScheduleTest, TickDoesNothingWhenNoRowIsSelected)
{
    StartOn();
    schedule.SetInterval(std::nullopt);
    Seconds(3);
    EXPECT_EQ(schedule.ElapsedSeconds(), 0);
    EXPECT_TRUE(frame1.history.empty());
    EXPECT_TRUE(progressBar1.positions.empty());
    EXPECT_EQ(pump.runs, 0);
}

TEST_F(ScheduleTest, LateTickAfterTurnOffOnlySaysLoggingIsOff)
{
    StartOff();
    schedule.Tick();
    EXPECT_EQ(frame1.caption, kLogIsOff);
    EXPECT_EQ(schedule.ElapsedSeconds(), 0);
    EXPECT_EQ(recorder.calls, 0);
    EXPECT_TRUE(timer.writes.empty());
}

TEST_F(ScheduleTest, TurningOffAndOnAgainRecordsAtOnceAndContinuesTheCount)
{
    StartOn();
    schedule.SetInterval(2);
    Seconds(2);
    progressBar1.positions.clear();

    schedule.PushButton5_Click();
    ExpectOff();
    EXPECT_EQ(frame1.caption, kLogIsOff);
    EXPECT_TRUE(progressBar1.positions.empty());
    Seconds(10);
    EXPECT_EQ(schedule.ElapsedSeconds(), 2);

    schedule.PushButton5_Click();
    ExpectOn();
    EXPECT_EQ(recorder.calls, 1);
    // The turn-on record runs before the timer is given its interval, so no tick can come inside it.
    EXPECT_EQ(recorder.timerDuringRecords.back(), (TimerState{0, true}));
    EXPECT_EQ(settings.saves, (std::vector<std::string>{"StartStopState=Off", "StartStopState=On"}));

    Second();
    EXPECT_EQ(frame1.caption, Countdown("00:00:02"));
    Seconds(2);
    EXPECT_EQ(recorder.calls, 2);
    EXPECT_TRUE(reporter.reports.empty());
}

TEST_F(ScheduleTest, SwitchWithTheDesignedCaptionDoesNothing)
{
    schedule.PushButton5_Click();
    EXPECT_EQ(pushButton5.caption, kCaptionDesigned);
    EXPECT_EQ(recorder.calls, 0);
    EXPECT_TRUE(timer.writes.empty());
    EXPECT_TRUE(settings.saves.empty());
    EXPECT_TRUE(frame1.history.empty());
}

TEST_F(ScheduleTest, FailuresInTheSwitchAreReportedByLineAndTheSwitchGoesOn)
{
    StartOff();
    recorder.failWith = "Cannot open log file '': No such file or directory";
    schedule.PushButton5_Click();
    EXPECT_EQ(reporter.reports,
              (std::vector<Report>{{HandlerTag("PushButton5_Click"), 104, *recorder.failWith}}));
    ExpectOn();

    settings.failWith = "Settings file is read-only";
    schedule.PushButton5_Click();
    ASSERT_EQ(reporter.reports.size(), 2u);
    EXPECT_EQ(reporter.reports[1], (Report{HandlerTag("PushButton5_Click"), 116, *settings.failWith}));
    EXPECT_EQ(pushButton5.caption, kCaptionTurnOn);
    EXPECT_EQ(timer.interval, 0);
    // A failure at the switch is shown by its report; it is no sign about scheduled records.
    EXPECT_TRUE(health.events.empty());
}

TEST_F(ScheduleTest, LogNowWhileOffRecordsUnderTheHourglassAndLeavesLoggingOff)
{
    StartOff();
    std::optional<bool> busyDuringRecord;
    recorder.during = [&] { busyDuringRecord = view.busy; };
    schedule.PushButton6_Click();
    EXPECT_EQ(recorder.calls, 1);
    EXPECT_EQ(busyDuringRecord, true);
    EXPECT_EQ(view.busy, false);
    EXPECT_EQ(recorder.timerDuringRecords.back(), (TimerState{0, false}));
    EXPECT_EQ((TimerState{timer.interval, timer.enabled}), (TimerState{0, true}));
    EXPECT_EQ(pump.runs, 1);
}

TEST_F(ScheduleTest, LogNowWhileOnLeavesTheCountAndRestoresTheTimer)
{
    StartOn();
    schedule.SetInterval(2);
    Seconds(2);
    timer.writes.clear();
    schedule.PushButton6_Click();
    EXPECT_EQ(recorder.calls, 1);
    EXPECT_EQ(schedule.ElapsedSeconds(), 2);
    EXPECT_EQ(frame1.caption, Countdown("00:00:03"));
    // Enabled first, then the interval written again, which starts a new second.
    EXPECT_EQ(timer.writes, (std::vector<std::string>{"disabled", "interval 0", "enabled", "interval 1000"}));
    Second();
    EXPECT_EQ(frame1.caption, Countdown("00:00:02"));
}

TEST_F(ScheduleTest, LogNowThatFailsIsReportedAndStillRestoresPointerAndTimer)
{
    StartOn();
    recorder.failWith = "Disk full";
    schedule.PushButton6_Click();
    EXPECT_EQ(reporter.reports, (std::vector<Report>{{HandlerTag("PushButton6_Click"), 112, "Disk full"}}));
    EXPECT_EQ(view.busy, false);
    ExpectOn();
}

TEST_F(ScheduleTest, ChangeOfIntervalStoresThePositionAndRestartsTheCount)
{
    StartOn();
    schedule.SetInterval(2);
    Seconds(3);
    schedule.IntervalChanged(3);
    EXPECT_EQ(settings.values["OftenIndex"], "3");
    EXPECT_EQ(schedule.CurrentInterval(), 10);
    EXPECT_EQ(schedule.ElapsedSeconds(), 0);
    Second();
    EXPECT_EQ(frame1.caption, Countdown("00:00:09"));

    // Without a restart a shorter interval than the count reached would never record again.
    Seconds(5);
    schedule.IntervalChanged(1);
    Second();
    EXPECT_EQ(recorder.calls, 1);
}

TEST_F(ScheduleTest, ChangeOfIntervalWithoutSelectionDoesNothingAndAFailedStoreStillRestarts)
{
    StartOn();
    Seconds(3);
    schedule.IntervalChanged(std::nullopt);
    EXPECT_EQ(schedule.ElapsedSeconds(), 3);
    EXPECT_TRUE(settings.saves.empty());

    settings.failWith = "Settings file is read-only";
    EXPECT_NO_THROW(schedule.IntervalChanged(4));
    EXPECT_EQ(schedule.ElapsedSeconds(), 0);
    EXPECT_EQ(schedule.CurrentInterval(), 30);
    EXPECT_TRUE(reporter.reports.empty());
}

TEST_F(ScheduleTest, FailingScheduledRecordsAreToldOnceAndLoggingGoesOn)
{
    StartOn();
    schedule.SetInterval(1);
    recorder.failWith = "Cannot open log file '/ro/log.txt': Permission denied";
    Seconds(3);
    EXPECT_EQ(recorder.calls, 3);
    EXPECT_EQ(health.events,
              (std::vector<std::string>{"failing: Cannot open log file '/ro/log.txt': Permission denied"}));
    EXPECT_EQ(schedule.ElapsedSeconds(), 0);
    EXPECT_EQ(progressBar1.position, 0);
    EXPECT_EQ((TimerState{timer.interval, timer.enabled}), (TimerState{1000, true}));
    EXPECT_TRUE(reporter.reports.empty());

    recorder.failWith.reset();
    Seconds(2);
    EXPECT_EQ(health.events.size(), 2u);
    EXPECT_EQ(health.events.back(), "working again");
}

TEST_F(ScheduleTest, ACheckKeptOutOfTheLogIsNoFailureAndItsRetryLeavesTheCountAlone)
{
    StartOn();
    recorder.keptOut = true;
    schedule.PushButton6_Click();
    Seconds(5);
    EXPECT_EQ(recorder.calls, 2);
    EXPECT_TRUE(reporter.reports.empty());
    EXPECT_TRUE(health.events.empty());
    EXPECT_FALSE(schedule.State().lastCheck);

    recorder.keptOut = false;
    Seconds(2);
    gate.due = true;
    Second();
    EXPECT_EQ(recorder.calls, 3);
    EXPECT_EQ(schedule.ElapsedSeconds(), 3);
    EXPECT_TRUE(schedule.State().lastCheck);
    ExpectEveryRecordWithTheTimerStopped();
    EXPECT_EQ((TimerState{timer.interval, timer.enabled}), (TimerState{1000, true}));
}

TEST_F(ScheduleTest, LogNowThatWorksEndsTheFailingNotice)
{
    // With a long interval the next scheduled record may be a day away; the user who mended the
    // cause checks at once.
    StartOn();
    schedule.SetInterval(1);
    recorder.failWith = "Disk full";
    Second();
    recorder.failWith.reset();
    schedule.PushButton6_Click();
    EXPECT_EQ(health.events, (std::vector<std::string>{"failing: Disk full", "working again"}));
}

TEST_F(ScheduleTest, TurnOffDuringAScheduledRecordKeepsLoggingOff)
{
    StartOn();
    schedule.SetInterval(1);
    recorder.during = [&] { schedule.PushButton5_Click(); };
    Second();
    ExpectOff();
    EXPECT_EQ(frame1.caption, kLogIsOff);
    Seconds(3);
    EXPECT_EQ(recorder.calls, 1);
}

TEST_F(ScheduleTest, TurnOffAndOnAgainDuringAScheduledRecordLeavesLoggingOn)
{
    StartOn();
    schedule.SetInterval(1);
    recorder.during = [&] {
        schedule.PushButton5_Click();
        schedule.PushButton5_Click();
    };
    Second();
    ExpectOn();
    EXPECT_EQ(recorder.calls, 2);
    ExpectEveryRecordWithTheTimerStopped();
}

TEST_F(ScheduleTest, TurnOffWhileTheTickLetsEventsRunCancelsItsRecord)
{
    StartOn();
    schedule.SetInterval(1);
    pump.Queue([&] { schedule.PushButton5_Click(); });
    Second();
    EXPECT_EQ(recorder.calls, 0);
    ExpectOff();
}

TEST_F(ScheduleTest, TurnOffDuringTheTurnOnRecordKeepsLoggingOff)
{
    StartOff();
    recorder.during = [&] { schedule.PushButton5_Click(); };
    schedule.PushButton5_Click();
    ExpectOff();
    EXPECT_EQ(settings.saves, (std::vector<std::string>{"StartStopState=Off"}));
}

TEST_F(ScheduleTest, SwitchTurnedDuringLogNowIsNotUndoneByTheRestore)
{
    StartOff();
    pump.Queue([&] { schedule.PushButton5_Click(); });
    schedule.PushButton6_Click();
    ExpectOn();
    EXPECT_EQ(recorder.calls, 2);

    pump.Queue([&] { schedule.PushButton5_Click(); });
    schedule.PushButton6_Click();
    ExpectOff();
    ExpectEveryRecordWithTheTimerStopped();
}

TEST_F(ScheduleTest, LogNowInsideOtherRecordsDoesNotStartTheTimerEarly)
{
    StartOn();
    schedule.SetInterval(1);
    std::optional<TimerState> afterLogNow;
    recorder.during = [&] {
        schedule.PushButton6_Click();
        afterLogNow = TimerState{timer.interval, timer.enabled};
    };
    Second();
    EXPECT_EQ(afterLogNow, (TimerState{0, false}));
    ExpectOn();

    StartOff();
    recorder.during = [&] {
        schedule.PushButton6_Click();
        afterLogNow = TimerState{timer.interval, timer.enabled};
    };
    schedule.PushButton5_Click();
    EXPECT_EQ(afterLogNow, (TimerState{0, true}));
    ExpectOn();
    ExpectEveryRecordWithTheTimerStopped();
}

TEST_F(ScheduleTest, TickDeliveredInsideATickIsDropped)
{
    StartOn();
    schedule.SetInterval(2);
    pump.Queue([&] { schedule.Tick(); });
    Second();
    EXPECT_EQ(schedule.ElapsedSeconds(), 1);
    EXPECT_EQ(frame1.caption, Countdown("00:00:04"));
}

TEST_F(ScheduleTest, ChangeOfIntervalWhileTheTickLetsEventsRunPostponesTheRecord)
{
    StartOn();
    schedule.SetInterval(1);
    pump.Queue([&] { schedule.IntervalChanged(2); });
    Second();
    EXPECT_EQ(recorder.calls, 0);
    Second();
    EXPECT_EQ(frame1.caption, Countdown("00:00:04"));
}

} // namespace
} // namespace pellavane

namespace pellavane {
namespace {

struct RecordingListener : IMonitorListener
{
    void LoggingStarted(int seconds) override { events.push_back("started " + std::to_string(seconds)); }
    void LoggingStopped() override { events.push_back("stopped"); }
    void CheckRecorded(const CheckResult& check) override
    {
        events.push_back(check.connected ? "connected" : "disconnected");
    }
    void RecordsFailing(const std::string& reason) override { events.push_back("failing: " + reason); }
    void RecordsWorkingAgain() override { events.push_back("working again"); }
    std::vector<std::string> events;
};

TEST_F(ScheduleTest, ListenersHearEachChangeAndTheStateKeepsSinceWhenTheStatusHolds)
{
    RecordingListener listener;
    schedule.AddListener(listener);
    StartOff();
    schedule.PushButton5_Click(); // on: records at once (time +1)
    recorder.connected = false;
    schedule.PushButton6_Click(); // +2, the status changes
    schedule.PushButton6_Click(); // +3, it holds
    recorder.failWith = "Disk full";
    schedule.IntervalChanged(1);
    Second();
    schedule.PushButton5_Click();

    EXPECT_EQ(listener.events,
              (std::vector<std::string>{"stopped", "started 5", "connected", "disconnected", "disconnected",
                                        "started 1", "failing: Disk full", "stopped"}));
    const MonitorState state = schedule.State();
    EXPECT_FALSE(state.logging);
    EXPECT_EQ(state.intervalSeconds, 1);
    ASSERT_TRUE(state.lastCheck);
    EXPECT_FALSE(state.lastCheck->connected);
    EXPECT_EQ(state.lastCheck->time, 1'790'000'003);
    EXPECT_EQ(state.statusSince, 1'790'000'002);
    EXPECT_EQ(state.lastChange, 1'790'000'002);
    EXPECT_TRUE(state.recordsFailing);

    schedule.RemoveListener(listener);
    schedule.PushButton5_Click();
    EXPECT_EQ(listener.events.size(), 8u);
}

TEST_F(ScheduleTest, TheViewIsToldOnlyWhatChanged)
{
    StartOff();
    Seconds(1);
    schedule.Tick();
    schedule.Tick();
    EXPECT_EQ(frame1.history, (std::vector<std::string>{kLogIsOff}))
        << "an unchanged caption is not rewritten";
    StartOn();
    Seconds(2);
    EXPECT_EQ(progressBar1.positions, (std::vector<int>{1, 2}));
}

} // namespace
} // namespace pellavane
