#include "engine/check/probe.h"

#include "testsupport/fake_ping.h"
#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace pellavane {
namespace {

using pellavane::testing::ScopedEnv;

TEST(ProbeCommandLine, OneRequestWaitingFourSeconds)
{
    EXPECT_EQ(NativePingDialect(), PingDialect::Unix);
#if defined(__linux__)
    EXPECT_EQ(ProbeCommandLine("127.0.0.1"), "ping -c 1 -W 4 127.0.0.1");
#endif
}

TEST(ProbeCommandLine, SeveralEchoesAFifthOfASecondApartAndNeverMoreThanTheMost)
{
#if defined(__linux__)
    EXPECT_EQ(ProbeCommandLine("127.0.0.1", 5), "ping -c 5 -i 0.2 -W 4 127.0.0.1");
    // A name of one family alone: ping's own flag, before the rest.
    EXPECT_EQ(ProbeCommandLine("name.test", 1, AddressFamily::V4), "ping -4 -c 1 -W 4 name.test");
    EXPECT_EQ(ProbeCommandLine("name.test", 5, AddressFamily::V6), "ping -6 -c 5 -i 0.2 -W 4 name.test");
#endif
    EXPECT_THROW(ProbeCommandLine("-6", 1, AddressFamily::V6), std::invalid_argument);
    EXPECT_THROW(ProbeCommandLine("127.0.0.1", 0), std::invalid_argument);
    EXPECT_THROW(ProbeCommandLine("127.0.0.1", kMostEchoesPerCheck + 1), std::invalid_argument);
}

// A fake ping first on PATH: it records its arguments and LC_ALL, then prints the canned output.
class PingProbeWithFakePing : public ::testing::Test
{
protected:
    void FakePing(const std::string& body) { m_ping.Write(body); }
    std::string Calls() const { return m_ping.CallsFile(); }

    pellavane::testing::FakePingOnPath m_ping;
    ScopedEnv m_host{"PELLAVANE_PROBE_HOST", "127.0.0.1"};
    ScopedEnv m_locale{"LC_ALL", "xx_XX.UTF-8"};
};

TEST_F(PingProbeWithFakePing, ReplyIsConnectedAndPingRanInTheCLocale)
{
    FakePing("echo 'PING 127.0.0.1 (127.0.0.1) 56(84) bytes of data.'\n"
             "echo '64 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.120 ms'\n");
    int pumped = 0;
    PingVerdict probe([&] { ++pumped; });
    EXPECT_TRUE(probe.IsInternetConnected());
    EXPECT_EQ(pellavane::testing::ReadFile(Calls()), "C|" + ProbeCommandLine("127.0.0.1").substr(5) + "\n");
    EXPECT_GT(pumped, 0);
}

TEST_F(PingProbeWithFakePing, NoReplyIsDisconnected)
{
    FakePing("echo 'PING 127.0.0.1 (127.0.0.1) 56(84) bytes of data.'\n"
             "echo '1 packets transmitted, 0 received, 100% packet loss, time 0ms'\nexit 1\n");
    EXPECT_FALSE(PingVerdict().IsInternetConnected());
}

TEST_F(PingProbeWithFakePing, ReplyOnStandardErrorIsNotRead)
{
    FakePing("echo '64 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.120 ms' >&2\n");
    EXPECT_FALSE(PingVerdict().IsInternetConnected());
}

TEST_F(PingProbeWithFakePing, PingThatNeverEndsIsDisconnectedAtTheLimit)
{
    FakePing("echo '64 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.120 ms'\n"
             "echo '1 packets transmitted, 0 received, 100% packet loss'\nexec sleep 100\n");
    EXPECT_FALSE(PingVerdict({}, {std::chrono::milliseconds{500}, std::chrono::milliseconds{20}})
                     .IsInternetConnected());
}

TEST_F(PingProbeWithFakePing, OddProbeHostStartsNothing)
{
    FakePing("echo '64 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.120 ms'\n");
    for (const char* host : {"-f 127.0.0.1", "--help", "127.0.0.1 -c 1000"}) {
        ScopedEnv odd("PELLAVANE_PROBE_HOST", host);
        EXPECT_FALSE(PingVerdict().IsInternetConnected()) << host;
    }
    EXPECT_FALSE(std::filesystem::exists(Calls()));
}

TEST_F(PingProbeWithFakePing, NoPingOnThePathIsDisconnected)
{
    pellavane::testing::TempFolder empty;
    ScopedEnv path("PATH", empty.Path().string());
    EXPECT_FALSE(PingVerdict().IsInternetConnected());
}

} // namespace
} // namespace pellavane
