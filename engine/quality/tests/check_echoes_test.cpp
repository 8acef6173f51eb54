#include "engine/quality/check_echoes.h"

#include "engine/history/journal_format.h"

#include "core/iso_time.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pellavane {
namespace {

constexpr std::int64_t kT = 1'796'000'000;

// A journal row at kT + at, from the fields after the event.
std::string Row(std::int64_t at, const std::string& rest)
{
    return IsoLocalTime(kT + at) + "," + rest;
}
std::string Answered(std::int64_t at, const std::string& rtt = "5")
{
    return Row(at, "check,connected," + rtt + ",192.0.2.1,");
}
std::string Echoes(std::int64_t at, const std::string& detail)
{
    return Row(at, "echoes,,,192.0.2.1," + detail);
}

// Each check's echoes as "time:sent:round trips in microseconds".
std::vector<std::string> Read(const std::vector<std::string>& rows)
{
    std::vector<std::string> read;
    CheckEchoesReader reader(
        [&read](std::int64_t t, int sent, const std::vector<std::uint32_t>& rttsUs) {
            std::string text = std::to_string(t - kT) + ":" + std::to_string(sent) + ":";
            for (const std::uint32_t us : rttsUs) {
                text += std::to_string(us) + " ";
            }
            read.push_back(text);
        },
        kT - 1000, kT + 1000);
    for (const std::string& row : rows) {
        HistoryRecord record;
        EXPECT_TRUE(ParseJournalRow(row, record)) << row;
        reader.Record(record);
    }
    reader.Finish();
    return read;
}

struct EchoesCase
{
    const char* name;
    std::vector<std::string> rows;
    std::vector<std::string> read;
};

TEST(CheckEchoesReader, PairsEachConnectedCheckWithItsEchoesRowOrElseItsOneEcho)
{
    const std::vector<EchoesCase> cases = {
        {"answered", {Answered(0, "18.2")}, {"0:1:18200 "}},
        {"first target silent", {Row(0, "check,connected,30,192.0.2.2,first target silent")}, {"0:1:"}},
        {"another cause counts nothing", {Row(0, "check,connected,,,echo filtered")}, {}},
        {"a disconnected check counts nothing", {Row(0, "check,disconnected,,,provider")}, {}},
        {"a text log's check has no round trip", {Row(0, "check,connected,,,")}, {}},
        {"an unreadable round trip counts nothing", {Answered(0, "fast")}, {}},
        {"the echoes row",
         {Answered(0), Echoes(0, "sent=5 lost=2 rtt=10.001 12 11.5")},
         {"0:5:10001 12000 11500 "}},
        {"all lost", {Answered(0), Echoes(0, "sent=5 lost=5 rtt=")}, {"0:5:"}},
        {"counts that disagree: the check alone",
         {Answered(0), Echoes(0, "sent=5 lost=1 rtt=5 6")},
         {"0:1:5000 "}},
        {"garbage: the check alone", {Answered(0), Echoes(0, "sent=x")}, {"0:1:5000 "}},
        {"a second echoes row is passed over",
         {Answered(0), Echoes(0, "sent=2 lost=0 rtt=5 6"), Echoes(0, "sent=2 lost=0 rtt=7 8")},
         {"0:2:5000 6000 "}},
        {"an echoes row of another time: the check alone",
         {Answered(0), Echoes(1, "sent=2 lost=0 rtt=5 6")},
         {"0:1:5000 "}},
        {"an echoes row after a disconnected check is passed over",
         {Row(0, "check,disconnected,,,provider"), Echoes(0, "sent=2 lost=0 rtt=5 6")},
         {}},
        {"an echoes row after another row: the check alone",
         {Answered(0), Row(0, "quality,degraded,,,loss 12%"), Echoes(0, "sent=2 lost=0 rtt=5 6")},
         {"0:1:5000 "}},
        {"family rows between a check and its echoes are passed over",
         {Answered(0), Row(0, "ipv4,connected,5,192.0.2.1,"), Row(0, "ipv6,disconnected,,,provider"),
          Echoes(0, "sent=2 lost=1 rtt=5")},
         {"0:2:5000 "}},
        {"checks in order",
         {Answered(0, "1"), Answered(5, "2"), Echoes(5, "sent=2 lost=0 rtt=2 3"), Answered(10, "4")},
         {"0:1:1000 ", "5:2:2000 3000 ", "10:1:4000 "}},
        {"a check before the range is not read",
         {Answered(-2000), Echoes(-2000, "sent=2 lost=0 rtt=5 6"), Answered(0)},
         {"0:1:5000 "}},
    };
    for (const EchoesCase& c : cases) {
        EXPECT_EQ(Read(c.rows), c.read) << c.name;
    }
}

} // namespace
} // namespace pellavane
