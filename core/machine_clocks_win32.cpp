#include "core/machine_clocks.h"

#include <windows.h>

namespace pellavane {

ClockReading SystemMachineClocks::Read()
{
    ClockReading reading;
    // The unbiased interrupt time leaves out the time asleep, in units of 100 ns.
    ULONGLONG unbiased = 0;
    ::QueryUnbiasedInterruptTime(&unbiased);
    reading.monotonic = std::chrono::nanoseconds(static_cast<long long>(unbiased) * 100);
    reading.boottime = std::chrono::milliseconds(static_cast<long long>(::GetTickCount64()));
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    const auto sinceFileTimeEpoch =
        (static_cast<long long>(now.dwHighDateTime) << 32) | static_cast<long long>(now.dwLowDateTime);
    // FILETIME counts 100 ns units from 1601-01-01, 11644473600 s before the Unix epoch.
    reading.wall = std::chrono::nanoseconds((sinceFileTimeEpoch - 116444736000000000LL) * 100);
    return reading;
}

} // namespace pellavane
