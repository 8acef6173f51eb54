#pragma once

#include "core/machine_clocks.h"

#include <chrono>
#include <ctime>

namespace pellavane::testing {

/** Clocks a test moves by hand: awake time moves all three, sleep only the boot and wall clocks,
 *  a step only the wall clock. The wall clock starts at 2026-12-08T03:45:17Z. */
class FakeClocks : public IMachineClocks
{
public:
    FakeClocks() { m_now.wall = std::chrono::seconds(1'796'701'517); }
    ClockReading Read() override { return m_now; }
    void Awake(std::chrono::nanoseconds d)
    {
        m_now.monotonic += d;
        m_now.boottime += d;
        m_now.wall += d;
    }
    void Asleep(std::chrono::nanoseconds d)
    {
        m_now.boottime += d;
        m_now.wall += d;
    }
    void Step(std::chrono::nanoseconds d) { m_now.wall += d; }
    std::time_t Wall() const
    {
        return static_cast<std::time_t>(std::chrono::floor<std::chrono::seconds>(m_now.wall).count());
    }

private:
    ClockReading m_now;
};

} // namespace pellavane::testing
