#include "engine/check/probe.h"

#include "engine/check/probe_platform.h"

namespace pellavane {

PingDialect NativePingDialect()
{
    return PingDialect::Unix;
}

std::string PingCommandLine(const std::string& host, int echoes, std::optional<AddressFamily> family)
{
    const std::string flag = !family ? "" : *family == AddressFamily::V4 ? "-4 " : "-6 ";
    const std::string count = "ping " + flag + "-c " + std::to_string(echoes) + ' ';
    // Each ping family spells the reply wait its own way. Below a second between echoes macOS lets
    // anyone go, the other BSDs only their super-user.
#if defined(__APPLE__)
    return count + (echoes > 1 ? "-i 0.2 " : "") + "-W 4000 " + host;
#elif defined(__FreeBSD__) || defined(__DragonFly__)
    return count + "-W 4000 " + host;
#elif defined(__OpenBSD__) || defined(__NetBSD__)
    return count + "-w 4 " + host;
#else
    return count + (echoes > 1 ? "-i 0.2 " : "") + "-W 4 " + host;
#endif
}

} // namespace pellavane
