#include "engine/monitor/schedule.h"

#include "core/guarded_handler.h"
#include "engine/monitor/recorder.h"
#include "engine/monitor/sleep_watch.h"
#include "engine/monitor/window_controls.h"
#include "settings/settings.h"

#include <climits>
#include <exception>
#include <optional>
#include <stdexcept>
#include <utility>

namespace pellavane {

namespace {

constexpr int kTickMilliseconds = 1000;
/** How late a tick may come and still be counted from when it was due. */
constexpr std::chrono::milliseconds kTickLateness{250};
constexpr long long kSecondsPerDay = 86400;

/** Sets a flag for the lifetime of the guard, so that a handler knows it is running. */
class RunningFlag
{
public:
    explicit RunningFlag(bool& flag) : m_flag(flag) { m_flag = true; }
    ~RunningFlag() { m_flag = false; }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;

private:
    bool& m_flag;
};

} // namespace

int IntervalSecondsForText(std::string_view text)
{
    for (const IntervalRow& row : kIntervalTable) {
        if (text == row.text) {
            return row.seconds;
        }
    }
    return 0;
}

std::string CountdownText(int seconds)
{
    // Widened first: the magnitude of INT_MIN does not fit in an int.
    long long rest = static_cast<long long>(seconds);
    if (rest < 0) {
        rest = -rest;
    }
    rest %= kSecondsPerDay;
    const auto twoDigits = [](long long value) {
        return std::string{static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
    };
    return twoDigits(rest / 3600) + ":" + twoDigits(rest / 60 % 60) + ":" + twoDigits(rest % 60);
}

LoggingSchedule::LoggingSchedule(ScheduleServices services)
    : m_s(std::move(services)), m_clocks(m_s.clocks != nullptr ? *m_s.clocks : m_systemClocks),
      m_quality(&m_clocks)
{}

int LoggingSchedule::IntervalSeconds() const
{
    if (!m_row) {
        throw std::runtime_error("No interval is selected in the interval list; choose one of its rows.");
    }
    return kIntervalTable[static_cast<std::size_t>(*m_row - 1)].seconds;
}

MonitorState LoggingSchedule::State() const
{
    MonitorState state;
    state.logging = m_on.value_or(false);
    state.intervalSeconds = m_row ? IntervalSeconds() : 0;
    state.elapsedSeconds = m_elapsedSeconds;
    state.lastCheck = m_lastCheck;
    state.statusSince = m_statusSince;
    state.lastChange = m_lastChange;
    state.recordsFailing = m_recordsFailing;
    state.degraded = m_quality.Degraded();
    state.degradedReason = m_quality.Reason();
    return state;
}

void LoggingSchedule::AddListener(IMonitorListener& listener)
{
    m_listeners.push_back(&listener);
}

void LoggingSchedule::RemoveListener(IMonitorListener& listener)
{
    std::erase(m_listeners, &listener);
}

template <class Call>
void LoggingSchedule::TellListeners(Call&& call)
{
    // A copy: a listener may remove itself while it is told.
    const std::vector<IMonitorListener*> listeners = m_listeners;
    for (IMonitorListener* listener : listeners) {
        call(*listener);
    }
}

void LoggingSchedule::SetLogging(bool on)
{
    ShowSwitch(on);
}

void LoggingSchedule::SetInterval(std::optional<int> row)
{
    if (row && (*row < 1 || *row > static_cast<int>(kIntervalTable.size()))) {
        throw std::out_of_range("Index out of bounds: the list has no row " + std::to_string(*row));
    }
    m_row = row;
}

void LoggingSchedule::RecordStatus()
{
    static_cast<void>(Record());
}

void LoggingSchedule::Tick()
{
    // The pump inside a tick could deliver another tick; it would count the same second twice.
    if (m_ticking) {
        return;
    }
    const RunningFlag running(m_ticking);
    // Every tick comes a little after it was due; counting the next second from its arrival would
    // let that lateness add up, after a record at each second, until one second had no check.
    std::chrono::nanoseconds began = m_clocks.Read().boottime;
    if (m_tickDue && began >= *m_tickDue && began - *m_tickDue < kTickLateness) {
        began = *m_tickDue;
    }
    m_tickDue = began + std::chrono::milliseconds(kTickMilliseconds);

    if (m_s.timer.Interval() == 0) {
        ShowCountdown(kLogIsOff);
        return;
    }
    if (!m_row) {
        return;
    }
    m_currentInterval = IntervalSeconds();
    // Saturates: with an interval of 0 the count grows without end.
    if (m_elapsedSeconds < INT_MAX) {
        ++m_elapsedSeconds;
    }
    // Past the end of the interval the bar stays where it was.
    int position = m_shownProgress ? m_shownProgress->second : 0;
    if (m_elapsedSeconds <= m_currentInterval) {
        position = m_elapsedSeconds;
    }
    ShowProgress(m_currentInterval, position);
    ShowCountdown(kCountdownPrefix + CountdownText(m_currentInterval - m_elapsedSeconds));
    Pump();

    // A turn-off handled just now means the user no longer wants this record; a change of interval
    // handled just now has restarted the count (and an interval of 0 never records).
    if (m_s.timer.Interval() == 0) {
        return;
    }
    if (m_currentInterval > 0 && m_elapsedSeconds == m_currentInterval) {
        MakeScheduledRecord(began);
    } else if (m_s.gate != nullptr && m_s.gate->RetryDue()) {
        MakeScheduledRecord(began, false);
    }
}

void LoggingSchedule::MakeScheduledRecord(std::chrono::nanoseconds tickBegan, bool restartCount)
{
    m_s.timer.SetInterval(0);
    m_s.timer.SetEnabled(false);

    // Whatever happens while events run, the timer must run again afterwards: a tick that left it
    // stopped would end logging while the switch still reads on.
    std::exception_ptr pumpFailure;
    const auto pump = [&] {
        try {
            Pump();
        } catch (...) {
            if (!pumpFailure) {
                pumpFailure = std::current_exception();
            }
        }
    };

    pump();
    std::optional<std::string> failure;
    std::optional<CheckResult> check;
    bool kept = false;
    try {
        check = m_s.recorder.RecordStatus();
    } catch (const CheckNotRecorded&) {
        kept = true;
    } catch (...) {
        failure = DescribeException(std::current_exception());
    }
    pump();

    // A failed record restarts the count as well, so logging goes on and tries again one interval later.
    if (restartCount) {
        m_elapsedSeconds = 0;
        ShowProgress(m_shownProgress ? m_shownProgress->first : 0, 0);
    }
    RestartTimer(tickBegan);

    if (failure) {
        NoteRecordFailed(*failure);
    } else if (!kept) {
        NoteCheck(*check);
        NoteRecordWorked();
    }
    if (pumpFailure) {
        std::rethrow_exception(pumpFailure);
    }
}

void LoggingSchedule::RestartTimer(std::chrono::nanoseconds tickBegan)
{
    // Follows the switch rather than forcing 1000: a turn-off handled during the record keeps logging off.
    const int interval = SwitchInterval();
    const auto now = m_clocks.Read().boottime;
    const auto taken = now - tickBegan;
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(std::chrono::milliseconds(interval) - taken);
    // A record that took the whole second or more (a hung ping, a log that cannot be written, a
    // sleep) restarts the count: the seconds it missed are not made up in a burst of checks.
    if (interval > 0 && taken >= std::chrono::nanoseconds::zero() && left.count() > 0 &&
        left.count() < interval) {
        m_s.timer.SetIntervalWithFirstTick(interval, static_cast<int>(left.count()));
    } else {
        m_s.timer.SetInterval(interval);
        m_tickDue = now + std::chrono::milliseconds(interval);
    }
    m_s.timer.SetEnabled(true);
}

void LoggingSchedule::PushButton5_Click()
{
    GuardedHandler h(m_s.reporter, HandlerTag("PushButton5_Click"));
    const auto store = [&](bool on) { Settings(m_s.settings).Set(kLoggingOnSetting, on); };

    if (h.Test(100, [&] { return m_on == false; })) {
        const unsigned turn = ++m_switchTurns;
        // The record lets events run; a turn-off handled then has the last word, and starting the
        // timer or storing "On" after it would leave logging running under a switch that reads off.
        const auto stillThisTurn = [&] { return m_switchTurns == turn; };
        h.Step(102, [&] { ShowSwitch(true); });
        h.Step(104, [&] {
            if (Record()) {
                NoteRecordWorked();
            }
        });
        h.Step(106, [&] {
            if (stillThisTurn()) {
                m_s.timer.SetInterval(kTickMilliseconds);
            }
        });
        h.Step(108, [&] {
            if (stillThisTurn()) {
                store(true);
            }
        });
    } else if (h.Test(110, [&] { return m_on == true; })) {
        ++m_switchTurns;
        h.Step(112, [&] { ShowSwitch(false); });
        h.Step(114, [&] {
            m_s.timer.SetInterval(0);
            // Said at once: the last countdown would otherwise stand as if a record were still coming.
            ShowCountdown(kLogIsOff);
        });
        h.Step(116, [&] { store(false); });
    }
}

void LoggingSchedule::PushButton6_Click()
{
    GuardedHandler h(m_s.reporter, HandlerTag("PushButton6_Click"));
    const unsigned turns = m_switchTurns;
    // Outside a record the timer is always enabled, so that is the safe value if it cannot be read.
    bool wasEnabled = true;
    std::optional<int> oldInterval;

    h.Step(100, [&] { wasEnabled = m_s.timer.Enabled(); });
    h.Step(102, [&] { oldInterval = m_s.timer.Interval(); });
    h.Step(104, [&] { m_s.timer.SetEnabled(false); });
    h.Step(106, [&] { m_s.timer.SetInterval(0); });
    h.Step(108, [&] { Pump(); });
    h.Step(110, [&] { m_s.view.ShowBusy(true); });
    h.Step(112, [&] {
        if (Record()) {
            NoteRecordWorked();
        }
    });
    h.Step(114, [&] { m_s.view.ShowBusy(false); });
    h.Step(118, [&] { m_s.timer.SetEnabled(wasEnabled); });
    // A turn of the switch handled while this ran has set the interval it wants since; restoring the
    // remembered one would undo it (logging off under a switch that reads on, or the reverse).
    h.Step(120, [&] {
        const bool switchTurned = m_switchTurns != turns;
        m_s.timer.SetInterval(switchTurned || !oldInterval ? SwitchInterval() : *oldInterval);
    });
}

void LoggingSchedule::IntervalChanged(std::optional<int> row)
{
    if (!row || *row < 1 || *row > static_cast<int>(kIntervalTable.size())) {
        m_row.reset();
        return;
    }
    try {
        Settings(m_s.settings).Set(kIntervalRowSetting, *row);
    } catch (...) {
        // This handler has no report of its own. The count still restarts: the user chose the
        // interval for this run, and only remembering it for the next start has failed.
    }
    m_row = row;
    m_currentInterval = IntervalSeconds();
    m_elapsedSeconds = 0;
    if (m_on == true) {
        TellListeners([&](IMonitorListener& l) { l.LoggingStarted(m_currentInterval); });
    }
}

void LoggingSchedule::Pump()
{
    if (m_s.pump) {
        m_s.pump();
    }
}

int LoggingSchedule::SwitchInterval() const
{
    return m_on == true ? kTickMilliseconds : 0;
}

void LoggingSchedule::ShowSwitch(bool on)
{
    m_on = on;
    m_s.view.ShowSwitch(on);
    if (on) {
        ReadThresholds();
        const int seconds = m_row ? IntervalSeconds() : 0;
        TellListeners([&](IMonitorListener& l) { l.LoggingStarted(seconds); });
    } else {
        // The degraded period ends before the stop, so that a reader meets its end first.
        TellQuality(m_quality.Forget(m_quality.Now(), QualityEnd::LoggingOff));
        TellListeners([](IMonitorListener& l) { l.LoggingStopped(); });
    }
}

void LoggingSchedule::ReadThresholds()
{
    const Settings settings(m_s.settings);
    DegradedThresholds thresholds;
    std::string problems;
    try {
        thresholds.lossPct = settings.Get(kDegradedLossPctSetting);
    } catch (const std::exception& e) {
        problems += std::string(e.what()) + " The loss of " + DecimalText(thresholds.lossPct) + " % stands. ";
    }
    try {
        thresholds.rttMs = settings.Get(kDegradedRttMsSetting);
    } catch (const std::exception& e) {
        problems +=
            std::string(e.what()) + " The round trip of " + DecimalText(thresholds.rttMs) + " ms stands. ";
    }
    m_quality.SetThresholds(thresholds);
    if (!problems.empty()) {
        problems.pop_back();
        m_s.reporter.ReportError(HandlerTag("SetLogging"), 0, problems);
    }
}

void LoggingSchedule::TellQuality(const std::optional<QualityChange>& change)
{
    if (change) {
        TellListeners([&](IMonitorListener& l) { l.QualityChanged(*change); });
    }
}

void LoggingSchedule::MachineSlept(std::time_t began)
{
    TellQuality(m_quality.Forget(began, QualityEnd::Sleep));
}

void LoggingSchedule::MachineResumed(std::time_t at)
{
    TellQuality(m_quality.Resumed(at));
}

void LoggingSchedule::ShowCountdown(const std::string& text)
{
    if (m_shownCountdown != text) {
        m_s.view.ShowCountdown(text);
        m_shownCountdown = text;
    }
}

void LoggingSchedule::ShowProgress(int maximum, int position)
{
    const std::pair<int, int> shown{maximum, position};
    if (m_shownProgress != shown) {
        m_s.view.ShowProgress(maximum, position);
        m_shownProgress = shown;
    }
}

bool LoggingSchedule::Record()
{
    CheckResult check;
    try {
        check = m_s.recorder.RecordStatus();
    } catch (const CheckNotRecorded&) {
        return false;
    }
    NoteCheck(check);
    return true;
}

void LoggingSchedule::NoteCheck(const CheckResult& check)
{
    if (!m_lastCheck) {
        m_statusSince = check.time;
    } else if (m_lastCheck->connected != check.connected) {
        m_statusSince = check.time;
        m_lastChange = check.time;
    }
    m_lastCheck = check;
    TellListeners([&](IMonitorListener& l) { l.CheckRecorded(check); });
    TellQuality(m_quality.CheckRecorded(check));
}

void LoggingSchedule::NoteRecordWorked()
{
    if (m_recordsFailing) {
        m_recordsFailing = false;
        m_s.view.RecordsWorkingAgain();
        TellListeners([](IMonitorListener& l) { l.RecordsWorkingAgain(); });
    }
}

void LoggingSchedule::NoteRecordFailed(const std::string& reason)
{
    if (!m_recordsFailing) {
        m_recordsFailing = true;
        m_s.view.RecordsFailing(reason);
        TellListeners([&](IMonitorListener& l) { l.RecordsFailing(reason); });
    }
}

} // namespace pellavane
