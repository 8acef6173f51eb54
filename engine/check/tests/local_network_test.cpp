#include "engine/check/local_network.h"

#include "engine/check/probe.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace pellavane {
namespace {

TEST(LocalNetwork, DefaultRoutesFromTheKernelsRouteFiles)
{
    const std::string ipv4 =
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
        "v0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
        "wl0\t00000000\t010200C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
        "v0\t00000000\t FE0200C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
        "v1\t00000000\t050200C0\t0203\t0\t0\t0\t00000000\t0\t0\t0\n"
        "ppp0\t00000000\t00000000\t0001\t0\t0\t900\t00000000\t0\t0\t0\n";
    const auto route = Ipv4DefaultRoute(ipv4);
    ASSERT_TRUE(route);
    // The lowest metric wins; a reject route never does, and the byte order is the machine's.
    EXPECT_EQ(route->gateway, "192.0.2.254");
    EXPECT_EQ(route->interfaceName, "v0");
    const auto link = Ipv4DefaultRoute("ppp0\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n");
    ASSERT_TRUE(link);
    EXPECT_EQ(link->gateway, "");
    EXPECT_FALSE(Ipv4DefaultRoute(ipv4.substr(0, ipv4.find("wl0"))));
    EXPECT_FALSE(Ipv4DefaultRoute("garbage\n\n"));

    const std::string zero(32, '0');
    const std::string ipv6 =
        zero + " 00 " + zero + " 00 " + zero + " ffffffff 00000001 00000000 00200200       lo\n" +
        "fe800000000000000000000000000000 40 " + zero + " 00 " + zero +
        " 00000100 00000001 00000000 00000001 v0\n" + zero + " 00 " + zero +
        " 00 fe800000000000000000000000000001 00000400 00000001 00000000 00000003 v0\n" + zero + " 00 " +
        zero + " 00 20010db8000000000000000000020001 00000100 00000001 00000000 00000003 v1\n";
    const auto six = Ipv6DefaultRoute(ipv6);
    ASSERT_TRUE(six);
    EXPECT_EQ(six->gateway, "2001:db8::2:1");
    const auto linkLocal = Ipv6DefaultRoute(ipv6.substr(0, ipv6.rfind(zero + " 00 " + zero + " 00 2001")));
    ASSERT_TRUE(linkLocal);
    EXPECT_EQ(linkLocal->gateway, "fe80::1%v0");
    // The unreachable route on loopback is no way out.
    EXPECT_FALSE(Ipv6DefaultRoute(ipv6.substr(0, ipv6.find("fe80"))));
}

TEST(LocalNetwork, AGlobalAddressIsOneTheKernelSendsFrom)
{
    struct Case
    {
        const char* what;
        std::string ifInet6;
        bool global;
    };
    const std::string loopback = "00000000000000000000000000000001 01 80 10 80       lo\n";
    const std::string linkLocal = "fe800000000000000000000000000001 04 40 20 80     eth0\n";
    const std::string doc = "20010db8000000000000000000000002 04 40 00 ";
    const Case table[] = {
        {"none", "", false},
        {"loopback and link-local only", loopback + linkLocal, false},
        {"a global one", loopback + linkLocal + doc + "80     eth0\n", true},
        {"one without duplicate detection", doc + "02     eth0\n", true},
        {"deprecated still sends", doc + "a0     eth0\n", true},
        {"tentative does not yet", doc + "c0     eth0\n", false},
        {"optimistic while tentative does", doc + "44     eth0\n", true},
        {"failed duplicate detection", doc + "88     eth0\n", false},
        {"site scope is not global", "fec00000000000000000000000000002 04 40 40 80 eth0\n", false},
        {"garbage", "20010db8 04 40 00 80 eth0\nnothing\n", false},
    };
    for (const Case& row : table) {
        EXPECT_EQ(HasGlobalIpv6Address(row.ifInet6), row.global) << row.what;
    }
    struct Ipv4Case
    {
        unsigned char bytes[4];
        bool global;
    };
    const Ipv4Case ipv4[] = {{{192, 0, 2, 2}, true},    {{10, 0, 0, 1}, true}, {{127, 0, 0, 1}, false},
                             {{169, 254, 1, 1}, false}, {{0, 0, 0, 0}, false}, {{169, 253, 1, 1}, true}};
    for (const Ipv4Case& row : ipv4) {
        EXPECT_EQ(IsGlobalIpv4Address(row.bytes), row.global)
            << int{row.bytes[0]} << "." << int{row.bytes[1]};
    }
}

TEST(LocalNetwork, TheSystemTablesReadWithoutSendingAnything)
{
    // Only the machine's own tables are read: what they hold is the machine's, the form is ours.
    const auto local = MakeSystemLocalNetwork();
    const LocalNetworkState state = local->Read();
    if (state.route && !state.route->gateway.empty()) {
        EXPECT_NO_THROW(static_cast<void>(ProbeCommandLine(state.route->gateway))) << state.route->gateway;
        EXPECT_FALSE(state.route->interfaceName.empty());
    }
    std::printf("local network: interface up %d, default route %s\n", state.interfaceUp ? 1 : 0,
                state.route ? (state.route->gateway.empty() ? "onto a link" : state.route->gateway.c_str())
                            : "none");
    const ConfiguredFamilies families = local->Families();
    std::printf("configured families: IPv4 %d, IPv6 %d\n", families.v4 ? 1 : 0, families.v6 ? 1 : 0);
    for (const char* address : {"", "not an address", "192.0.2.250", "2001:db8::fa", "fe80::fa%nowhere"}) {
        EXPECT_FALSE(local->NeighbourReachable(address)) << address;
    }
}

TEST(LocalNetwork, EveryCauseHasASentence)
{
    EXPECT_EQ(CauseSentence("provider"), "the router answers, the Internet does not");
    for (const char* cause : {"local network", "no network", "targets silent", "name lookup failed",
                              "captive portal", "no ping program", "echo filtered"}) {
        EXPECT_NE(CauseSentence(cause), cause) << cause;
    }
    EXPECT_EQ(CauseSentence("after resume"), "after resume");
    const unsigned char bytes[16] = {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_EQ(Ipv6Text(bytes), "2001:db8:0:1::1");
}

} // namespace
} // namespace pellavane
