#pragma once

#include <optional>
#include <string>

// The window's controls as the engine sees them. The window hands in Qt adapters; tests hand in fakes.

namespace pellavane {

/** Timer1: ticks every Interval() milliseconds while Enabled() and Interval() is not 0. Writing the
 *  interval starts a new period, so the next tick comes one full interval after the write. */
class ITimer
{
public:
    virtual ~ITimer() = default;
    virtual int Interval() const = 0;
    virtual void SetInterval(int milliseconds) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
};

/** A caption that reads back exactly what was last written: the countdown frame, the switch. */
class ICaption
{
public:
    virtual ~ICaption() = default;
    virtual std::string Caption() const = 0;
    virtual void SetCaption(const std::string& caption) = 0;
};

/** ProgressBar1. */
class IProgressBar
{
public:
    virtual ~IProgressBar() = default;
    virtual void SetMaximum(int maximum) = 0;
    virtual void SetPosition(int position) = 0;
};

/** The interval list ListView2 as the schedule reads it. */
class IIntervalList
{
public:
    virtual ~IIntervalList() = default;
    /** Text of the selected row; nullopt when no row is selected. */
    virtual std::optional<std::string> SelectedText() const = 0;
    /** 1-based position of the selected row; nullopt when no row is selected. */
    virtual std::optional<int> SelectedPosition() const = 0;
};

inline constexpr int kPointerDefault = 0;
inline constexpr int kPointerHourglass = 11;
inline constexpr int kPointerCustom = 99;

/** The main window's mouse pointer: kPointerDefault, kPointerHourglass or kPointerCustom. */
class IMousePointer
{
public:
    virtual ~IMousePointer() = default;
    virtual int Pointer() const = 0;
    virtual void SetPointer(int pointer) = 0;
};

/** Where the window tells the user that scheduled records fail, without a modal box on every tick. */
class IRecordHealth
{
public:
    virtual ~IRecordHealth() = default;
    /** Scheduled records have started failing; reason is the first failure's message. */
    virtual void RecordsFailing(const std::string& reason) = 0;
    /** A scheduled record worked again after failures. */
    virtual void RecordsWorkingAgain() = 0;
};

} // namespace pellavane
