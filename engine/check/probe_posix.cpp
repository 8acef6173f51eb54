#include "engine/check/probe.h"

#include "engine/check/probe_platform.h"

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

} // namespace pellavane
