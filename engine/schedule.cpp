#include "engine/schedule.h"

#include "engine/guarded_handler.h"
#include "engine/recorder.h"
#include "engine/settings_store.h"
#include "engine/window_controls.h"

#include <climits>
#include <exception>
#include <optional>
#include <stdexcept>
#include <utility>

namespace pellavane {

namespace {

constexpr int kTickMilliseconds = 1000;
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

LoggingSchedule::LoggingSchedule(ScheduleControls controls) : m_c(std::move(controls)) {}

int LoggingSchedule::IntervalSeconds() const
{
    const std::optional<std::string> text = m_c.listView2.SelectedText();
    if (!text) {
        throw std::runtime_error("No interval is selected in the interval list; choose one of its rows.");
    }
    return IntervalSecondsForText(*text);
}

void LoggingSchedule::Tick()
{
    // The pump inside a tick could deliver another tick; it would count the same second twice.
    if (m_ticking) {
        return;
    }
    const RunningFlag running(m_ticking);

    if (m_c.timer.Interval() == 0) {
        m_c.frame1.SetCaption(kLogIsOff);
        return;
    }
    const std::optional<std::string> text = m_c.listView2.SelectedText();
    if (!text) {
        return;
    }
    m_currentInterval = IntervalSecondsForText(*text);
    // Saturates: with an interval of 0 the count grows without end.
    if (m_elapsedSeconds < INT_MAX) {
        ++m_elapsedSeconds;
    }
    m_c.progressBar1.SetMaximum(m_currentInterval);
    if (m_elapsedSeconds <= m_currentInterval) {
        m_c.progressBar1.SetPosition(m_elapsedSeconds);
    }
    m_c.frame1.SetCaption(kCountdownPrefix + CountdownText(m_currentInterval - m_elapsedSeconds));
    Pump();

    // A turn-off handled just now means the user no longer wants this record; a change of interval
    // handled just now has restarted the count (and an interval of 0 never records).
    if (m_c.timer.Interval() == 0) {
        return;
    }
    if (m_currentInterval > 0 && m_elapsedSeconds == m_currentInterval) {
        MakeScheduledRecord();
    }
}

void LoggingSchedule::MakeScheduledRecord()
{
    m_c.timer.SetInterval(0);
    m_c.timer.SetEnabled(false);

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
    try {
        m_c.recorder.RecordStatus();
    } catch (...) {
        failure = DescribeException(std::current_exception());
    }
    pump();

    // A failed record restarts the count as well, so logging goes on and tries again one interval later.
    m_elapsedSeconds = 0;
    m_c.progressBar1.SetPosition(0);
    // Follows the switch rather than forcing 1000: a turn-off handled during the record keeps logging off.
    m_c.timer.SetInterval(SwitchInterval());
    m_c.timer.SetEnabled(true);

    if (failure) {
        NoteRecordFailed(*failure);
    } else {
        NoteRecordWorked();
    }
    if (pumpFailure) {
        std::rethrow_exception(pumpFailure);
    }
}

void LoggingSchedule::PushButton5_Click()
{
    GuardedHandler h(m_c.reporter, HandlerTag("PushButton5_Click"));
    const auto store = [&](const char* state) {
        m_c.settings.Save(kSettingsApp, kSettingsSection, "StartStopState", state);
    };

    if (h.Test(100, [&] { return m_c.pushButton5.Caption() == kCaptionTurnOn; })) {
        const unsigned turn = ++m_switchTurns;
        // The record lets events run; a turn-off handled then has the last word, and starting the
        // timer or storing "On" after it would leave logging running under a switch that reads off.
        const auto stillThisTurn = [&] { return m_switchTurns == turn; };
        h.Step(102, [&] { m_c.pushButton5.SetCaption(kCaptionTurnOff); });
        h.Step(104, [&] {
            m_c.recorder.RecordStatus();
            NoteRecordWorked();
        });
        h.Step(106, [&] {
            if (stillThisTurn()) {
                m_c.timer.SetInterval(kTickMilliseconds);
            }
        });
        h.Step(108, [&] {
            if (stillThisTurn()) {
                store("On");
            }
        });
    } else if (h.Test(110, [&] { return m_c.pushButton5.Caption() == kCaptionTurnOff; })) {
        ++m_switchTurns;
        h.Step(112, [&] { m_c.pushButton5.SetCaption(kCaptionTurnOn); });
        h.Step(114, [&] {
            m_c.timer.SetInterval(0);
            // Said at once: the last countdown would otherwise stand as if a record were still coming.
            m_c.frame1.SetCaption(kLogIsOff);
        });
        h.Step(116, [&] { store("Off"); });
    }
}

void LoggingSchedule::PushButton6_Click()
{
    GuardedHandler h(m_c.reporter, HandlerTag("PushButton6_Click"));
    const unsigned turns = m_switchTurns;
    // Outside a record the timer is always enabled, so that is the safe value if it cannot be read.
    bool wasEnabled = true;
    std::optional<int> oldInterval;

    h.Step(100, [&] { wasEnabled = m_c.timer.Enabled(); });
    h.Step(102, [&] { oldInterval = m_c.timer.Interval(); });
    h.Step(104, [&] { m_c.timer.SetEnabled(false); });
    h.Step(106, [&] { m_c.timer.SetInterval(0); });
    h.Step(108, [&] { Pump(); });
    h.Step(110, [&] { m_c.pointer.SetPointer(kPointerHourglass); });
    h.Step(112, [&] {
        m_c.recorder.RecordStatus();
        NoteRecordWorked();
    });
    h.Step(114, [&] { m_c.pointer.SetPointer(kPointerDefault); });
    h.Step(118, [&] { m_c.timer.SetEnabled(wasEnabled); });
    // A turn of the switch handled while this ran has set the interval it wants since; restoring the
    // remembered one would undo it (logging off under a switch that reads on, or the reverse).
    h.Step(120, [&] {
        const bool switchTurned = m_switchTurns != turns;
        m_c.timer.SetInterval(switchTurned || !oldInterval ? SwitchInterval() : *oldInterval);
    });
}

void LoggingSchedule::IntervalChanged()
{
    const std::optional<int> position = m_c.listView2.SelectedPosition();
    if (!position || !m_c.listView2.SelectedText()) {
        return;
    }
    try {
        m_c.settings.Save(kSettingsApp, kSettingsSection, "OftenIndex", std::to_string(*position));
    } catch (...) {
        // This handler has no report of its own. The count still restarts: the user chose the
        // interval for this run, and only remembering it for the next start has failed.
    }
    m_currentInterval = IntervalSeconds();
    m_elapsedSeconds = 0;
}

void LoggingSchedule::Pump()
{
    if (m_c.pump) {
        m_c.pump();
    }
}

int LoggingSchedule::SwitchInterval() const
{
    return m_c.pushButton5.Caption() == kCaptionTurnOff ? kTickMilliseconds : 0;
}

void LoggingSchedule::NoteRecordWorked()
{
    if (m_recordsFailing) {
        m_recordsFailing = false;
        m_c.health.RecordsWorkingAgain();
    }
}

void LoggingSchedule::NoteRecordFailed(const std::string& reason)
{
    if (!m_recordsFailing) {
        m_recordsFailing = true;
        m_c.health.RecordsFailing(reason);
    }
}

} // namespace pellavane
