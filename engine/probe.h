#pragma once

#include "engine/cmd_output.h"

#include <string>
#include <string_view>

namespace pellavane {

/** Which ping utility printed the output: its markers differ. */
enum class PingDialect
{
    Windows,
    Unix
};

/** The dialect of the ping this build runs. */
PingDialect NativePingDialect();

/** True when the captured ping output shows a reply. Pure; never throws. */
bool ClassifyPingOutput(std::string_view output, PingDialect dialect);

/** The host the probe pings: PELLAVANE_PROBE_HOST when set and not empty, else the built-in one. */
std::string ProbeHost();

/** The ping command line for one echo request to host, in this platform's form. */
std::string ProbeCommandLine(const std::string& host);

/** Answers whether the computer can reach the Internet now. Never throws. */
class IConnectivityProbe
{
public:
    virtual ~IConnectivityProbe() = default;
    virtual bool IsInternetConnected() = 0;
};

/** The real probe: one run of the system ping through RunCapturedCommand. */
class PingProbe : public IConnectivityProbe
{
public:
    explicit PingProbe(EventPump pump = {}, CaptureLimits limits = {});
    bool IsInternetConnected() override;

private:
    EventPump m_pump;
    CaptureLimits m_limits;
};

} // namespace pellavane
