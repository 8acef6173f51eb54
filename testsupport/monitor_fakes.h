#pragma once

#include "engine/check/probe.h"
#include "engine/monitor/recorder.h"
#include "engine/monitor/window_controls.h"

#include <ctime>
#include <string>
#include <vector>

// Stand-ins for what the logging schedule and the recorder are handed: the window's timer, the
// probe, the status list.

namespace pellavane::testing {

/** Timer1 as the schedule sees it, with every write it makes in order. */
class FakeTimer : public ITimer
{
public:
    int Interval() const override { return interval; }
    void SetInterval(int milliseconds) override { SetIntervalWithFirstTick(milliseconds, milliseconds); }
    /** Written as a plain interval, so that the order of writes reads the same either way; the
     *  first tick's delay is kept apart. */
    void SetIntervalWithFirstTick(int milliseconds, int first) override
    {
        interval = milliseconds;
        firstTick = first;
        writes.push_back("interval " + std::to_string(milliseconds));
    }
    bool Enabled() const override { return enabled; }
    void SetEnabled(bool value) override
    {
        enabled = value;
        writes.push_back(value ? "enabled" : "disabled");
    }
    /** Whether a real timer would deliver ticks now. */
    bool Ticking() const { return enabled && interval != 0; }

    int interval = 0;
    /** Milliseconds to the first tick of the period the last interval write began. */
    int firstTick = 0;
    bool enabled = true;
    std::vector<std::string> writes;
};

/** A view of the schedule that shows nothing. */
struct QuietView : IScheduleView
{
    void ShowCountdown(const std::string&) override {}
    void ShowProgress(int, int) override {}
    void ShowSwitch(bool) override {}
    void ShowBusy(bool) override {}
    void RecordsFailing(const std::string&) override {}
    void RecordsWorkingAgain() override {}
};

/** A connection that is always up. */
struct AnsweringVerdict : IConnectivityVerdict
{
    bool IsInternetConnected() override { return true; }
};

/** The window's status list, as the number of rows it shows. */
struct CountingList : IStatusList
{
    int rows = 0;
    void AppendStatusRow(std::time_t, bool) override { ++rows; }
    void RemoveAllRows() override { rows = 0; }
};

} // namespace pellavane::testing
