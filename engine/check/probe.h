#pragma once

#include "engine/check/capture.h"
#include "engine/check/check_result.h"
#include "engine/check/ping_output.h"

#include <string>
#include <string_view>

namespace pellavane {

/** The dialect of the ping this build runs. */
PingDialect NativePingDialect();

/** The ping command line for one echo request to host, in this platform's form. */
std::string ProbeCommandLine(const std::string& host);

/** Answers whether the computer can reach the Internet now. Never throws. */
class IConnectivityVerdict
{
public:
    virtual ~IConnectivityVerdict() = default;
    virtual bool IsInternetConnected() = 0;
    /** The whole outcome of one check; a probe that knows no more than connected or not says only
     *  that. */
    virtual CheckResult Check()
    {
        CheckResult result;
        result.connected = IsInternetConnected();
        return result;
    }
};

/** The verdict over the system ping for the environment's targets (PELLAVANE_PROBE_HOSTS,
 *  PELLAVANE_PROBE_HOST, else the built-in list), without a web check; the check as a whole ends
 *  within limits.total. The program itself uses the one of app/ that also reads the settings. */
class PingVerdict : public IConnectivityVerdict
{
public:
    explicit PingVerdict(EventPump pump = {}, CaptureLimits limits = {});
    bool IsInternetConnected() override;
    CheckResult Check() override;

private:
    EventPump m_pump;
    CaptureLimits m_limits;
};

} // namespace pellavane
