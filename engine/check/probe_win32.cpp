#include "engine/check/probe.h"

#include "engine/check/probe_platform.h"

namespace pellavane {

PingDialect NativePingDialect()
{
    return PingDialect::Windows;
}

std::string PingCommandLine(const std::string& host, int echoes, std::optional<AddressFamily> family)
{
    const std::string flag = !family ? "" : *family == AddressFamily::V4 ? " -4" : " -6";
    // Windows' ping has no gap to choose: its echoes go out about a second apart.
    return "ping " + host + " -n " + std::to_string(echoes) + flag;
}

} // namespace pellavane
