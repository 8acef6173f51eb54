#include "engine/check/probe.h"

#include "engine/check/probe_platform.h"

namespace pellavane {

PingDialect NativePingDialect()
{
    return PingDialect::Windows;
}

std::string PingCommandLine(const std::string& host)
{
    return "ping " + host + " -n 1";
}

} // namespace pellavane
