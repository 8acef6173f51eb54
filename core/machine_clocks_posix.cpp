#include "core/machine_clocks.h"

#include <time.h>

namespace pellavane {
namespace {

std::chrono::nanoseconds Read(clockid_t clock)
{
    timespec now{};
    ::clock_gettime(clock, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

} // namespace

ClockReading SystemMachineClocks::Read()
{
    ClockReading reading;
    reading.monotonic = pellavane::Read(CLOCK_MONOTONIC);
#ifdef CLOCK_BOOTTIME
    reading.boottime = pellavane::Read(CLOCK_BOOTTIME);
#else
    // Without a clock that counts sleep, sleep cannot be seen from the clocks at all.
    reading.boottime = reading.monotonic;
#endif
    reading.wall = pellavane::Read(CLOCK_REALTIME);
    return reading;
}

} // namespace pellavane
