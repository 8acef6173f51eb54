#include "engine/listeners/monitor_journal.h"

#include "engine/listeners/family_rows.h"

#include "engine/check/check_result.h"
#include "engine/monitor/journal.h"
#include "engine/monitor/sleep_watch.h"
#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace pellavane {
namespace {

using namespace std::chrono_literals;
using pellavane::testing::ReadFile;
using pellavane::testing::ScopedTimeZone;
using pellavane::testing::TempFolder;

class Clocks : public IMachineClocks
{
public:
    ClockReading Read() override { return now; }
    std::time_t Wall() const { return std::chrono::floor<std::chrono::seconds>(now.wall).count(); }
    ClockReading now{0s, 0s, 1'796'701'517s}; // 2026-12-08T03:45:17Z
};

struct NoHealth : IJournalHealth
{
    void JournalFailing(const std::string& reason) override { ADD_FAILURE() << reason; }
    void JournalWorkingAgain() override {}
};

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "a row without its CR LF";
    return lines;
}

TEST(MonitorJournal, ARunWithASleepFoundFromTheClocksAndAClockStepReadsBackRowByRow)
{
    const ScopedTimeZone zone("UTC0");
    TempFolder folder;
    const std::string log = folder.File("net");
    NoHealth health;
    Journal journal([&] { return log; }, health);
    Clocks clocks;
    MonitorJournal rows(journal, [&] { return clocks.Wall(); });
    SleepWatch watch(clocks, rows);

    rows.LoggingStarted(5);
    CheckResult check;
    check.time = clocks.Wall();
    check.connected = true;
    check.rttMs = 0.12;
    check.target = "127.0.0.1";
    rows.CheckRecorded(check);

    // A check under way when the lid closes: two hours asleep, then Wi-Fi needs a while.
    CheckTicket ticket = watch.CheckStarting();
    clocks.now.monotonic += 2s;
    clocks.now.boottime += 2s + 2h;
    clocks.now.wall += 2s + 2h;
    EXPECT_EQ(watch.CheckEnded(ticket, false), CheckVerdict::Drop);
    for (auto waited = 0s; waited < 30s; waited += 5s) {
        ticket = watch.CheckStarting();
        EXPECT_EQ(watch.CheckEnded(ticket, false), CheckVerdict::Retry);
        clocks.now.monotonic += 5s;
        clocks.now.boottime += 5s;
        clocks.now.wall += 5s;
    }
    ticket = watch.CheckStarting();
    ASSERT_EQ(watch.CheckEnded(ticket, false), CheckVerdict::RecordAfterResume);
    CheckResult confirmed;
    confirmed.time = clocks.Wall();
    confirmed.cause = "after resume";
    rows.CheckRecorded(confirmed);

    clocks.now.wall += 1h; // the time set by hand
    watch.Look();
    rows.LoggingStopped();

    EXPECT_EQ(Lines(ReadFile(folder.File("net.journal.csv"))),
              (std::vector<std::string>{
                  "time,event,status,rtt_ms,target,detail",
                  "2026-12-08T03:45:17+00:00,start,,,,interval=5",
                  "2026-12-08T03:45:17+00:00,check,connected,0.12,127.0.0.1,",
                  "2026-12-08T03:45:19+00:00,sleep,,,,",
                  "2026-12-08T05:45:19+00:00,resume,,,,",
                  "2026-12-08T05:45:49+00:00,check,disconnected,,,after resume",
                  "2026-12-08T06:45:49+00:00,clock,,,,by=+3600",
                  "2026-12-08T06:45:49+00:00,stop,,,,",
              }));
}

// The listener writing into a journal of its own, its rows read back as lines.
class MonitorJournalRows : public ::testing::Test
{
protected:
    std::vector<std::string> Written() const { return Lines(ReadFile(m_folder.File("net.journal.csv"))); }

