#include "engine/check/local_network_platform.h"

#include "core/win32_support.h"

#include <winsock2.h>
#include <ws2ipdef.h>
// iphlpapi.h before netioapi.h: the latter needs the former's types.
#include <iphlpapi.h>
#include <netioapi.h>

#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

namespace pellavane {
namespace {

// The IP helper's tables are freed with FreeMibTable whatever the return path.
template <typename Table>
class MibTable
{
public:
    MibTable() = default;
    MibTable(const MibTable&) = delete;
    MibTable& operator=(const MibTable&) = delete;
    ~MibTable()
    {
        if (m_table != nullptr) {
            FreeMibTable(m_table);
        }
    }
    Table** Out() { return &m_table; }
    Table* operator->() const { return m_table; }
    explicit operator bool() const { return m_table != nullptr; }

private:
    Table* m_table = nullptr;
};

bool IsZero(const SOCKADDR_INET& address)
{
    if (address.si_family == AF_INET) {
        return address.Ipv4.sin_addr.S_un.S_addr == 0;
    }
    if (address.si_family == AF_INET6) {
        static const unsigned char zero[16] = {};
        return std::memcmp(address.Ipv6.sin6_addr.u.Byte, zero, sizeof zero) == 0;
    }
    return true;
}

// Written by hand: the socket library's text conversions want it started first.
std::string AddressText(const SOCKADDR_INET& address, NET_IFINDEX interfaceIndex)
{
    if (address.si_family == AF_INET) {
        const auto* b = reinterpret_cast<const unsigned char*>(&address.Ipv4.sin_addr);
        return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
               std::to_string(b[3]);
    }
    const unsigned char* b = address.Ipv6.sin6_addr.u.Byte;
    std::string text = Ipv6Text(b);
    // A link-local router is only reachable through its interface, which ping names by number.
    if (b[0] == 0xfe && (b[1] & 0xc0) == 0x80) {
        text += "%" + std::to_string(interfaceIndex);
    }
    return text;
}

bool SameAddress(const SOCKADDR_INET& a, const SOCKADDR_INET& b)
{
    if (a.si_family != b.si_family) {
        return false;
    }
    if (a.si_family == AF_INET) {
        return a.Ipv4.sin_addr.S_un.S_addr == b.Ipv4.sin_addr.S_un.S_addr;
    }
    return std::memcmp(a.Ipv6.sin6_addr.u.Byte, b.Ipv6.sin6_addr.u.Byte, 16) == 0;
}

std::optional<DefaultRoute> DefaultRouteOf(ADDRESS_FAMILY family)
{
    MibTable<MIB_IPFORWARD_TABLE2> table;
    if (GetIpForwardTable2(family, table.Out()) != NO_ERROR || !table) {
        return std::nullopt;
    }
    std::optional<DefaultRoute> best;
    ULONG bestMetric = std::numeric_limits<ULONG>::max();
    for (ULONG i = 0; i < table->NumEntries; ++i) {
        const MIB_IPFORWARD_ROW2& row = table->Table[i];
        if (row.DestinationPrefix.PrefixLength != 0 || (best && row.Metric >= bestMetric)) {
            continue;
        }
        DefaultRoute route;
        route.interfaceName = std::to_string(row.InterfaceIndex);
        if (!IsZero(row.NextHop)) {
            route.gateway = AddressText(row.NextHop, row.InterfaceIndex);
        }
        best = route;
        bestMetric = row.Metric;
    }
    return best;
}

std::optional<SOCKADDR_INET> ParsedAddress(const std::string& address)
{
    const std::string bare = address.substr(0, address.find('%'));
    SOCKADDR_INET parsed{};
    unsigned a = 0;
    unsigned b = 0;
    unsigned c = 0;
    unsigned d = 0;
    char tail = 0;
    if (std::sscanf(bare.c_str(), "%3u.%3u.%3u.%3u%c", &a, &b, &c, &d, &tail) == 4 && a < 256 && b < 256 &&
        c < 256 && d < 256) {
        parsed.si_family = AF_INET;
        unsigned char* bytes = reinterpret_cast<unsigned char*>(&parsed.Ipv4.sin_addr);
        bytes[0] = static_cast<unsigned char>(a);
        bytes[1] = static_cast<unsigned char>(b);
        bytes[2] = static_cast<unsigned char>(c);
        bytes[3] = static_cast<unsigned char>(d);
        return parsed;
    }
    // IPv6 routers are only ever named by DefaultRouteOf, so the table is asked again for the match.
    return std::nullopt;
}

} // namespace

namespace local_network_platform {

bool InterfaceUp()
{
    MibTable<MIB_IF_TABLE2> table;
    if (GetIfTable2(table.Out()) != NO_ERROR || !table) {
        return false;
    }
    for (ULONG i = 0; i < table->NumEntries; ++i) {
        const MIB_IF_ROW2& row = table->Table[i];
        if (row.OperStatus == IfOperStatusUp && row.Type != IF_TYPE_SOFTWARE_LOOPBACK) {
            return true;
        }
    }
    return false;
}

std::optional<DefaultRoute> Ipv4RouteNow()
{
    return DefaultRouteOf(AF_INET);
}

std::optional<DefaultRoute> Ipv6RouteNow()
{
    return DefaultRouteOf(AF_INET6);
}

bool GlobalAddress(AddressFamily family)
{
    const ULONG wanted = family == AddressFamily::V4 ? AF_INET : AF_INET6;
    constexpr ULONG kSkip = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    // The list's size is not known beforehand: ask, grow to what was said, ask again.
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG status = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 3 && status == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        status = GetAdaptersAddresses(wanted, kSkip, nullptr,
                                      reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (status != NO_ERROR) {
        return false;
    }
    for (const auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data());
         adapter != nullptr; adapter = adapter->Next) {
        if (adapter->OperStatus != IfOperStatusUp) {
            continue;
        }
        for (const auto* unicast = adapter->FirstUnicastAddress; unicast != nullptr;
             unicast = unicast->Next) {
            const SOCKADDR* raw = unicast->Address.lpSockaddr;
            const bool usable =
                unicast->DadState == IpDadStatePreferred || unicast->DadState == IpDadStateDeprecated;
            if (raw == nullptr || !usable) {
                continue;
            }
            if (raw->sa_family == AF_INET) {
                SOCKADDR_IN address;
                std::memcpy(&address, raw, sizeof address);
                if (IsGlobalIpv4Address(reinterpret_cast<const unsigned char*>(&address.sin_addr))) {
                    return true;
                }
            } else if (raw->sa_family == AF_INET6) {
                SOCKADDR_IN6 address;
                std::memcpy(&address, raw, sizeof address);
                const unsigned char* b = address.sin6_addr.u.Byte;
                static const unsigned char loopback[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
                const bool linkLocal = b[0] == 0xfe && (b[1] & 0xc0) == 0x80;
                if (!linkLocal && std::memcmp(b, loopback, 16) != 0) {
                    return true;
                }
            }
        }
    }
    return false;
}

bool NeighbourTableHolds(const std::string& address)
{
    const auto wanted = ParsedAddress(address);
    MibTable<MIB_IPNET_TABLE2> table;
    if (GetIpNetTable2(wanted ? AF_INET : AF_INET6, table.Out()) != NO_ERROR || !table) {
        return false;
    }
    for (ULONG i = 0; i < table->NumEntries; ++i) {
        const MIB_IPNET_ROW2& row = table->Table[i];
        const bool match = wanted ? SameAddress(row.Address, *wanted)
                                  : AddressText(row.Address, row.InterfaceIndex) == address;
        if (match && (row.State == NlnsReachable || row.State == NlnsPermanent)) {
            return true;
        }
    }
    return false;
}

} // namespace local_network_platform
} // namespace pellavane
