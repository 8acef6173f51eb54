#include "engine/history/family_history.h"

#include "engine/history/journal_format.h"
#include "engine/history/tests/history_test_helpers.h"

#include "core/iso_time.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace pellavane {
namespace {

using namespace pellavane::testing;

// A row as "seconds after t,event,status,rtt_ms,target,detail".
struct FamilyCase
{
    std::string name;
    std::vector<std::pair<int, std::string>> rows;
    AddressFamily family;
    std::int64_t up;
    std::int64_t down;
    /** Each outage's start and end after t, and its cause. */
    std::vector<std::tuple<int, int, std::string>> outages;
};

HistoryReport FamilyReport(std::int64_t t, const FamilyCase& c)
{
    OutageAnalyser analyser({});
    FamilyHistory history(c.family, analyser);
    for (const auto& [offset, rest] : c.rows) {
        HistoryRecord record;
        const std::string row = IsoLocalTime(t + offset) + "," + rest;
        EXPECT_TRUE(ParseJournalRow(row, record)) << row;
        history.Record(record);
    }
    history.Finish();
    return analyser.Finish();
}

TEST(FamilyHistoryTest, AFamilysStateHoldsFromItsRowToItsNextAndADisconnectedCheckIsDownForBoth)
{
    const ScopedTimeZone zone("UTC0");
    const std::int64_t t = Local(2026, 12, 8, 10);
    const auto v6 = AddressFamily::V6;
    const auto v4 = AddressFamily::V4;
    // IPv6 lost at 10 s and back at 20 s while IPv4 works; the whole connection down from 30 s to 40 s.
    const std::vector<std::pair<int, std::string>> dual = {
        {0, "start,,,,,interval=5"},
        {0, "check,connected,9,192.0.2.7,"},
        {0, "ipv4,connected,9,192.0.2.7,"},
        {0, "ipv6,connected,12,2001:db8::7,"},
        {5, "check,connected,9,192.0.2.7,"},
        {10, "check,connected,9,192.0.2.7,"},
        {10, "echoes,,,192.0.2.7,sent=1 lost=0 rtt=9"},
        {10, "ipv6,disconnected,,,provider"},
        {15, "check,connected,9,192.0.2.7,"},
        {20, "check,connected,9,192.0.2.7,"},
        {20, "ipv6,connected,12,2001:db8::7,"},
        {25, "check,connected,9,192.0.2.7,"},
        {30, "check,disconnected,,,no network"},
        {30, "ipv4,disconnected,,,no network"},
        {30, "ipv6,disconnected,,,no network"},
        {35, "check,disconnected,,,no network"},
        {40, "check,connected,9,192.0.2.7,"},
        {40, "ipv4,connected,9,192.0.2.7,"},
        {40, "ipv6,connected,12,2001:db8::7,"},
        {45, "check,connected,9,192.0.2.7,"},
    };
    std::vector<std::pair<int, std::string>> sleeping = {
        {0, "start,,,,,interval=5"},
        {0, "check,connected,9,192.0.2.7,"},
        {0, "ipv4,connected,9,192.0.2.7,"},
        {0, "ipv6,disconnected,,,provider"},
        {5, "check,connected,9,192.0.2.7,"},
        {7, "sleep,,,,,"},
        {600, "resume,,,,,"},
        {605, "check,connected,9,192.0.2.7,"},
        {610, "check,connected,9,192.0.2.7,"},
        {610, "ipv6,connected,12,2001:db8::7,"},
        {615, "stop,,,,,"},
        {900, "start,,,,,interval=5"},
        {900, "check,connected,9,192.0.2.7,"},
        {900, "ipv4,connected,9,192.0.2.7,"},
        {900, "ipv6,,,,not configured"},
        {905, "check,disconnected,,,provider"},
        {905, "ipv4,disconnected,,,provider"},
        {910, "check,connected,9,192.0.2.7,"},
        {910, "ipv4,connected,9,192.0.2.7,"},
    };
    // --check --log: a row for a family that differs speaks for its own check alone.
    const std::vector<std::pair<int, std::string>> lone = {
        {0, "check,connected,9,192.0.2.7,"},   {0, "ipv6,disconnected,,,provider"},
        {60, "check,connected,9,192.0.2.7,"},  {120, "check,connected,9,192.0.2.7,"},
        {120, "ipv6,disconnected,,,provider"}, {180, "check,connected,9,192.0.2.7,"},
    };
    const std::vector<FamilyCase> cases = {
        {"IPv6 lost while IPv4 works", dual, v6, 25, 20, {{10, 20, "provider"}, {30, 40, "no network"}}},
        {"IPv4 saw only the whole outage", dual, v4, 35, 10, {{30, 40, "no network"}}},
        {"sleep, stop and a family no longer configured are unknown",
         sleeping,
         v6,
         5,
         12,
         {{0, 7, "provider"}, {605, 610, "provider"}}},
        {"the same history for IPv4", sleeping, v4, 22, 5, {{905, 910, "provider"}}},
        {"lone checks", lone, v6, 60, 120, {{0, 60, "provider"}, {120, 180, "provider"}}},
    };
    for (const FamilyCase& c : cases) {
        const HistoryReport report = FamilyReport(t, c);
        ASSERT_EQ(report.periods.size(), 1u) << c.name;
        EXPECT_EQ(report.periods[0].upSeconds, c.up) << c.name;
        EXPECT_EQ(report.periods[0].downSeconds, c.down) << c.name;
        std::vector<std::tuple<int, int, std::string>> outages;
        for (const Outage& o : report.outages) {
            outages.emplace_back(static_cast<int>(o.start - t), static_cast<int>(o.end - t), o.cause);
        }
        EXPECT_EQ(outages, c.outages) << c.name;
    }
}

// Without --family nothing changes: the IPv6 outage above is no outage of the connection.
TEST(FamilyHistoryTest, TheWholeConnectionsReportSkipsTheFamilyRows)
{
    const ScopedTimeZone zone("UTC0");
    const std::int64_t t = Local(2026, 12, 8, 10);
    TempFolder folder;
    const std::string log = folder.File("net.txt");
    std::string journal = "time,event,status,rtt_ms,target,detail\r\n";
    for (const auto& [offset, rest] : std::vector<std::pair<int, std::string>>{
             {0, "start,,,,,interval=5"},
             {0, "check,connected,9,192.0.2.7,"},
             {0, "ipv4,connected,9,192.0.2.7,"},
             {0, "ipv6,disconnected,,,provider"},
             {5, "check,connected,9,192.0.2.7,"},
             {10, "check,connected,9,192.0.2.7,"},
         }) {
        journal += IsoLocalTime(t + offset) + "," + rest + "\r\n";
    }
    WriteFile(folder.File("net.journal.csv"), journal);
    EXPECT_TRUE(AnalyseHistory(log, {}).outages.empty());
    const HistoryReport v6 = AnalyseFamilyHistory(log, {}, AddressFamily::V6);
    ASSERT_EQ(v6.outages.size(), 1u);
    EXPECT_TRUE(v6.outages[0].ongoing);
    EXPECT_EQ(v6.outages[0].Duration(), 10);
    EXPECT_TRUE(AnalyseFamilyHistory(log, {}, AddressFamily::V4).outages.empty());
}

} // namespace
} // namespace pellavane
