#include "engine/check/probe.h"

#include "engine/check/probe_platform.h"
#include "engine/check/probe_targets.h"
#include "engine/check/system_ping.h"
#include "engine/check/verdict.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <utility>

namespace pellavane {
namespace {

// Letters, digits and the punctuation of host names and IPv4/IPv6 addresses (with a zone); bytes of
// internationalised names pass as they are. Nothing that could start an option or split the word.
bool IsSafeHost(const std::string& host)
{
    if (host.empty() || host.front() == '-') {
        return false;
    }
    return std::all_of(host.begin(), host.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 0x80U || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '.' || c == '-' || c == ':' || c == '_' || c == '%';
    });
}

} // namespace

std::string ProbeCommandLine(const std::string& host, int echoes, std::optional<AddressFamily> family)
{
    if (!IsSafeHost(host)) {
        throw std::invalid_argument("The probe host '" + host + "' is not a host name or address");
    }
    if (echoes < 1 || echoes > kMostEchoesPerCheck) {
        throw std::invalid_argument("Echoes per check must be 1 to " + std::to_string(kMostEchoesPerCheck));
    }
    return PingCommandLine(host, echoes, family);
}

PingVerdict::PingVerdict(EventPump pump, CaptureLimits limits) : m_pump(std::move(pump)), m_limits(limits) {}

bool PingVerdict::IsInternetConnected()
{
    return Check().connected;
}

CheckResult PingVerdict::Check()
{
    try {
        const ProbeTargets targets = ResolveProbeTargets(std::nullopt, std::nullopt);
        SystemPing ping(m_pump, m_limits.pollSlice);
        VerdictLimits bounds;
        bounds.round = std::min(bounds.round, m_limits.total);
        bounds.total = std::min(bounds.total, m_limits.total);
        return ConnectivityVerdict(ping, targets.hosts, nullptr, bounds).Check();
    } catch (...) {
        // A refused list starts nothing, and a probe that cannot run shows no connection.
        CheckResult refused;
        refused.cause = "targets silent";
        return refused;
    }
}

} // namespace pellavane
