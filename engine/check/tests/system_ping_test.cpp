#include "engine/check/system_ping.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace pellavane {
namespace {

constexpr PingReply::Kind A = PingReply::Kind::Answered;
constexpr PingReply::Kind S = PingReply::Kind::Silent;
constexpr PingReply::Kind N = PingReply::Kind::NameLookupFailed;
constexpr PingReply::Kind P = PingReply::Kind::NoPingProgram;

TEST(ReadPingRun, ExitStatusAndStandardErrorTellLookupFromSilence)
{
    struct Case
    {
        const char* what;
        CapturedRun run;
        PingDialect dialect;
        PingReply::Kind kind;
        std::optional<double> rtt;
    };
    const std::string reply = "PING 127.0.0.1 (127.0.0.1) 56(84) bytes of data.\n"
                              "64 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.120 ms\n";
    const std::string windowsReply = "Reply from 127.0.0.1: bytes=32 time<1ms TTL=64\r\r\n";
    const Case table[] = {
        {"reply", {true, reply, "", 0}, PingDialect::Unix, A, 0.12},
        {"not started", {false, "", "", std::nullopt}, PingDialect::Unix, P, std::nullopt},
        {"unknown name",
         {true, "", "ping: name.test: Name or service not known\n", 2},
         PingDialect::Unix,
         N,
         std::nullopt},
        {"no name server",
         {true, "", "ping: name.test: Temporary failure in name resolution\n", 2},
         PingDialect::Unix,
         N,
         std::nullopt},
        {"the words without exit 2",
         {true, "", "ping: name.test: Name or service not known\n", 1},
         PingDialect::Unix,
         S,
         std::nullopt},
        {"no address of the family asked for",
         {true, "", "ping: name.test: Address family for hostname not supported\n", 2},
         PingDialect::Unix,
         PingReply::Kind::NoAddressOfFamily,
         std::nullopt},
        {"unreachable network, exit 2",
         {true, "", "ping: connect: Network is unreachable\n", 2},
         PingDialect::Unix,
         S,
         std::nullopt},
        {"a reply on standard error is not read", {true, "", reply, 0}, PingDialect::Unix, S, std::nullopt},
        {"stopped at the bound",
         {true, "PING 127.0.0.1 (127.0.0.1) 56(84) bytes of data.\n", "", std::nullopt},
         PingDialect::Unix,
         S,
         std::nullopt},
        {"Windows reply under 1 ms", {true, windowsReply, "", 0}, PingDialect::Windows, A, 1.0},
        {"German Windows reply",
         {true, "Antwort von 192.0.2.10: Bytes=32 Zeit=12ms TTL=56\r\n", "", 0},
         PingDialect::Windows,
         A,
         12.0},
        {"Windows unknown host",
         {true, "Ping request could not find host name.test. Please check the name and try again.\r\n", "",
          1},
         PingDialect::Windows,
         N,
         std::nullopt},
    };
    for (const Case& row : table) {
        const PingReply reply = ReadPingRun(row.run, row.dialect);
        EXPECT_EQ(reply.kind, row.kind) << row.what;
        EXPECT_EQ(reply.rttMs, row.rtt) << row.what;
    }
}

TEST(ReadPingEchoesRun, AnyEchoAnsweredAndSentAsTheSummarySaysElseAsAskedUnlessStopped)
{
    struct Case
    {
        const char* what;
        CapturedRun run;
        PingDialect dialect;
        int sent;
        std::size_t answered;
    };
    const std::string two = "64 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.1 ms\n"
                            "64 bytes from 127.0.0.1: icmp_seq=3 ttl=64 time=0.2 ms\n";
    const std::string german = "Antwort von 192.0.2.10: Bytes=32 Zeit=12ms TTL=56\r\n";
    const std::string bsd = "64 bytes from 192.0.2.9: icmp_seq=0 ttl=57 time=5.5 ms\n"
                            "Request timeout for icmp_seq 1\n"
                            "64 bytes from 192.0.2.9: icmp_seq=2 ttl=57 time=6.5 ms\n"
                            "3 packets transmitted, 2 packets received, 33.3% packet loss\n";
    const Case table[] = {
        {"BSD says each loss", {true, bsd, "", 2}, PingDialect::Unix, 3, 2},
        {"summary", {true, two + "3 packets transmitted, 2 received\n", "", 1}, PingDialect::Unix, 3, 2},
        {"a summary of more than asked",
         {true, two + "9 packets transmitted, 2 received\n", "", 0},
         PingDialect::Unix,
         5,
         2},
        {"ended without a summary we read", {true, german, "", 0}, PingDialect::Windows, 5, 1},
        {"stopped: the unanswered may never have been sent",
         {true, two, "", std::nullopt},
         PingDialect::Unix,
         2,
         2},
    };
    for (const Case& row : table) {
        const PingReply reply = ReadPingEchoesRun(row.run, row.dialect, 5);
        EXPECT_EQ(reply.kind, A) << row.what;
        ASSERT_TRUE(reply.echoes) << row.what;
        EXPECT_EQ(reply.echoes->sent, row.sent) << row.what;
        EXPECT_EQ(reply.echoes->rttsMs.size(), row.answered) << row.what;
    }
}

} // namespace
} // namespace pellavane
