#include "engine/check/probe_targets.h"

#include "engine/check/address_families.h"

#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pellavane {
namespace {

using Environment = std::map<std::string, std::string>;
using Hosts = std::vector<std::string>;
using pellavane::testing::ScopedEnv;

EnvironmentReader Reader(const Environment& environment)
{
    return [environment](const char* name) -> std::optional<std::string> {
        const auto found = environment.find(name);
        return found != environment.end() ? std::optional<std::string>(found->second) : std::nullopt;
    };
}

TEST(ResolveProbeTargets, FirstSourceGivenWins)
{
    const Environment all = {{"PELLAVANE_PROBE_HOSTS", "127.0.0.2,127.0.0.3"},
                             {"PELLAVANE_PROBE_HOST", "127.0.0.4"}};
    struct Case
    {
        const char* what;
        std::optional<std::string> commandLine;
        Environment environment;
        std::optional<std::string> setting;
        Hosts hosts;
        TargetSource source;
    };
    const Case table[] = {
        {"--hosts over everything", "127.0.0.1", all, "127.0.0.5", {"127.0.0.1"}, TargetSource::CommandLine},
        {"the list variable next",
         std::nullopt,
         all,
         "127.0.0.5",
         {"127.0.0.2", "127.0.0.3"},
         TargetSource::HostsVariable},
        {"the one-host variable next",
         std::nullopt,
         {{"PELLAVANE_PROBE_HOST", "127.0.0.4"}},
         "127.0.0.5",
         {"127.0.0.4"},
         TargetSource::HostVariable},
        {"empty variables count as unset",
         std::nullopt,
         {{"PELLAVANE_PROBE_HOSTS", ""}, {"PELLAVANE_PROBE_HOST", ""}},
         "127.0.0.5, ::1, 2001:db8::1, fe80::1%v0",
         {"127.0.0.5", "::1", "2001:db8::1", "fe80::1%v0"},
         TargetSource::Setting},
        {"empty setting: the built-in list",
         std::nullopt,
         {},
         "",
         BuiltInProbeHosts(),
         TargetSource::BuiltIn},
        {"no setting: the built-in list",
         std::nullopt,
         {},
         std::nullopt,
         BuiltInProbeHosts(),
         TargetSource::BuiltIn},
    };
    for (const Case& row : table) {
        const ProbeTargets targets =
            ResolveProbeTargets(row.commandLine, row.setting, Reader(row.environment));
        EXPECT_EQ(targets.hosts, row.hosts) << row.what;
        EXPECT_EQ(targets.source, row.source) << row.what;
    }
    const Hosts builtIn = BuiltInProbeHosts();
    // The first by name, so that a broken name service shows; the others by address, IPv4 first.
    const std::vector<TargetKind> kinds = {TargetKind::Name, TargetKind::Ipv4Address, TargetKind::Ipv4Address,
                                           TargetKind::Ipv6Address, TargetKind::Ipv6Address};
    ASSERT_EQ(builtIn.size(), kinds.size());
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        EXPECT_EQ(ClassifyTarget(builtIn[i]), kinds[i]) << builtIn[i];
    }
}

