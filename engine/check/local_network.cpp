#include "engine/check/local_network.h"

#include "engine/check/local_network_platform.h"

#include "core/text_lines.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace pellavane {
namespace {

// Route flags as the kernel's route files print them.
constexpr unsigned long kRouteUp = 0x0001;
constexpr unsigned long kRouteGateway = 0x0002;
constexpr unsigned long kRouteReject = 0x0200;

std::vector<std::string_view> Fields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            ++i;
        }
        if (i > start) {
            fields.push_back(line.substr(start, i - start));
        }
    }
    return fields;
}

std::optional<unsigned long> Hex(std::string_view text)
{
    if (text.empty() || text.size() > 8) {
        return std::nullopt;
    }
    unsigned long value = 0;
    for (const char c : text) {
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<unsigned long>(digit);
    }
    return value;
}

// Calls each line's fields in turn, the header line included: callers skip what does not parse.
template <typename Visit>
void EachLine(std::string_view text, Visit visit)
{
    AnyLine(text, [&](std::string_view line) {
        visit(Fields(line));
        return false;
    });
}

// The sixteen bytes of an IPv6 address as the route file prints them (32 hex digits).
std::optional<std::string> Ipv6HexText(std::string_view hex)
{
    if (hex.size() != 32) {
        return std::nullopt;
    }
    unsigned char bytes[16];
    for (std::size_t i = 0; i < 16; ++i) {
        const auto byte = Hex(hex.substr(i * 2, 2));
        if (!byte) {
            return std::nullopt;
        }
        bytes[i] = static_cast<unsigned char>(*byte);
    }
    return Ipv6Text(bytes);
}

} // namespace

std::string Ipv6Text(const unsigned char* bytes)
{
    std::uint16_t groups[8];
    for (int i = 0; i < 8; ++i) {
        groups[i] = static_cast<std::uint16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]);
    }
    int bestStart = -1;
    int bestLength = 1;
    for (int i = 0; i < 8;) {
        int j = i;
        while (j < 8 && groups[j] == 0) {
            ++j;
        }
        if (j - i > bestLength) {
            bestStart = i;
            bestLength = j - i;
        }
        i = j > i ? j : i + 1;
    }
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (int i = 0; i < 8; ++i) {
        if (i == bestStart) {
            text += "::";
            i += bestLength - 1;
            continue;
        }
        if (!text.empty() && text.back() != ':') {
            text += ':';
        }
        std::string group;
        for (std::uint16_t value = groups[i]; value != 0 || group.empty(); value >>= 4) {
            group.insert(group.begin(), digits[value & 0xF]);
        }
        text += group;
    }
    return text;
}

std::optional<DefaultRoute> Ipv4DefaultRoute(std::string_view procNetRoute)
{
    std::optional<DefaultRoute> best;
    unsigned long bestMetric = 0;
    EachLine(procNetRoute, [&](const std::vector<std::string_view>& f) {
        // Iface Destination Gateway Flags RefCnt Use Metric Mask ...
        if (f.size() < 8) {
            return;
        }
        const auto destination = Hex(f[1]);
        const auto gateway = Hex(f[2]);
        const auto flags = Hex(f[3]);
        const auto metric = Hex(f[6]);
        const auto mask = Hex(f[7]);
        if (!destination || !gateway || !flags || !metric || !mask || *destination != 0 || *mask != 0 ||
            (*flags & kRouteUp) == 0 || (*flags & kRouteReject) != 0 || (best && *metric >= bestMetric)) {
            return;
        }
        DefaultRoute route;
        route.interfaceName = std::string(f[0]);
        if ((*flags & kRouteGateway) != 0 && *gateway != 0) {
            // The file prints the address's four bytes as one number in the machine's own byte order.
            const auto value = static_cast<std::uint32_t>(*gateway);
            unsigned char bytes[4];
            std::memcpy(bytes, &value, sizeof bytes);
            route.gateway = std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." +
                            std::to_string(bytes[2]) + "." + std::to_string(bytes[3]);
        }
        best = route;
        bestMetric = *metric;
    });
    return best;
}

bool HasGlobalIpv6Address(std::string_view procNetIfInet6)
{
    // Address flags of the kernel's if_addr.h.
    constexpr unsigned long kOptimistic = 0x04;
    constexpr unsigned long kDadFailed = 0x08;
    constexpr unsigned long kTentative = 0x40;
    bool found = false;
    EachLine(procNetIfInet6, [&](const std::vector<std::string_view>& f) {
        // address ifindex prefix-length scope flags iface
        if (found || f.size() < 6 || f[0].size() != 32) {
            return;
        }
        const auto scope = Hex(f[3]);
        const auto flags = Hex(f[4]);
        if (!scope || !flags || *scope != 0 || (*flags & kDadFailed) != 0 ||
            ((*flags & kTentative) != 0 && (*flags & kOptimistic) == 0)) {
            return;
        }
        found = true;
    });
    return found;
}

