#pragma once

#include <chrono>

namespace pellavane {

/** The machine's three clocks, read at one moment. */
struct ClockReading
{
    /** Stops while the machine sleeps. */
    std::chrono::nanoseconds monotonic{0};
    /** Counts the time asleep too; every duration is measured on it. */
    std::chrono::nanoseconds boottime{0};
    /** The wall clock, UTC since the epoch; it may be set or stepped at any time. */
    std::chrono::nanoseconds wall{0};
};

class IMachineClocks
{
public:
    virtual ~IMachineClocks() = default;
    virtual ClockReading Read() = 0;
};

/** Linux: CLOCK_MONOTONIC, CLOCK_BOOTTIME, CLOCK_REALTIME. Windows: the unbiased interrupt time,
 *  the tick count and the system time. */
class SystemMachineClocks : public IMachineClocks
{
public:
    ClockReading Read() override;
};

} // namespace pellavane
