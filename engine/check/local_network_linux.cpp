#include "engine/check/local_network_platform.h"

#include "engine/check/neighbour_dump.h"

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
    const auto key = NeighbourKeyOf(address);
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
        if (NeighbourBatchHoldsReachable(buffer, static_cast<std::size_t>(got), *key, done)) {
            return true;
        }
    }
    return false;
}

} // namespace local_network_platform
} // namespace pellavane
