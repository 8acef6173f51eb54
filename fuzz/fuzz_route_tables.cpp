// The kernel's route and address tables as their files print them (/proc/net/route,
// /proc/net/ipv6_route, /proc/net/if_inet6): the same bytes through each reader the blame uses.

#include "engine/check/local_network.h"

#include "fuzz/fuzz_files.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pellavane;
    const std::string_view text = fuzz::Text(data, size);
    for (const auto& route : {Ipv4DefaultRoute(text), Ipv6DefaultRoute(text)}) {
        // A route names its interface: a field of the line, never more than the line.
        if (route && (route->interfaceName.empty() || route->interfaceName.size() > size)) {
            std::abort();
        }
    }
    HasGlobalIpv6Address(text);
    return 0;
}
