#include "engine/check/ping_output.h"

#include "engine/capture/capture.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace pellavane {
namespace {

struct Recorded
{
    const char* what;
    std::string output;
    bool connected;
};

TEST(ClassifyPingOutput, WindowsOutputsAsPrinted)
{
    const std::string header = "\r\nPinging probe.example [192.0.2.10] with 32 bytes of data:\r\n";
    const std::string stats = "\r\nPing statistics for 192.0.2.10:\r\n"
                              "    Packets: Sent = 1, Received = 1, Lost = 0 (0% loss),\r\n";
    const Recorded table[] = {
        {"reply", header + "Reply from 192.0.2.10: bytes=32 time=12ms TTL=56\r\n" + stats, true},
        {"wine's loopback reply, CR CR LF", "Reply from 127.0.0.1: bytes=32 time=1ms TTL=64\r\r\n", true},
        {"markers in other letter case", header + "Reply from 192.0.2.10: BYTES=32 time=12ms ttl=56\r\n",
         true},
        {"request timed out, exact case",
         header + "Reply from 192.0.2.10: bytes=32 time=12ms TTL=56\r\nRequest Timed Out.\r\n", false},
        {"timed out in lower case is not the marker",
         header + "Reply from 192.0.2.10: bytes=32 time=12ms TTL=56\r\nRequest timed out.\r\n", true},
        {"plain timeout", header + "Request timed out.\r\n" + stats, false},
        {"destination host unreachable",
         header + "Reply from 192.0.2.1: Destination host unreachable.\r\n" + stats, false},
        {"TTL without bytes", header + "Reply from 192.0.2.1: TTL expired in transit.\r\n", false},
        {"bytes without TTL", header + "Reply from 192.0.2.1: bytes=32 time=12ms\r\n", false},
        {"header alone: bytes of data is not bytes=", header, false},
        {"German reply: the markers still appear",
         "\r\nPing wird ausgef\xC3\xBChrt f\xC3\xBCr probe.example [192.0.2.10] mit 32 Bytes Daten:\r\n"
         "Antwort von 192.0.2.10: Bytes=32 Zeit=12ms TTL=56\r\n",
         true},
        {"German timeout",
         "\r\nZeit\xC3\xBC"
         "berschreitung der Anforderung.\r\n",
         false},
        {"unknown host",
         "Ping request could not find host probe.example. Please check the name and try again.\r\n", false},
        {"empty", "", false},
        {"the capture's failure text", kFailedToCreateProcess, false},
    };
    for (const Recorded& row : table) {
        EXPECT_EQ(ClassifyPingOutput(row.output, PingDialect::Windows), row.connected) << row.what;
    }
}

TEST(ClassifyPingOutput, LinuxAndBsdOutputsAsPrinted)
{
    const Recorded table[] = {
        {"reply",
         "PING 127.0.0.1 (127.0.0.1) 56(84) bytes of data.\n"
         "64 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.120 ms\n\n"
         "--- 127.0.0.1 ping statistics ---\n"
         "1 packets transmitted, 1 received, 0% packet loss, time 0ms\n"
         "rtt min/avg/max/mdev = 0.120/0.120/0.120/0.000 ms\n",
         true},
        {"BSD reply",
         "PING 127.0.0.1 (127.0.0.1): 56 data bytes\n"
         "64 bytes from 127.0.0.1: icmp_seq=0 ttl=64 time=0.052 ms\n\n"
         "--- 127.0.0.1 ping statistics ---\n"
         "1 packets transmitted, 1 packets received, 0.0% packet loss\n",
         true},
        {"no reply",
         "PING 192.0.2.1 (192.0.2.1) 56(84) bytes of data.\n\n"
         "--- 192.0.2.1 ping statistics ---\n"
         "1 packets transmitted, 0 received, 100% packet loss, time 0ms\n\n",
         false},
        {"BSD no reply",
         "PING 192.0.2.1 (192.0.2.1): 56 data bytes\n"
         "Request timeout for icmp_seq 0\n\n"
         "--- 192.0.2.1 ping statistics ---\n"
         "2 packets transmitted, 0 packets received, 100.0% packet loss\n",
         false},
        {"unknown host: the reason goes to standard error", "", false},
        {"network unreachable",
         "PING 198.51.100.7 (198.51.100.7) 56(84) bytes of data.\n"
         "From 192.0.2.1 icmp_seq=1 Destination Net Unreachable\n\n"
         "--- 198.51.100.7 ping statistics ---\n"
         "1 packets transmitted, 0 received, +1 errors, 100% packet loss, time 0ms\n",
         false},
        {"ttl= away from any bytes from line",
         "PING 192.0.2.1 (192.0.2.1) 56(84) bytes of data.\n"
         "From 192.0.2.1 icmp_seq=1 Redirect Host ttl=64\n",
         false},
        {"a reply line and still total loss",
         "64 bytes from 192.0.2.1: icmp_seq=1 ttl=64 time=1 ms\n"
         "1 packets transmitted, 0 received, 100% packet loss\n",
         false},
        {"Windows text is not a Unix reply", "Reply from 127.0.0.1: bytes=32 time=1ms TTL=64\r\n", false},
        {"empty", "", false},
        {"the capture's failure text", kFailedToCreateProcess, false},
    };
    for (const Recorded& row : table) {
        EXPECT_EQ(ClassifyPingOutput(row.output, PingDialect::Unix), row.connected) << row.what;
    }
}

TEST(ReadPingEchoes, FiveEchoesWithLossesDuplicatesAndErrors)
{
    struct Case
    {
        const char* what;
        std::string output;
        PingDialect dialect;
        std::vector<double> rtts;
        std::optional<int> transmitted;
    };
    const std::string head = "PING 192.0.2.9 (192.0.2.9) 56(84) bytes of data.\n";
    const auto reply = [](int seq, const char* time) {
        return "64 bytes from 192.0.2.9: icmp_seq=" + std::to_string(seq) + " ttl=57 time=" + time + " ms\n";
    };
    const auto summary = [](int received, const char* more = "") {
        return "\n--- 192.0.2.9 ping statistics ---\n5 packets transmitted, " + std::to_string(received) +
               " received, " + more + "time 804ms\n";
    };
    const std::string windowsHead = "\r\nPinging 192.0.2.9 with 32 bytes of data:\r\n";
    const auto windowsReply = [](const char* time) {
        return std::string("Reply from 192.0.2.9: bytes=32 time") + time + " TTL=117\r\n";
    };
    const char* windowsSummary = "\r\nPing statistics for 192.0.2.9:\r\n"
                                 "    Packets: Sent = 5, Received = 3, Lost = 2 (40% loss),\r\n";
    const Case table[] = {
        {"all five",
         head + reply(1, "18.1") + reply(2, "19.2") + reply(3, "17.99") + reply(4, "18.6") + reply(5, "20") +
             summary(5),
         PingDialect::Unix,
         {18.1, 19.2, 17.99, 18.6, 20},
         5},
        {"second and fourth lost",
         head + reply(1, "18.1") + reply(3, "17.99") + reply(5, "20") + summary(3),
         PingDialect::Unix,
         {18.1, 17.99, 20},
         5},
        {"a duplicate counts once",
         head + reply(1, "18.1") + reply(2, "19.2") + reply(2, "19.9") + reply(3, "17.99") +
             summary(3, "+1 duplicates, 40% packet loss, "),
         PingDialect::Unix,
         {18.1, 19.2, 17.99},
         5},
        {"marked DUP! and out of order",
         head + reply(2, "19.2") + reply(1, "25.0") +
             "64 bytes from 192.0.2.9: icmp_seq=2 ttl=57 time=30.0 ms (DUP!)\n" + summary(2),
         PingDialect::Unix,
         {25.0, 19.2},
         5},
        {"a router's error is no answer",
         head + reply(1, "18.1") + "From 192.0.2.1 icmp_seq=2 Destination Host Unreachable\n" +
             reply(3, "17.99") + summary(2, "+1 errors, 60% packet loss, "),
         PingDialect::Unix,
         {18.1, 17.99},
         5},
        {"BSD counts from zero",
         "PING 192.0.2.9 (192.0.2.9): 56 data bytes\n64 bytes from 192.0.2.9: icmp_seq=0 ttl=57 time=5.5 ms\n"
         "Request timeout for icmp_seq 1\n64 bytes from 192.0.2.9: icmp_seq=2 ttl=57 time=6.5 ms\n\n"
         "--- 192.0.2.9 ping statistics ---\n3 packets transmitted, 2 packets received, 33.3% packet loss\n",
         PingDialect::Unix,
         {5.5, 6.5},
         3},
        {"stopped before the summary",
         head + reply(1, "18.1") + reply(2, "19.2"),
         PingDialect::Unix,
         {18.1, 19.2},
         std::nullopt},
        {"nothing came back", head + summary(0, "100% packet loss, "), PingDialect::Unix, {}, 5},
        {"Windows, a timeout among them",
         windowsHead + windowsReply("=12ms") + "Request timed out.\r\n" + windowsReply("<1ms") +
             "Reply from 192.0.2.1: Destination host unreachable.\r\n" + windowsReply("=14ms") +
             windowsSummary,
         PingDialect::Windows,
         {12, 1, 14},
         5},
        {"German Windows has no summary we read",
         "Antwort von 192.0.2.9: Bytes=32 Zeit=12ms TTL=56\r\nAntwort von 192.0.2.9: Bytes=32 Zeit=13ms "
         "TTL=56\r\n"
         "    Pakete: Gesendet = 5, Empfangen = 2, Verloren = 3\r\n",
         PingDialect::Windows,
         {12, 13},
         std::nullopt},
    };
    for (const Case& row : table) {
        const PingEchoLines echoes = ReadPingEchoes(row.output, row.dialect);
        EXPECT_EQ(echoes.rttsMs, row.rtts) << row.what;
        EXPECT_EQ(echoes.transmitted, row.transmitted) << row.what;
    }
}

// A round trip is a number of milliseconds a reply can take: text that names none, or one beyond an
// hour, gives none, however long the line.
TEST(PingRoundTrip, NumbersNoReplyCanTakeAreNoRoundTrip)
{
    const std::string digits(400, '9');
    const std::string zeros(400, '0');
    struct Case
    {
        const char* shape;
        std::string time;
        std::optional<double> rtt;
    };
    const Case table[] = {
        {"as ping prints it", "=0.120 ms", 0.12},
        {"a Windows bound", "<1ms", 1},
        {"hundreds of digits", "=" + digits + " ms", std::nullopt},
        {"hundreds of digits on both sides of the point", "=" + digits + "." + digits + " ms", std::nullopt},
        {"hundreds of leading zeros", "=" + zeros + "12.5 ms", 12.5},
        {"hundreds of decimals", "=12.5" + zeros + " ms", 12.5},
        {"an hour", "=3600000 ms", 3600000},
        {"over an hour", "=3600000.001 ms", std::nullopt},
        {"a point alone", "=. ms", std::nullopt},
        {"a sign", "=-5 ms", std::nullopt},
        {"an exponent", "=1e308 ms", std::nullopt},
    };
    for (const Case& row : table) {
        const std::string line = "64 bytes from 192.0.2.9: icmp_seq=1 ttl=57 time" + row.time + "\n";
        EXPECT_EQ(PingRoundTrip(line), row.rtt) << row.shape;
        const PingEchoLines echoes = ReadPingEchoes(line, PingDialect::Unix);
        EXPECT_EQ(echoes.rttsMs.empty(), !row.rtt) << row.shape;
    }
}

} // namespace
} // namespace pellavane
