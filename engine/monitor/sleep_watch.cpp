#include "engine/monitor/sleep_watch.h"

namespace pellavane {
namespace {

std::time_t WallSeconds(std::chrono::nanoseconds wall)
{
    return static_cast<std::time_t>(std::chrono::floor<std::chrono::seconds>(wall).count());
}

} // namespace

SleepWatch::SleepWatch(IMachineClocks& clocks, ISleepObserver& observer)
    : m_clocks(clocks), m_observers{&observer}, m_last(clocks.Read())
{}

void SleepWatch::AddObserver(ISleepObserver& observer)
{
    m_observers.push_back(&observer);
}

void SleepWatch::PreparingForSleep()
{
    Look();
    if (!m_asleep) {
        Slept(WallSeconds(m_last.wall), m_last);
    }
}

void SleepWatch::Resumed()
{
    // A look that finds the gap already tells the resume; so does one that came before this.
    Look();
    if (m_asleep) {
        Woke(m_last);
    }
}

void SleepWatch::Look()
{
    const ClockReading now = m_clocks.Read();
    const auto awake = now.monotonic - m_last.monotonic;
    const auto elapsed = now.boottime - m_last.boottime;
    const auto asleep = elapsed - awake;
    const auto step = (now.wall - m_last.wall) - elapsed;
    const ClockReading before = m_last;
    m_last = now;

    if (step > kWallClockStepLimit || step < -kWallClockStepLimit) {
        for (ISleepObserver* observer : m_observers) {
            observer->WallClockStepped(WallSeconds(now.wall),
                                       std::chrono::round<std::chrono::seconds>(step).count());
        }
    }
    if (asleep > kSleepFoundAbove) {
        if (!m_asleep) {
            // The latest moment the sleep can have begun: all the awake time came before it.
            Slept(WallSeconds(before.wall + awake), now);
        }
        Woke(now);
    } else if (m_asleep && now.monotonic - m_asleepSince > kSleepSignalLimit) {
        Woke(now);
    }
}

bool SleepWatch::MayCheck()
{
    Look();
    return !m_asleep;
}

CheckTicket SleepWatch::CheckStarting()
{
    Look();
    return CheckTicket{m_sleeps};
}

CheckVerdict SleepWatch::CheckEnded(const CheckTicket& ticket, bool connected)
{
    Look();
    if (m_asleep || ticket.sleeps != m_sleeps) {
        return CheckVerdict::Drop;
    }
    m_retryAt.reset();
    if (connected) {
        m_failingInGrace = false;
        return CheckVerdict::Record;
    }
    if (m_graceUntil && m_last.boottime < *m_graceUntil) {
        m_failingInGrace = true;
        m_retryAt = m_last.boottime + kResumeRetryWait;
        return CheckVerdict::Retry;
    }
    m_graceUntil.reset();
    if (m_failingInGrace) {
        m_failingInGrace = false;
        return CheckVerdict::RecordAfterResume;
    }
    return CheckVerdict::Record;
}

bool SleepWatch::RetryDue()
{
    Look();
    return !m_asleep && m_retryAt && m_last.boottime >= *m_retryAt;
}

void SleepWatch::Slept(std::time_t began, const ClockReading& now)
{
    ++m_sleeps;
    m_retryAt.reset();
    m_failingInGrace = false;
    m_graceUntil.reset();
    m_asleepSince = now.monotonic;
    m_asleep = true;
    for (ISleepObserver* observer : m_observers) {
        observer->MachineSlept(began);
    }
}

void SleepWatch::Woke(const ClockReading& now)
{
    m_asleep = false;
    m_graceUntil = now.boottime + kResumeGrace;
    for (ISleepObserver* observer : m_observers) {
        observer->MachineResumed(WallSeconds(now.wall));
    }
}

} // namespace pellavane
