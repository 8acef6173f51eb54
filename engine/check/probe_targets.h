#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pellavane {

/** Where a check's list of targets came from, first given first. */
enum class TargetSource
{
    CommandLine,
    HostsVariable,
    HostVariable,
    Setting,
    BuiltIn
};

/** The hosts a check pings, in order, and where they came from. */
struct ProbeTargets
{
    std::vector<std::string> hosts;
    TargetSource source = TargetSource::BuiltIn;
};

/** The name a user knows the source by: "--hosts", "PELLAVANE_PROBE_HOSTS", "PELLAVANE_PROBE_HOST",
 *  "ProbeHosts", or "the built-in list". */
std::string SourceName(TargetSource source);

/** A host list that holds a host the probe refuses; the message names the host, the reason and
 *  the source. */
class ProbeTargetsError : public std::invalid_argument
{
public:
    using std::invalid_argument::invalid_argument;
};

/** Pings a check starts at most at once: more would flood a slow link with children. */
inline constexpr std::size_t kMaxProbeHosts = 8;

/** One variable of the environment; nullopt when it is not set. */
using EnvironmentReader = std::function<std::optional<std::string>(const char* name)>;

/** The process's own environment. */
std::optional<std::string> ProcessEnvironment(const char* name);

/** Public hosts that answer echo requests, run by different operators. The first is reached by name
 *  (in each configured family), so that a broken name service reads as no Internet; the others by
 *  address, two IPv4 then two IPv6, so that a broken name service is told apart from silence. */
const std::vector<std::string>& BuiltInProbeHosts();

/** The targets from the first source given: commandLineHosts (--hosts), PELLAVANE_PROBE_HOSTS,
 *  PELLAVANE_PROBE_HOST (one host, as it stands), the setting ProbeHosts, else the built-in list.
 *  Lists are split at commas, blanks around each host dropped. An empty variable or setting counts
 *  as not given. Throws ProbeTargetsError when the chosen list holds a host the probe refuses, an
 *  empty entry or more than kMaxProbeHosts hosts: a list is taken whole or not at all. */
ProbeTargets ResolveProbeTargets(const std::optional<std::string>& commandLineHosts,
                                 const std::optional<std::string>& settingHosts,
                                 const EnvironmentReader& environment = ProcessEnvironment);

/** The web check's address, empty when it is off: PELLAVANE_CHECK_URL when set (empty turns it
 *  off), else the setting CheckUrl when stored (empty turns it off), else the built-in address. For
 *  targets given for this run (--hosts or a variable) the built-in address is never used, so a run
 *  against loopback targets stays on the machine. */
std::string ResolveCheckUrl(const ProbeTargets& targets, const std::optional<std::string>& settingUrl,
                            const EnvironmentReader& environment = ProcessEnvironment);

} // namespace pellavane
