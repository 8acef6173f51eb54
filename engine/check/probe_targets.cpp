#include "engine/check/probe_targets.h"

#include "engine/check/probe.h"

#include <cstdlib>

namespace pellavane {
namespace {

// A well-known page that answers 204 with no body wherever the web is reachable; anything else
// means a sign-in page answered in its place.
constexpr const char* kBuiltInCheckUrl = "http://connectivitycheck.gstatic.com/generate_204";

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::vector<std::string> CheckedList(const std::string& text, TargetSource source, bool split)
{
    std::vector<std::string> hosts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = split ? text.find(',', start) : std::string::npos;
        const std::string entry = split ? Trimmed(text.substr(start, comma - start)) : text;
        if (entry.empty()) {
            throw ProbeTargetsError("The probe host list '" + text + "' has an empty entry (" +
                                    SourceName(source) + ")");
        }
        try {
            static_cast<void>(ProbeCommandLine(entry));
        } catch (const std::invalid_argument& e) {
            throw ProbeTargetsError(std::string(e.what()) + " (" + SourceName(source) + ")");
        }
        hosts.push_back(entry);
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    if (hosts.size() > kMaxProbeHosts) {
        throw ProbeTargetsError("The probe host list has " + std::to_string(hosts.size()) +
                                " hosts, more than the " + std::to_string(kMaxProbeHosts) +
                                " a check pings at once (" + SourceName(source) + ")");
    }
    return hosts;
}

std::optional<std::string> NonEmpty(const std::optional<std::string>& value)
{
    return (value && !value->empty()) ? value : std::nullopt;
}

} // namespace

std::string SourceName(TargetSource source)
{
    switch (source) {
    case TargetSource::CommandLine:
        return "--hosts";
    case TargetSource::HostsVariable:
        return "PELLAVANE_PROBE_HOSTS";
    case TargetSource::HostVariable:
        return "PELLAVANE_PROBE_HOST";
    case TargetSource::Setting:
        return "ProbeHosts";
    case TargetSource::BuiltIn:
        break;
    }
    return "the built-in list";
}

std::optional<std::string> ProcessEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

const std::vector<std::string>& BuiltInProbeHosts()
{
    // The IPv6 addresses are the same two operators' resolvers, so each family has two of its own.
    static const std::vector<std::string> hosts = {"www.google.com", "1.1.1.1", "9.9.9.9",
                                                   "2606:4700:4700::1111", "2620:fe::fe"};
    return hosts;
}

ProbeTargets ResolveProbeTargets(const std::optional<std::string>& commandLineHosts,
                                 const std::optional<std::string>& settingHosts,
                                 const EnvironmentReader& environment)
{
    // The command line was asked for in so many words, so an empty one is refused rather than skipped.
    if (commandLineHosts) {
        return {CheckedList(*commandLineHosts, TargetSource::CommandLine, true), TargetSource::CommandLine};
    }
    if (const auto hosts = NonEmpty(environment("PELLAVANE_PROBE_HOSTS"))) {
        return {CheckedList(*hosts, TargetSource::HostsVariable, true), TargetSource::HostsVariable};
    }
    if (const auto host = NonEmpty(environment("PELLAVANE_PROBE_HOST"))) {
        return {CheckedList(*host, TargetSource::HostVariable, false), TargetSource::HostVariable};
    }
    if (const auto hosts = NonEmpty(settingHosts)) {
        return {CheckedList(*hosts, TargetSource::Setting, true), TargetSource::Setting};
    }
    return {BuiltInProbeHosts(), TargetSource::BuiltIn};
}

std::string ResolveCheckUrl(const ProbeTargets& targets, const std::optional<std::string>& settingUrl,
                            const EnvironmentReader& environment)
{
    if (const auto url = environment("PELLAVANE_CHECK_URL")) {
        return *url;
    }
    if (settingUrl) {
        return *settingUrl;
    }
    const bool givenForThisRun = targets.source == TargetSource::CommandLine ||
                                 targets.source == TargetSource::HostsVariable ||
                                 targets.source == TargetSource::HostVariable;
    return givenForThisRun ? std::string() : std::string(kBuiltInCheckUrl);
}

} // namespace pellavane
