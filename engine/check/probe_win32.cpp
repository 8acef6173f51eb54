#include "engine/check/probe.h"

#include "engine/check/probe_platform.h"

namespace pellavane {

PingDialect NativePingDialect()
{
    return PingDialect::Windows;
}

std::string PingCommandLine(const std::string& host, int echoes)
{
    // Windows' ping has no gap to choose: its echoes go out about a second apart.
    return "ping " + host + " -n " + std::to_string(echoes);
}

} // namespace pellavane
