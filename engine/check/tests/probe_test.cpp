#include "engine/capture/command_line_split.h"
#include "engine/check/probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace pellavane {
namespace {

TEST(ProbeCommandLine, TheHostIsOneArgumentOfPing)
{
    for (const std::string host : {"127.0.0.1", "::1", "2001:db8::1", "fe80::1%eth0", "probe.example",
                                   "b\xC3\xBC"
                                   "cher.example"}) {
        const auto arguments = SplitCommandLine(ProbeCommandLine(host));
        ASSERT_FALSE(arguments.empty());
        EXPECT_EQ(arguments.front(), "ping");
        EXPECT_EQ(std::count(arguments.begin(), arguments.end(), host), 1) << host;
    }
}

TEST(ProbeCommandLine, HostThatCouldAddArgumentsIsRefused)
{
    for (const std::string host :
         {"", "-f", "--help", "127.0.0.1 -c 1000", "a\tb", "\"quoted\"", "x\\\"y", "host;reboot", "$(id)",
          "line\nbreak", "[2001:db8::1]", "2001:db8::1/64", "-6"}) {
        EXPECT_THROW(ProbeCommandLine(host), std::invalid_argument) << host;
    }
}

} // namespace
} // namespace pellavane
