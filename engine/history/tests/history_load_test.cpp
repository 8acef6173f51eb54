#include "engine/history/history_load.h"

#include "engine/history/journal_format.h"
#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace pellavane {
namespace {

// The timeline's stretch starts on a whole bucket, ten buckets before the journals below begin.
constexpr std::int64_t kNow = 1'796'000'000 - 1'796'000'000 % kEchoBucketSeconds;
constexpr std::int64_t kT = kNow - kTimelineSpan + 10 * kEchoBucketSeconds;

JournalRow Row(std::int64_t at, HistoryEvent event, const char* status = "", const char* detail = "",
               const char* rtt = "")
{
    return {static_cast<std::time_t>(kT + at), event, status, rtt, "127.0.0.1", detail};
}
JournalRow Up(std::int64_t at, const char* detail = "", const char* rtt = "10")
{
    return Row(at, HistoryEvent::Check, "connected", detail, rtt);
}
void AddUp(std::vector<JournalRow>& rows, std::int64_t from, std::int64_t to)
{
    for (std::int64_t at = from; at <= to; at += 5) {
        rows.push_back(Up(at));
    }
}

HistoryView Read(const std::vector<JournalRow>& rows)
{
    const testing::TempFolder folder;
    std::string text = std::string(kJournalHeader) + "\r\n";
    for (const JournalRow& row : rows) {
        text += FormatJournalRow(row) + "\r\n";
    }
    testing::WriteFile((folder.Path() / "net.journal.csv").string(), text);
    return ReadHistoryView((folder.Path() / "net.txt").string(), kNow);
}

TEST(HistoryLoadTest, LostEchoesComeFromTheEchoesRowOrElseTheOneEchoRule)
{
    const HistoryView view = Read({
        Up(-kTimelineSpan, "first target silent"), // before the stretch
        Row(0, HistoryEvent::Start, "", "interval=5"),
        Up(0),
        Up(5, "first target silent", "30"),
        Up(10),
        Row(10, HistoryEvent::Echoes, "", "sent=5 lost=2 rtt=18 19 17"),
        Up(15),
        Row(15, HistoryEvent::Echoes, "", "sent=5 lost=0 rtt=18 19 17 18 20"),
        Row(20, HistoryEvent::Check, "disconnected", "targets silent"),
        Up(25, "echo filtered", ""), // no echo of the first target to count
        Up(30, "echo filtered", ""),
        Row(30, HistoryEvent::Echoes, "", "sent=5 lost=5 rtt="),
        Up(34),
        Row(35, HistoryEvent::Echoes, "", "sent=3 lost=3 rtt="), // follows no check of its time
        Up(60),
        Row(60, HistoryEvent::Echoes, "", "sent=4 lost=3 rtt=18"),
    });
    ASSERT_TRUE(view.error.empty()) << view.error;
    std::vector<std::tuple<std::int64_t, int, int>> losses;
    for (const EchoLoss& loss : view.timeline.losses) {
        losses.emplace_back(loss.time - kT, loss.sent, loss.lost);
    }
    const std::vector<std::tuple<std::int64_t, int, int>> expected = {
        {5, 1, 1}, {10, 5, 2}, {30, 5, 5}, {60, 4, 3}};
    EXPECT_EQ(losses, expected);
    EXPECT_EQ(view.timeline.echoesFrom, kNow - kTimelineSpan);
    const std::vector<std::uint16_t> sent = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1 + 1 + 5 + 5 + 5 + 1, 4};
    EXPECT_EQ(view.timeline.echoesSent, sent);
    EXPECT_TRUE(view.timeline.degraded.empty()) << "no quality rows, no degraded time";
}

// The rule itself is DegradedPeriods' (engine/quality); here the timeline's band and the quality
// report's seconds, both from one reading of one journal, must say the same.
TEST(HistoryLoadTest, DegradedBandAndTheQualityReportAgreeOnOneJournal)
{
    const auto quality = [](std::int64_t at, bool degraded) {
        return Row(at, HistoryEvent::Quality, degraded ? "degraded" : "normal",
                   degraded ? "loss 12%" : "loss 1%");
    };
    // Not watched yet: the start ends it.
    std::vector<JournalRow> rows = {quality(-100, true), Row(0, HistoryEvent::Start, "", "interval=5")};
    AddUp(rows, 0, 5);
    rows.push_back(quality(10, true));
    AddUp(rows, 10, 25);
    rows.push_back(quality(28, true)); // still the same period
    AddUp(rows, 30, 30);
    rows.push_back(quality(30, false));
    AddUp(rows, 35, 40);
    rows.push_back(quality(42, true));
    AddUp(rows, 45, 45);
    rows.push_back(Row(50, HistoryEvent::Check, "disconnected", "targets silent"));
    AddUp(rows, 55, 70);
    rows.insert(rows.end(), {quality(70, true), Up(75), Row(80, HistoryEvent::Stop)});
    rows.push_back(Row(200, HistoryEvent::Start, "", "interval=5"));
    AddUp(rows, 200, 205);
    rows.insert(rows.end(),
                {quality(205, true), Row(215, HistoryEvent::Sleep), Row(300, HistoryEvent::Resume)});
    AddUp(rows, 300, 330);
    rows.push_back(quality(320, true));
    // Still the same period after a clock step and a gap the program was not seen in, until a start
    // with no stop before it.
    rows.push_back(Row(333, HistoryEvent::Clock, "", "by=+60"));
    AddUp(rows, 400, 410);
    AddUp(rows, 600, 605);
    rows.push_back(Row(900, HistoryEvent::Start, "", "interval=5"));
    AddUp(rows, 900, 905);

    const HistoryView view = Read(rows);
    ASSERT_TRUE(view.error.empty()) << view.error;
    std::vector<std::pair<std::int64_t, std::int64_t>> degraded;
    for (const TimeSpan& span : view.timeline.degraded) {
        degraded.emplace_back(span.start - kT, span.end - kT);
    }
    const std::vector<std::pair<std::int64_t, std::int64_t>> expected = {
        {10, 30}, {42, 50}, {70, 80}, {205, 215}, {320, 330}, {400, 410}, {600, 605}};
    EXPECT_EQ(degraded, expected);
    std::int64_t reported = 0;
    for (const PeriodQuality& day : view.quality) {
        reported += day.degradedSeconds;
    }
    EXPECT_EQ(reported, 20 + 8 + 10 + 10 + 10 + 10 + 5);
}

} // namespace
} // namespace pellavane
