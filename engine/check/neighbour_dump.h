#pragma once

// The kernel's neighbour table as a netlink dump sends it (Linux): read here as plain bytes, so a
// broken or hostile batch is never read past its end.

#include <cstddef>
#include <optional>
#include <string>

namespace pellavane {

/** The neighbour a dump is searched for. */
struct NeighbourKey
{
    /** AF_INET or AF_INET6. */
    int family = 0;
    unsigned char bytes[16] = {};
    std::size_t size = 0;
    /** 0 when the address names no interface. */
    int interfaceIndex = 0;
};

/** The key of an address as DefaultRoute::gateway gives it ("192.0.2.1", "fe80::1%eth0"); nullopt
 *  when it is no address. */
std::optional<NeighbourKey> NeighbourKeyOf(const std::string& address);

/** Reads one batch of the dump's bytes: true when it lists key as reachable (confirmed lately, or
 *  entered by hand) on the key's link. Sets done at the dump's end, or where the batch is broken. */
bool NeighbourBatchHoldsReachable(const unsigned char* data, std::size_t size, const NeighbourKey& key,
                                  bool& done);

} // namespace pellavane
