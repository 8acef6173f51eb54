// What ping printed, in either platform's form: its first byte picks the form, the rest is the
// output. Every reading of it must end without a fault and give sane round trips.

#include "engine/check/ping_output.h"

#include "fuzz/fuzz_files.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pellavane;
    if (size == 0) {
        return 0;
    }
    const PingDialect dialect = data[0] % 2 == 0 ? PingDialect::Unix : PingDialect::Windows;
    const std::string_view output = fuzz::Text(data + 1, size - 1);
    ClassifyPingOutput(output, dialect);
    if (const auto rtt = PingRoundTrip(output); rtt && !(std::isfinite(*rtt) && *rtt >= 0)) {
        std::abort();
    }
    const PingEchoLines echoes = ReadPingEchoes(output, dialect);
    for (const double rtt : echoes.rttsMs) {
        if (!(std::isfinite(rtt) && rtt >= 0)) {
            std::abort();
        }
    }
    if (echoes.transmitted && *echoes.transmitted < 0) {
        std::abort();
    }
    return 0;
}