TEST(ResolveProbeTargets, ListWithARefusedHostIsRefusedWholeNamingItsSource)
{
    struct Case
    {
        std::optional<std::string> commandLine;
        Environment environment;
        std::optional<std::string> setting;
        std::string named;
    };
    const Case table[] = {
        {"127.0.0.1,-f", {}, std::nullopt, "--hosts"},
        {"", {}, std::nullopt, "--hosts"},
        {std::nullopt,
         {{"PELLAVANE_PROBE_HOSTS", "127.0.0.1,,127.0.0.2"}},
         std::nullopt,
         "PELLAVANE_PROBE_HOSTS"},
        {std::nullopt,
         {{"PELLAVANE_PROBE_HOSTS", "127.0.0.1 -c 1000"}},
         std::nullopt,
         "PELLAVANE_PROBE_HOSTS"},
        {std::nullopt,
         {{"PELLAVANE_PROBE_HOSTS", "1,2,3,4,5,6,7,8,9"}},
         std::nullopt,
         "PELLAVANE_PROBE_HOSTS"},
        {std::nullopt,
         {{"PELLAVANE_PROBE_HOST", "127.0.0.1,127.0.0.2"}},
         std::nullopt,
         "PELLAVANE_PROBE_HOST"},
        {std::nullopt, {{"PELLAVANE_PROBE_HOST", " 127.0.0.1"}}, std::nullopt, "PELLAVANE_PROBE_HOST"},
        {std::nullopt, {}, "127.0.0.1,$(id)", "ProbeHosts"},
        {"2001:db8::1 -6", {}, std::nullopt, "--hosts"},
        {std::nullopt, {{"PELLAVANE_PROBE_HOST", "[2001:db8::1]"}}, std::nullopt, "PELLAVANE_PROBE_HOST"},
    };
    for (const Case& row : table) {
        try {
            ResolveProbeTargets(row.commandLine, row.setting, Reader(row.environment));
            ADD_FAILURE() << "accepted, from " << row.named;
        } catch (const ProbeTargetsError& e) {
            EXPECT_NE(std::string(e.what()).find("(" + row.named + ")"), std::string::npos) << e.what();
        }
    }
}

TEST(ResolveCheckUrl, GivenTargetsNeverReachTheBuiltInAddress)
{
    const ProbeTargets builtIn{BuiltInProbeHosts(), TargetSource::BuiltIn};
    const ProbeTargets setting{{"127.0.0.1"}, TargetSource::Setting};
    const std::string url = "http://127.0.0.1:8080/generate_204";
    const std::string builtInUrl = ResolveCheckUrl(builtIn, std::nullopt, Reader({}));
    EXPECT_EQ(builtInUrl.rfind("http://", 0), 0U) << builtInUrl;
    EXPECT_EQ(ResolveCheckUrl(setting, std::nullopt, Reader({})), builtInUrl);
    EXPECT_EQ(ResolveCheckUrl(builtIn, "", Reader({})), "") << "a stored empty address turns it off";
    EXPECT_EQ(ResolveCheckUrl(builtIn, url, Reader({})), url);
    EXPECT_EQ(ResolveCheckUrl(builtIn, url, Reader({{"PELLAVANE_CHECK_URL", ""}})), "");
    EXPECT_EQ(ResolveCheckUrl(builtIn, "", Reader({{"PELLAVANE_CHECK_URL", url}})), url);
    for (const TargetSource byHand :
         {TargetSource::CommandLine, TargetSource::HostsVariable, TargetSource::HostVariable}) {
        const ProbeTargets given{{"127.0.0.1"}, byHand};
        EXPECT_EQ(ResolveCheckUrl(given, std::nullopt, Reader({})), "") << SourceName(byHand);
        EXPECT_EQ(ResolveCheckUrl(given, url, Reader({})), url) << SourceName(byHand);
    }
}

TEST(ProbeTargets, ProcessEnvironmentReplacesTheBuiltInHostsUnlessEmpty)
{
    {
        ScopedEnv unset("PELLAVANE_PROBE_HOST", std::nullopt);
        ScopedEnv unsetList("PELLAVANE_PROBE_HOSTS", std::nullopt);
        EXPECT_EQ(ResolveProbeTargets(std::nullopt, std::nullopt).hosts, BuiltInProbeHosts());
    }
    ScopedEnv unsetList("PELLAVANE_PROBE_HOSTS", "");
    {
        ScopedEnv empty("PELLAVANE_PROBE_HOST", "");
        EXPECT_EQ(ResolveProbeTargets(std::nullopt, std::nullopt).hosts, BuiltInProbeHosts());
    }
    ScopedEnv set("PELLAVANE_PROBE_HOST", "127.0.0.1");
    EXPECT_EQ(ResolveProbeTargets(std::nullopt, std::nullopt).hosts, std::vector<std::string>{"127.0.0.1"});
}

} // namespace
} // namespace pellavane
