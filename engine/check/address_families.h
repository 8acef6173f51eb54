#pragma once

#include "engine/check/check_result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pellavane {

/** Which families a check probes: every configured one, or one alone whatever else is configured. */
enum class FamilyChoice : std::uint8_t
{
    Auto,
    V4,
    V6,
};

/** "auto", "4" or "6", as the setting Families and --families spell it; nullopt for anything else. */
std::optional<FamilyChoice> ParseFamilyChoice(std::string_view text);

/** The families the machine can reach the world by: a default route of the family and an address of
 *  global scope of it. */
struct ConfiguredFamilies
{
    bool v4 = false;
    bool v6 = false;
};

/** The configured families the choice lets through, IPv4 first. */
std::vector<AddressFamily> FamiliesToProbe(ConfiguredFamilies configured, FamilyChoice choice);

/** What a probe target is written as. */
enum class TargetKind : std::uint8_t
{
    /** On this machine itself: localhost, 127.0.0.0/8, ::1. Pinged whatever the routes. */
    Loopback,
    Ipv4Address,
    Ipv6Address,
    /** A host name, pinged once per configured family. */
    Name,
};

TargetKind ClassifyTarget(const std::string& host);

/** The targets of family among hosts, in list order: its own addresses and every name. */
std::vector<std::string> TargetsOfFamily(const std::vector<std::string>& hosts, AddressFamily family);

} // namespace pellavane
