#include "engine/probe.h"

#include "engine/capture_posix.h"
#include "engine/probe_platform.h"

namespace pellavane {

PingDialect NativePingDialect()
{
    return PingDialect::Unix;
}

std::string PingCommandLine(const std::string& host)
{
    // Each ping family spells the reply wait its own way.
#if defined(__APPLE__) || defined(__FreeBSD__) || defined(__DragonFly__)
    return "ping -c 1 -W 4000 " + host;
#elif defined(__OpenBSD__) || defined(__NetBSD__)
    return "ping -c 1 -w 4 " + host;
#else
    return "ping -c 1 -W 4 " + host;
#endif
}

std::string RunPing(const std::string& commandLine, const EventPump& pump, const CaptureLimits& limits)
{
    // The markers are those of the English text, which only the C locale guarantees.
    return RunCapturedCommandWithEnvironment(commandLine, true, false, true, pump, limits, {"LC_ALL=C"});
}

} // namespace pellavane
