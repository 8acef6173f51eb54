#include "engine/check/probe.h"

#include <gtest/gtest.h>

namespace pellavane {
namespace {

TEST(ProbeCommandLine, OneRequestInWindowsForm)
{
    EXPECT_EQ(NativePingDialect(), PingDialect::Windows);
    EXPECT_EQ(ProbeCommandLine("127.0.0.1"), "ping 127.0.0.1 -n 1");
    EXPECT_EQ(ProbeCommandLine("127.0.0.1", 5), "ping 127.0.0.1 -n 5");
    EXPECT_EQ(ProbeCommandLine("name.test", 1, AddressFamily::V4), "ping name.test -n 1 -4");
    EXPECT_EQ(ProbeCommandLine("name.test", 5, AddressFamily::V6), "ping name.test -n 5 -6");
}

} // namespace
} // namespace pellavane
