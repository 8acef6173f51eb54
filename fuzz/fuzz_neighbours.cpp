// A batch of the kernel's neighbour dump, as netlink sends it: the first byte picks the neighbour
// looked for, the rest is the batch.

#include "engine/check/neighbour_dump.h"

#include <cstdint>
#include <optional>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pellavane;
    static const std::vector<NeighbourKey> keys = [] {
        std::vector<NeighbourKey> made;
        for (const char* address : {"192.0.2.1", "fe80::1%lo", "2001:db8::1", "198.51.100.7%lo"}) {
            if (const std::optional<NeighbourKey> key = NeighbourKeyOf(address)) {
                made.push_back(*key);
            }
        }
        return made;
    }();
    if (size == 0 || keys.empty()) {
        return 0;
    }
    // An owned copy of the exact size, so a read past the batch's end is seen.
    const std::vector<unsigned char> batch(data + 1, data + size);
    bool done = false;
    NeighbourBatchHoldsReachable(batch.data(), batch.size(), keys[data[0] % keys.size()], done);
    return 0;
}
