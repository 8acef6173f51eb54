#include "engine/probe.h"

#include "engine/probe_platform.h"

namespace pellavane {

PingDialect NativePingDialect()
{
    return PingDialect::Windows;
}

std::string PingCommandLine(const std::string& host)
{
    return "ping " + host + " -n 1";
}

std::string RunPing(const std::string& commandLine, const EventPump& pump, const CaptureLimits& limits)
{
    // Its output comes in the console's code page, turned into UTF-8 on the way.
    return RunCapturedCommand(commandLine, true, false, true, pump, limits);
}

} // namespace pellavane
