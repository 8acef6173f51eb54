#include "engine/check/neighbour_dump.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

namespace pellavane {
namespace {

using Bytes = std::vector<unsigned char>;

template <typename T>
void Append(Bytes& out, const T& value)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(&value);
    out.insert(out.end(), bytes, bytes + sizeof value);
    out.resize((out.size() + 3) & ~std::size_t{3});
}

// One RTM_NEWNEIGH message for an IPv4 neighbour in state, as the kernel sends it.
Bytes Neighbour(const unsigned char (&address)[4], std::uint16_t state)
{
    ndmsg body{};
    body.ndm_family = AF_INET;
    body.ndm_ifindex = 2;
    body.ndm_state = state;
    rtattr attribute{};
    attribute.rta_len = sizeof attribute + sizeof address;
    attribute.rta_type = NDA_DST;
    nlmsghdr header{};
    header.nlmsg_type = RTM_NEWNEIGH;
    Bytes message;
    Append(message, header);
    Append(message, body);
    Append(message, attribute);
    message.insert(message.end(), address, address + sizeof address);
    header.nlmsg_len = static_cast<std::uint32_t>(message.size());
    std::memcpy(message.data(), &header, sizeof header);
    return message;
}

// Batches as a broken or hostile kernel could send them: each read within its bytes, and only a
// whole message that names the router as reachable counts.
TEST(NeighbourBatchHoldsReachable, ReadsWholeMessagesOnlyWhateverTheBytesClaim)
{
    const auto key = NeighbourKeyOf("192.0.2.1");
    ASSERT_TRUE(key);
    const unsigned char router[4] = {192, 0, 2, 1};
    const unsigned char other[4] = {192, 0, 2, 9};
    const Bytes reachable = Neighbour(router, NUD_REACHABLE);
    struct Case
    {
        const char* shape;
        Bytes batch;
        bool holds;
    };
    Bytes claimsMore = reachable;
    claimsMore[0] = 0xFF;
    Bytes attributeClaimsMore = reachable;
    attributeClaimsMore[sizeof(nlmsghdr) + sizeof(ndmsg)] = 0xFF;
    Bytes twice = Neighbour(other, NUD_REACHABLE);
    twice.insert(twice.end(), reachable.begin(), reachable.end());
    const Case cases[] = {
        {"the router reachable", reachable, true},
        {"the router stale", Neighbour(router, NUD_STALE), false},
        {"another host reachable, then the router", twice, true},
        {"cut one byte short", Bytes(reachable.begin(), reachable.end() - 1), false},
        {"a length past the batch", claimsMore, false},
        {"an attribute past its message", attributeClaimsMore, false},
        {"a header alone", Bytes(reachable.begin(), reachable.begin() + sizeof(nlmsghdr)), false},
        {"nothing", Bytes(), false},
    };
    for (const Case& c : cases) {
        bool done = false;
        EXPECT_EQ(NeighbourBatchHoldsReachable(c.batch.data(), c.batch.size(), *key, done), c.holds)
            << c.shape;
    }
}

} // namespace
} // namespace pellavane
