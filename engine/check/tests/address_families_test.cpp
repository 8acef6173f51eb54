#include "engine/check/address_families.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pellavane {
namespace {

using Hosts = std::vector<std::string>;

TEST(AddressFamilies, TargetsAreTheirAddressesFamilyAndNamesAreEveryFamilys)
{
    struct Case
    {
        const char* host;
        TargetKind kind;
    };
    const Case table[] = {
        {"localhost", TargetKind::Loopback},
        {"127.0.0.1", TargetKind::Loopback},
        {"127.3.2.1", TargetKind::Loopback},
        {"::1", TargetKind::Loopback},
        {"198.51.100.7", TargetKind::Ipv4Address},
        {"2001:db8:7::7", TargetKind::Ipv6Address},
        {"fe80::1%eth0", TargetKind::Ipv6Address},
        {"name.test", TargetKind::Name},
        {"1.2.3", TargetKind::Name},
        {"192.0.2.256", TargetKind::Name},
        {"1.2.3.4.5", TargetKind::Name},
        {"203.0.113.7.example", TargetKind::Name},
    };
    for (const Case& row : table) {
        EXPECT_EQ(ClassifyTarget(row.host), row.kind) << row.host;
    }
    const Hosts hosts = {"name.test", "198.51.100.7", "127.0.0.1", "2001:db8:7::7", "::1", "other.test"};
    EXPECT_EQ(TargetsOfFamily(hosts, AddressFamily::V4), (Hosts{"name.test", "198.51.100.7", "other.test"}));
    EXPECT_EQ(TargetsOfFamily(hosts, AddressFamily::V6), (Hosts{"name.test", "2001:db8:7::7", "other.test"}));
}

TEST(AddressFamilies, TheChoiceNarrowsTheConfiguredFamilies)
{
    using F = std::vector<AddressFamily>;
    constexpr AddressFamily V4 = AddressFamily::V4;
    constexpr AddressFamily V6 = AddressFamily::V6;
    struct Case
    {
        ConfiguredFamilies configured;
        FamilyChoice choice;
        F families;
    };
    const Case table[] = {
        {{true, true}, FamilyChoice::Auto, {V4, V6}}, {{true, true}, FamilyChoice::V6, {V6}},
        {{true, false}, FamilyChoice::Auto, {V4}},    {{false, true}, FamilyChoice::Auto, {V6}},
        {{true, false}, FamilyChoice::V6, {}},        {{false, false}, FamilyChoice::V4, {}},
    };
    for (const Case& row : table) {
        EXPECT_EQ(FamiliesToProbe(row.configured, row.choice), row.families)
            << row.configured.v4 << row.configured.v6 << static_cast<int>(row.choice);
    }
    EXPECT_EQ(ParseFamilyChoice("auto"), FamilyChoice::Auto);
    EXPECT_EQ(ParseFamilyChoice("4"), FamilyChoice::V4);
    EXPECT_EQ(ParseFamilyChoice("6"), FamilyChoice::V6);
    for (const char* refused : {"", "5", "46", "ipv6", "Auto", " 4"}) {
        EXPECT_FALSE(ParseFamilyChoice(refused)) << refused;
    }
}

} // namespace
} // namespace pellavane
