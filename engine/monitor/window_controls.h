#pragma once

#include <string>

// What the logging schedule drives and tells. The window and the console hand in their own views;
// tests hand in fakes.

namespace pellavane {

/** Timer1: ticks every Interval() milliseconds while Enabled() and Interval() is not 0. Writing the
 *  interval starts a new period, so the next tick comes one full interval after the write. */
class ITimer
{
public:
    virtual ~ITimer() = default;
    virtual int Interval() const = 0;
    virtual void SetInterval(int milliseconds) = 0;
    /** As SetInterval, except that the new period's first tick comes after firstTick milliseconds
     *  (1 or more) rather than a full interval; the ticks after it come every interval again. A
     *  disabled timer keeps the short first tick for when it is enabled. */
    virtual void SetIntervalWithFirstTick(int milliseconds, int firstTick) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
};

/** Where the user is told that scheduled records fail, without a modal box on every tick. */
class IRecordHealth
{
public:
    virtual ~IRecordHealth() = default;
    /** Scheduled records have started failing; reason is the first failure's message. */
    virtual void RecordsFailing(const std::string& reason) = 0;
    /** A scheduled record worked again after failures. */
    virtual void RecordsWorkingAgain() = 0;
};

/** A view of the logging schedule. The schedule calls it only when what it shows changes, so a
 *  view can redraw exactly what it is told. */
class IScheduleView : public IRecordHealth
{
public:
    /** The countdown line: kCountdownPrefix and the time left, or kLogIsOff. */
    virtual void ShowCountdown(const std::string& text) = 0;
    /** The bar of the count: position of maximum seconds; a maximum of 0 shows an empty bar. */
    virtual void ShowProgress(int maximum, int position) = 0;
    /** The switch: on shows kCaptionTurnOff (the click turns logging off), off kCaptionTurnOn. */
    virtual void ShowSwitch(bool on) = 0;
    /** Busy while a log now runs: the window shows the hourglass. */
    virtual void ShowBusy(bool busy) = 0;
};

} // namespace pellavane
