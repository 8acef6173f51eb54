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

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool ContainsIgnoringCase(std::string_view text, std::string_view marker)
{
    const auto found = std::search(text.begin(), text.end(), marker.begin(), marker.end(),
                                   [](char a, char b) { return Lower(a) == Lower(b); });
    return found != text.end() || marker.empty();
}

bool ContainsExactly(std::string_view text, std::string_view marker)
{
    return text.find(marker) != std::string_view::npos;
}

bool ClassifyWindows(std::string_view output)
{
    return ContainsIgnoringCase(output, "TTL=") && ContainsIgnoringCase(output, "bytes=") &&
           !ContainsExactly(output, "Request Timed Out");
}

// Unix pings announce "56(84) bytes of data" in their header, so "bytes" alone proves nothing: a
// reply is a line that names both the sender ("bytes from") and the reply's time to live.
bool ClassifyUnix(std::string_view output)
{
    bool replyLine = false;
    std::size_t start = 0;
    while (start < output.size() && !replyLine) {
        std::size_t end = output.find('\n', start);
        if (end == std::string_view::npos) {
            end = output.size();
        }
        const std::string_view line = output.substr(start, end - start);
        replyLine = ContainsIgnoringCase(line, "bytes from") && ContainsIgnoringCase(line, "ttl=");
        start = end + 1;
    }
    return replyLine && !ContainsIgnoringCase(output, "100% packet loss") &&
           !ContainsIgnoringCase(output, "Request timeout");
}

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

bool ClassifyPingOutput(std::string_view output, PingDialect dialect)
{
    return dialect == PingDialect::Windows ? ClassifyWindows(output) : ClassifyUnix(output);
}

std::string ProbeCommandLine(const std::string& host)
{
    if (!IsSafeHost(host)) {
        throw std::invalid_argument("The probe host '" + host + "' is not a host name or address");
    }
    return PingCommandLine(host);
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
