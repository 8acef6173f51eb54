#pragma once

#include "core/machine_clocks.h"

#include <chrono>
#include <ctime>
#include <optional>
#include <vector>

namespace pellavane {

/** The cause of a failed check that the resume grace confirmed. */
inline constexpr const char* kCauseAfterResume = "after resume";

/** How long after a resume a failing check is tried again before it is recorded. */
inline constexpr std::chrono::seconds kResumeGrace{30};
/** The wait between two tries of a failing check within the grace. */
inline constexpr std::chrono::seconds kResumeRetryWait{5};
/** A step of the wall clock against the boot clock beyond this is a clock row, not an outage. */
inline constexpr std::chrono::seconds kWallClockStepLimit{2};
/** Boot time gained on monotonic time beyond this between two looks is time asleep. */
inline constexpr std::chrono::seconds kSleepFoundAbove{1};
/** Awake time after a sleep signal beyond which the sleep is taken as over even though no resume
 *  was told: a lost signal must not stop the checks for good. */
inline constexpr std::chrono::seconds kSleepSignalLimit{60};

/** Told by a platform's power events (logind, the window's power broadcasts). */
class ISleepListener
{
public:
    virtual ~ISleepListener() = default;
    /** The machine is about to sleep; the sleep row is written before this returns. */
    virtual void PreparingForSleep() = 0;
    /** The machine woke. */
    virtual void Resumed() = 0;
};

/** What the watch found; the monitor writes each as a journal row. */
class ISleepObserver
{
public:
    virtual ~ISleepObserver() = default;
    virtual void MachineSlept(std::time_t began) = 0;
    virtual void MachineResumed(std::time_t at) = 0;
    virtual void WallClockStepped(std::time_t at, long long bySeconds) = 0;
};

/** What to do with a check that has ended. */
enum class CheckVerdict
{
    Record,
    /** Record it as disconnected, a failure the resume grace confirmed. */
    RecordAfterResume,
    /** Do not record it; try again once RetryDue(). */
    Retry,
    /** It spanned a sleep: do not record it. */
    Drop
};

/** Remembers, for one check, which sleep the machine was in when it started. */
struct CheckTicket
{
    unsigned sleeps = 0;
};

/** Decides around each check whether it may run and whether it is recorded. */
class ICheckGate
{
public:
    virtual ~ICheckGate() = default;
    /** False while no check may run (the machine is going to sleep or asleep). */
    virtual bool MayCheck() = 0;
    virtual CheckTicket CheckStarting() = 0;
    virtual CheckVerdict CheckEnded(const CheckTicket& ticket, bool connected) = 0;
    /** A check that was not recorded is to be made again now. */
    virtual bool RetryDue() = 0;
};

/** Sleep and wall-clock steps as the monitor must treat them: told by the platform where it can,
 *  found from the clocks where it cannot (boot time running ahead of monotonic time), and the
 *  grace after a resume. Every decision is on the boot clock, which counts time asleep. */
class SleepWatch : public ISleepListener, public ICheckGate
{
public:
    SleepWatch(IMachineClocks& clocks, ISleepObserver& observer);
    /** observer is told too from now on; it must outlive the watch. */
    void AddObserver(ISleepObserver& observer);

    void PreparingForSleep() override;
    void Resumed() override;

    /** Compares the clocks with the last look and tells what happened between. Call it on every
     *  tick: a sleep is then found within a tick of the resume. */
    void Look();
    /** False from a sleep to its resume. */
    bool MayCheck() override;
    CheckTicket CheckStarting() override;
    CheckVerdict CheckEnded(const CheckTicket& ticket, bool connected) override;
    /** A failed check awaits its next try and the wait is over. */
    bool RetryDue() override;

private:
    void Slept(std::time_t began, const ClockReading& now);
    void Woke(const ClockReading& now);

    IMachineClocks& m_clocks;
    std::vector<ISleepObserver*> m_observers;
    ClockReading m_last;
    bool m_asleep = false;
    /** Monotonic time when the sleep was signalled. */
    std::chrono::nanoseconds m_asleepSince{0};
    unsigned m_sleeps = 0;
    std::optional<std::chrono::nanoseconds> m_graceUntil;
    std::optional<std::chrono::nanoseconds> m_retryAt;
    bool m_failingInGrace = false;
};

} // namespace pellavane
