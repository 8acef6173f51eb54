#pragma once

// What the machine's own network tables tell on this platform; one file per platform answers.
// Each may throw on a lack of memory, and a table that cannot be read counts as empty.

#include "engine/check/local_network.h"

#include <optional>
#include <string>

namespace pellavane::local_network_platform {

/** Some interface other than loopback is up and has a link. */
bool InterfaceUp();

/** The usable IPv4 default route with the lowest metric; nullopt when there is none. */
std::optional<DefaultRoute> Ipv4RouteNow();

/** The same for IPv6. */
std::optional<DefaultRoute> Ipv6RouteNow();

/** Whether an address of global scope of family is on some interface that is up. */
bool GlobalAddress(AddressFamily family);

/** Whether the neighbour table holds address (as DefaultRoute::gateway gives it) as reachable. */
bool NeighbourTableHolds(const std::string& address);

} // namespace pellavane::local_network_platform
