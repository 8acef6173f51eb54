#pragma once

#include "engine/capture/capture.h"
#include "engine/check/check_result.h"
#include "engine/check/ping_output.h"

#include <optional>
#include <string>
#include <string_view>

namespace pellavane {

/** The dialect of the ping this build runs. */
PingDialect NativePingDialect();

/** The most echo requests a check sends its first target. */
inline constexpr int kMostEchoesPerCheck = 20;

/** The ping command line for echoes echo requests (1 to kMostEchoesPerCheck) to host, in this
 *  platform's form; with a family, a name is looked up in that family alone. Throws
 *  std::invalid_argument for a host that is not a host name or address, or a count out of range. */
std::string ProbeCommandLine(const std::string& host, int echoes = 1,
                             std::optional<AddressFamily> family = std::nullopt);

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