bool IsGlobalIpv4Address(const unsigned char* bytes)
{
    return bytes[0] != 0 && bytes[0] != 127 && !(bytes[0] == 169 && bytes[1] == 254);
}

LocalNetworkState LocalNetworkState::ForFamily(AddressFamily family) const
{
    LocalNetworkState state = *this;
    state.route = family == AddressFamily::V4 ? ipv4Route : ipv6Route;
    return state;
}

std::optional<DefaultRoute> Ipv6DefaultRoute(std::string_view procNetIpv6Route)
{
    std::optional<DefaultRoute> best;
    unsigned long bestMetric = 0;
    EachLine(procNetIpv6Route, [&](const std::vector<std::string_view>& f) {
        // destination prefix source prefix next-hop metric refcnt use flags iface
        if (f.size() < 10 || f[1] != "00" || f[9] == "lo") {
            return;
        }
        const auto metric = Hex(f[5]);
        const auto flags = Hex(f[8]);
        const auto next = Ipv6HexText(f[4]);
        if (!metric || !flags || !next || (*flags & kRouteUp) == 0 || (*flags & kRouteReject) != 0 ||
            (best && *metric >= bestMetric)) {
            return;
        }
        DefaultRoute route;
        route.interfaceName = std::string(f[9]);
        if ((*flags & kRouteGateway) != 0 && *next != "::") {
            route.gateway = *next;
            // A link-local router is only reachable through the interface it sits on.
            if (route.gateway.rfind("fe8", 0) == 0 || route.gateway.rfind("fe9", 0) == 0 ||
                route.gateway.rfind("fea", 0) == 0 || route.gateway.rfind("feb", 0) == 0) {
                route.gateway += "%" + route.interfaceName;
            }
        }
        best = route;
        bestMetric = *metric;
    });
    return best;
}

namespace {

// The platform's own tables.
class SystemLocalNetwork : public ILocalNetwork
{
public:
    LocalNetworkState Read() override
    {
        LocalNetworkState state;
        try {
            state.interfaceUp = local_network_platform::InterfaceUp();
            state.ipv4Route = local_network_platform::Ipv4RouteNow();
            state.ipv6Route = local_network_platform::Ipv6RouteNow();
            state.route = state.ipv4Route ? state.ipv4Route : state.ipv6Route;
        } catch (...) {
            // Out of memory while reading: no network known, which a later check corrects.
        }
        return state;
    }

    bool NeighbourReachable(const std::string& address) override
    {
        try {
            return local_network_platform::NeighbourTableHolds(address);
        } catch (...) {
            return false;
        }
    }

    ConfiguredFamilies Families() override
    {
        ConfiguredFamilies families;
        try {
            families.v4 = local_network_platform::Ipv4RouteNow() &&
                          local_network_platform::GlobalAddress(AddressFamily::V4);
            families.v6 = local_network_platform::Ipv6RouteNow() &&
                          local_network_platform::GlobalAddress(AddressFamily::V6);
        } catch (...) {
            // Out of memory while reading: nothing configured, so the check runs as it always did.
        }
        return families;
    }
};

} // namespace

std::unique_ptr<ILocalNetwork> MakeSystemLocalNetwork()
{
    return std::make_unique<SystemLocalNetwork>();
}

std::string LocalNetworkCause(const LocalNetworkState& state, bool routerAnswered, bool neighbourReachable)
{
    if (!state.interfaceUp || !state.route) {
        return "no network";
    }
    // A route straight onto an up link names no router: the link is there, what lies past it is not.
    if (state.route->gateway.empty() || routerAnswered || neighbourReachable) {
        return "provider";
    }
    return "local network";
}

std::string CauseSentence(const std::string& cause)
{
    struct Meaning
    {
        const char* cause;
        const char* sentence;
    };
    static const Meaning meanings[] = {
        {"provider", "the router answers, the Internet does not"},
        {"local network", "the router does not answer"},
        {"no network", "this computer is on no network"},
        {"targets silent", "no target answers"},
        {"name lookup failed", "names are not found"},
        {"captive portal", "a sign-in page answers in the Internet's place"},
        {"no ping program", "the ping program cannot be started"},
        {"first target silent", "the first target does not answer, another does"},
        {"echo filtered", "echo requests are filtered, the web answers"},
    };
    for (const Meaning& meaning : meanings) {
        if (cause == meaning.cause) {
            return meaning.sentence;
        }
    }
    return cause;
}

} // namespace pellavane
