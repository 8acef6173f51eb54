#include "engine/check/local_network_platform.h"

#include "core/posix_support.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>
#include <sys/time.h>

namespace pellavane {
namespace {

std::string FileText(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

struct NeighbourKey
{
    int family = AF_UNSPEC;
    unsigned char bytes[16] = {};
    std::size_t size = 0;
    /** 0 when the address names no interface. */
    int interfaceIndex = 0;
};

std::optional<NeighbourKey> KeyOf(const std::string& address)
{
    NeighbourKey key;
    const std::size_t percent = address.find('%');
    const std::string bare = address.substr(0, percent);
    if (percent != std::string::npos) {
        key.interfaceIndex = static_cast<int>(if_nametoindex(address.substr(percent + 1).c_str()));
    }
    if (inet_pton(AF_INET, bare.c_str(), key.bytes) == 1) {
        key.family = AF_INET;
        key.size = 4;
    } else if (inet_pton(AF_INET6, bare.c_str(), key.bytes) == 1) {
        key.family = AF_INET6;
        key.size = 16;
    } else {
        return std::nullopt;
    }
    return key;
}

constexpr std::size_t Align4(std::size_t n)
{
    return (n + 3) & ~std::size_t{3};
}

// Reads one batch of a neighbour dump; done is set at its end. The messages are copied out field by
// field, so nothing depends on the buffer's alignment.
bool BatchHoldsReachable(const unsigned char* data, std::size_t size, const NeighbourKey& key, bool& done)
{
    constexpr std::uint16_t kReachable = NUD_REACHABLE | NUD_PERMANENT | NUD_NOARP;
    std::size_t at = 0;
    while (at + sizeof(nlmsghdr) <= size) {
        nlmsghdr header;
        std::memcpy(&header, data + at, sizeof header);
        if (header.nlmsg_len < sizeof header || header.nlmsg_len > size - at) {
            done = true;
            return false;
        }
        if (header.nlmsg_type == NLMSG_DONE || header.nlmsg_type == NLMSG_ERROR) {
            done = true;
            return false;
        }
        const std::size_t body = at + Align4(sizeof header);
        const std::size_t end = at + header.nlmsg_len;
        if (header.nlmsg_type == RTM_NEWNEIGH && body + sizeof(ndmsg) <= end) {
            ndmsg neighbour;
            std::memcpy(&neighbour, data + body, sizeof neighbour);
            const bool sameLink = key.interfaceIndex == 0 || neighbour.ndm_ifindex == key.interfaceIndex;
            for (std::size_t attr = body + Align4(sizeof neighbour); attr + sizeof(rtattr) <= end;) {
                rtattr attribute;
                std::memcpy(&attribute, data + attr, sizeof attribute);
                if (attribute.rta_len < sizeof attribute || attr + attribute.rta_len > end) {
                    break;
                }
                const std::size_t length = attribute.rta_len - Align4(sizeof attribute);
                if (attribute.rta_type == NDA_DST && length == key.size && sameLink &&
                    neighbour.ndm_family == key.family &&
                    std::memcmp(data + attr + Align4(sizeof attribute), key.bytes, key.size) == 0 &&
                    (neighbour.ndm_state & kReachable) != 0) {
                    return true;
                }
                attr += Align4(attribute.rta_len);
            }
        }
        at += Align4(header.nlmsg_len);
    }
    return false;
}

} // namespace

namespace local_network_platform {

bool InterfaceUp()
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return false;
    }
    bool up = false;
    for (const ifaddrs* entry = list; entry != nullptr && !up; entry = entry->ifa_next) {
        // Running, not only switched on: a cable pulled out or a Wi-Fi that lost its network leaves
        // the interface up without a carrier.
        const unsigned flags = entry->ifa_flags;
        up = (flags & IFF_UP) != 0 && (flags & IFF_RUNNING) != 0 && (flags & IFF_LOOPBACK) == 0;
    }
    freeifaddrs(list);
    return up;
}

std::optional<DefaultRoute> Ipv4RouteNow()
{
    return Ipv4DefaultRoute(FileText("/proc/net/route"));
}

std::optional<DefaultRoute> Ipv6RouteNow()
{
    return Ipv6DefaultRoute(FileText("/proc/net/ipv6_route"));
}

bool GlobalAddress(AddressFamily family)
{
    if (family == AddressFamily::V6) {
        return HasGlobalIpv6Address(FileText("/proc/net/if_inet6"));
    }
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return false;
    }
    bool found = false;
    for (const ifaddrs* entry = list; entry != nullptr && !found; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET ||
            (entry->ifa_flags & IFF_UP) == 0) {
            continue;
        }
        sockaddr_in address;
        std::memcpy(&address, entry->ifa_addr, sizeof address);
        unsigned char bytes[4];
        std::memcpy(bytes, &address.sin_addr, sizeof bytes);
        found = IsGlobalIpv4Address(bytes);
    }
    freeifaddrs(list);
    return found;
}

bool NeighbourTableHolds(const std::string& address)
{
    const auto key = KeyOf(address);
    if (!key) {
        return false;
    }
    posix::UniqueFd socket(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE));
    if (!socket) {
        return false;
    }
    // The kernel answers a dump at once; the limit only keeps a check from waiting on a broken one.
    timeval limit{1, 0};
    setsockopt(socket.Get(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    struct
    {
        nlmsghdr header;
        ndmsg neighbour;
    } request{};
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = RTM_GETNEIGH;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = 1;
    request.neighbour.ndm_family = static_cast<unsigned char>(key->family);
    if (send(socket.Get(), &request, sizeof request, 0) != static_cast<ssize_t>(sizeof request)) {
        return false;
    }
    unsigned char buffer[16384];
    for (bool done = false; !done;) {
        const ssize_t got = recv(socket.Get(), buffer, sizeof buffer, 0);
        if (got <= 0) {
            if (got < 0 && errno == EINTR) {
                continue;
            }
            return false;
        }
        if (BatchHoldsReachable(buffer, static_cast<std::size_t>(got), *key, done)) {
            return true;
        }
    }
    return false;
}

} // namespace local_network_platform
} // namespace pellavane
