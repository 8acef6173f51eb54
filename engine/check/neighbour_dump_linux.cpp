#include "engine/check/neighbour_dump.h"

#include <cstdint>
#include <cstring>

#include <arpa/inet.h>
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>

namespace pellavane {
namespace {

constexpr std::size_t Align4(std::size_t n)
{
    return (n + 3) & ~std::size_t{3};
}

} // namespace

std::optional<NeighbourKey> NeighbourKeyOf(const std::string& address)
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

// The messages are copied out field by field, so nothing depends on the buffer's alignment.
bool NeighbourBatchHoldsReachable(const unsigned char* data, std::size_t size, const NeighbourKey& key,
                                  bool& done)
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

} // namespace pellavane
