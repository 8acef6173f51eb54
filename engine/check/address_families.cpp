#include "engine/check/address_families.h"

#include <algorithm>

namespace pellavane {
namespace {

bool IsIpv4Address(const std::string& host)
{
    int parts = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = host.find('.', start);
        const std::string part =
            host.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        if (part.empty() || part.size() > 3 ||
            !std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
            std::stoi(part) > 255) {
            return false;
        }
        ++parts;
        if (dot == std::string::npos) {
            return parts == 4;
        }
        start = dot + 1;
    }
}

} // namespace

std::optional<FamilyChoice> ParseFamilyChoice(std::string_view text)
{
    if (text == "auto") {
        return FamilyChoice::Auto;
    }
    if (text == "4") {
        return FamilyChoice::V4;
    }
    if (text == "6") {
        return FamilyChoice::V6;
    }
    return std::nullopt;
}

std::vector<AddressFamily> FamiliesToProbe(ConfiguredFamilies configured, FamilyChoice choice)
{
    std::vector<AddressFamily> families;
    if (configured.v4 && choice != FamilyChoice::V6) {
        families.push_back(AddressFamily::V4);
    }
    if (configured.v6 && choice != FamilyChoice::V4) {
        families.push_back(AddressFamily::V6);
    }
    return families;
}

TargetKind ClassifyTarget(const std::string& host)
{
    if (host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0) {
        return TargetKind::Loopback;
    }
    // Names hold no colon, so one makes an IPv6 address, with or without its zone.
    if (host.find(':') != std::string::npos) {
        return TargetKind::Ipv6Address;
    }
    return IsIpv4Address(host) ? TargetKind::Ipv4Address : TargetKind::Name;
}

std::vector<std::string> TargetsOfFamily(const std::vector<std::string>& hosts, AddressFamily family)
{
    const TargetKind own = family == AddressFamily::V4 ? TargetKind::Ipv4Address : TargetKind::Ipv6Address;
    std::vector<std::string> targets;
    for (const std::string& host : hosts) {
        const TargetKind kind = ClassifyTarget(host);
        if (kind == own || kind == TargetKind::Name) {
            targets.push_back(host);
        }
    }
    return targets;
}

} // namespace pellavane