    static constexpr std::time_t kT = 1'796'701'517; // 2026-12-08T03:45:17Z

private:
    ScopedTimeZone m_zone{"UTC0"};
    TempFolder m_folder;
    std::string m_log = m_folder.File("net");
    NoHealth m_health;
    Journal m_journal{[this] { return m_log; }, m_health};

protected:
    MonitorJournal rows{m_journal, [] { return kT; }};
};

TEST_F(MonitorJournalRows, SeveralEchoesFollowTheirCheckRowAndOneAddsNothing)
{
    CheckResult check;
    check.time = kT;
    check.connected = true;
    check.rttMs = 18.123;
    check.target = "192.0.2.9";
    check.targets = {{"192.0.2.9", true}};
    check.echoes = EchoCounts{5, {18.123, 19.204, 17.99, 18.601}};
    rows.CheckRecorded(check);
    check.echoes = EchoCounts{1, {18.123}};
    rows.CheckRecorded(check);
    // A silent first target: the echoes row names it, though another target answered.
    check.cause = "first target silent";
    check.target = "192.0.2.7";
    check.targets = {{"192.0.2.9", false}, {"192.0.2.7", true}};
    check.echoes = EchoCounts{5, {}};
    rows.CheckRecorded(check);
    check.connected = false;
    check.echoes.reset();
    rows.CheckRecorded(check);
    EXPECT_EQ(Written(),
              (std::vector<std::string>{
                  "time,event,status,rtt_ms,target,detail",
                  "2026-12-08T03:45:17+00:00,check,connected,18.123,192.0.2.9,",
                  "2026-12-08T03:45:17+00:00,echoes,,,192.0.2.9,sent=5 lost=1 rtt=18.123 19.204 17.99 18.601",
                  "2026-12-08T03:45:17+00:00,check,connected,18.123,192.0.2.9,",
                  "2026-12-08T03:45:17+00:00,check,connected,18.123,192.0.2.7,first target silent",
                  "2026-12-08T03:45:17+00:00,echoes,,,192.0.2.9,sent=5 lost=5 rtt=",
                  "2026-12-08T03:45:17+00:00,check,disconnected,18.123,192.0.2.7,first target silent",
              }));
}

TEST_F(MonitorJournalRows, AQualityRowSaysWhyItTurnedDegradedAndWhatEndedIt)
{
    const std::time_t t = kT;
    rows.QualityChanged({t, true, {"loss 12%", "12 % of echoes lost in the last 10 min"}, QualityEnd::None});
    rows.QualityChanged({t + 600, false, {}, QualityEnd::Recovered});
    rows.QualityChanged({t + 700, true, {"median 640 ms", ""}, QualityEnd::None});
    rows.QualityChanged({t + 800, false, {}, QualityEnd::Outage});
    rows.QualityChanged({t + 900, false, {}, QualityEnd::Sleep});
    rows.QualityChanged({t + 990, false, {}, QualityEnd::LoggingOff});
    EXPECT_EQ(Written(), (std::vector<std::string>{
                             "time,event,status,rtt_ms,target,detail",
                             "2026-12-08T03:45:17+00:00,quality,degraded,,,loss 12%",
                             "2026-12-08T03:55:17+00:00,quality,normal,,,",
                             "2026-12-08T03:56:57+00:00,quality,degraded,,,median 640 ms",
                             "2026-12-08T03:58:37+00:00,quality,normal,,,outage",
                             "2026-12-08T04:00:17+00:00,quality,normal,,,sleep",
                             "2026-12-08T04:01:47+00:00,quality,normal,,,logging off",
                         }));
}

CheckResult FamilyCheck(std::time_t t, std::vector<FamilyResult> families)
{
    CheckResult check;
    check.time = t;
    check.families = std::move(families);
    check.connected =
        check.families.empty() || std::any_of(check.families.begin(), check.families.end(),
                                              [](const FamilyResult& f) { return f.connected; });
    check.cause = check.connected ? "" : "provider";
    return check;
}

const FamilyResult kV4Up{AddressFamily::V4, true, "", 9.5, "192.0.2.7"};
const FamilyResult kV6Up{AddressFamily::V6, true, "", 12.25, "2001:db8::7"};
const FamilyResult kV4Down{AddressFamily::V4, false, "provider", std::nullopt, ""};
const FamilyResult kV6Down{AddressFamily::V6, false, "provider", std::nullopt, ""};

TEST_F(MonitorJournalRows, FamilyRowsComeAtTheFirstCheckAfterStartAndAtEachChangeOnly)
{
    const std::time_t t = kT;
    rows.CheckRecorded(FamilyCheck(t, {})); // targets on this machine alone: as it always was
    rows.CheckRecorded(FamilyCheck(t + 1, {kV4Up}));
    rows.CheckRecorded(FamilyCheck(t + 2, {kV4Up}));
    rows.LoggingStarted(1);
    rows.CheckRecorded(FamilyCheck(t + 3, {kV4Up, kV6Up}));
    rows.CheckRecorded(FamilyCheck(t + 4, {kV4Up, kV6Up}));
    rows.CheckRecorded(FamilyCheck(t + 5, {kV4Up, kV6Down}));
    rows.CheckRecorded(FamilyCheck(t + 6, {kV4Up, kV6Down}));
    rows.CheckRecorded(FamilyCheck(t + 7, {kV4Down, kV6Down}));
    rows.CheckRecorded(FamilyCheck(t + 8, {kV4Up}));
    EXPECT_EQ(Written(), (std::vector<std::string>{
                             "time,event,status,rtt_ms,target,detail",
                             "2026-12-08T03:45:17+00:00,check,connected,,,",
                             "2026-12-08T03:45:18+00:00,check,connected,,,",
                             "2026-12-08T03:45:18+00:00,ipv4,connected,9.5,192.0.2.7,",
                             "2026-12-08T03:45:19+00:00,check,connected,,,",
                             "2026-12-08T03:45:17+00:00,start,,,,interval=1",
                             "2026-12-08T03:45:20+00:00,check,connected,,,",
                             "2026-12-08T03:45:20+00:00,ipv4,connected,9.5,192.0.2.7,",
                             "2026-12-08T03:45:20+00:00,ipv6,connected,12.25,2001:db8::7,",
                             "2026-12-08T03:45:21+00:00,check,connected,,,",
                             "2026-12-08T03:45:22+00:00,check,connected,,,",
                             "2026-12-08T03:45:22+00:00,ipv6,disconnected,,,provider",
                             "2026-12-08T03:45:23+00:00,check,connected,,,",
                             "2026-12-08T03:45:24+00:00,check,disconnected,,,provider",
                             "2026-12-08T03:45:24+00:00,ipv4,disconnected,,,provider",
                             "2026-12-08T03:45:25+00:00,check,connected,,,",
                             "2026-12-08T03:45:25+00:00,ipv4,connected,9.5,192.0.2.7,",
                             "2026-12-08T03:45:25+00:00,ipv6,,,,not configured",
                         }));
}

TEST(LoneCheckFamilyRows, OnlyAConfiguredFamilyThatDiffersFromTheCheckIsWritten)
{
    const ScopedTimeZone zone("UTC0");
    const std::time_t t = 1'796'701'517;
    const std::pair<std::vector<FamilyResult>, std::vector<std::string>> cases[] = {
        {{}, {}},
        {{kV4Up, kV6Up}, {}},
        {{kV4Down, kV6Down}, {}},
        {{kV4Up, kV6Down}, {"2026-12-08T03:45:17+00:00,ipv6,disconnected,,,provider"}},
        {{kV4Down, kV6Up}, {"2026-12-08T03:45:17+00:00,ipv4,disconnected,,,provider"}},
        // A family the check did not ask has no state of its own to tell.
        {{kV4Up}, {}},
        {{kV6Down}, {}},
    };
    for (const auto& [families, expected] : cases) {
        std::vector<std::string> rows;
        for (const JournalRow& row : LoneCheckFamilyRows(FamilyCheck(t, families))) {
            rows.push_back(FormatJournalRow(row));
        }
        EXPECT_EQ(rows, expected) << families.size();
    }
}

} // namespace
} // namespace pellavane
