#include "engine/history/history_load.h"

#include "engine/check/check_result.h"
#include "engine/history/journal_format.h"
#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace pellavane {
namespace {

using testing::TempFolder;
using testing::WriteFile;

// The timeline's stretch starts on a whole bucket, ten buckets before the journals below begin.
constexpr std::int64_t kNow = 1'796'000'000 - 1'796'000'000 % kEchoBucketSeconds;
constexpr std::int64_t kT = kNow - kTimelineSpan + 10 * kEchoBucketSeconds;

// Writes a journal beside a log as the recorder does, and reads it back as the window does.
class Journal
{
public:
    Journal() { m_text = std::string(kJournalHeader) + "\r\n"; }

    Journal& Row(const JournalRow& row)
    {
        m_text += FormatJournalRow(row) + "\r\n";
        return *this;
    }
    // A check at kT + at; with echoes, its echoes row after it (rtts of the answered ones only).
    Journal& Check(std::int64_t at, bool connected, const char* cause = "", std::optional<double> rtt = 10.0,
                   std::optional<EchoCounts> echoes = std::nullopt)
    {
        CheckResult result;
        result.time = kT + at;
        result.connected = connected;
        result.cause = cause;
        result.rttMs = connected ? rtt : std::nullopt;
        result.target = result.rttMs ? "127.0.0.1" : "";
        result.targets.push_back({"127.0.0.1", result.rttMs.has_value()});
        result.echoes = echoes;
        Row(CheckRow(result));
        return echoes ? Row(EchoesRow(result)) : *this;
    }
    // An echoes row that follows no check of its time.
    Journal& EchoesAlone(std::int64_t at, EchoCounts echoes)
    {
        CheckResult result;
        result.time = kT + at;
        result.connected = true;
        result.targets.push_back({"127.0.0.1", false});
        result.echoes = std::move(echoes);
        return Row(EchoesRow(result));
    }
    Journal& Checks(std::int64_t from, std::int64_t to)
    {
        for (std::int64_t at = from; at <= to; at += 5) {
            Check(at, true);
        }
        return *this;
    }

    HistoryView Read()
    {
        WriteFile((m_folder.Path() / "net.journal.csv").string(), m_text);
        return ReadHistoryView((m_folder.Path() / "net.txt").string(), kNow);
    }

private:
    TempFolder m_folder;
    std::string m_text;
};

EchoCounts Echoes(int sent, std::vector<double> rtts)
{
    return EchoCounts{sent, std::move(rtts)};
}

TEST(HistoryLoadTest, LostEchoesComeFromTheEchoesRowOrElseTheOneEchoRule)
{
    const HistoryView view = Journal()
                                 .Row(StartRow(kT - kTimelineSpan, 5))
                                 .Check(-kTimelineSpan, true, "first target silent")
                                 .Row(StartRow(kT, 5))
                                 .Check(0, true)
                                 .Check(5, true, "first target silent", 30.0)
                                 .Check(10, true, "", 18.0, Echoes(5, {18, 19, 17}))
                                 .Check(15, true, "", 18.0, Echoes(5, {18, 19, 17, 18, 20}))
                                 .Check(20, false, "targets silent")
                                 .Check(25, true, "echo filtered", std::nullopt)
                                 .Check(30, true, "echo filtered", std::nullopt, Echoes(5, {}))
                                 .Check(34, true)
                                 .EchoesAlone(35, Echoes(3, {}))
                                 .Check(60, true, "", 18.0, Echoes(4, {18}))
                                 .Read();
    ASSERT_TRUE(view.error.empty()) << view.error;
    std::vector<std::tuple<std::int64_t, int, int>> losses;
    for (const EchoLoss& loss : view.timeline.losses) {
        losses.emplace_back(loss.time - kT, loss.sent, loss.lost);
    }
    // The check of a month ago is before the stretch; an echoes row of no check before it counts
    // nothing.
    const std::vector<std::tuple<std::int64_t, int, int>> expected = {
        {5, 1, 1}, {10, 5, 2}, {30, 5, 5}, {60, 4, 3}};
    EXPECT_EQ(losses, expected);

    EXPECT_EQ(view.timeline.echoesFrom, kNow - kTimelineSpan);
    const std::vector<std::uint16_t> sent = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1 + 1 + 5 + 5 + 5 + 1, 4};
    EXPECT_EQ(view.timeline.echoesSent, sent);
    EXPECT_TRUE(view.timeline.degraded.empty()) << "no quality rows, no degraded time";
}

TEST(HistoryLoadTest, DegradedTimeLastsUntilNormalAnOutageAStopASleepOrTheEndOfKnownTime)
{
    const HistoryView view = Journal()
                                 .Row(QualityRow(kT - 100, true, "loss 12%"))
                                 .Row(StartRow(kT, 5))
                                 .Checks(0, 5)
                                 .Row(QualityRow(kT + 10, true, "loss 12%"))
                                 .Checks(10, 25)
                                 .Row(QualityRow(kT + 28, true, "median 640 ms"))
                                 .Checks(30, 30)
                                 .Row(QualityRow(kT + 30, false, "loss 1%"))
                                 .Checks(35, 40)
                                 .Row(QualityRow(kT + 42, true, "loss 12%"))
                                 .Checks(45, 45)
                                 .Check(50, false, "targets silent")
                                 .Checks(55, 70)
                                 .Row(QualityRow(kT + 70, true, "loss 12%"))
                                 .Checks(75, 75)
                                 .Row(StopRow(kT + 80))
                                 .Row(StartRow(kT + 200, 5))
                                 .Checks(200, 205)
                                 .Row(QualityRow(kT + 205, true, "loss 12%"))
                                 .Row(SleepRow(kT + 215))
                                 .Row(ResumeRow(kT + 300))
                                 .Checks(300, 330)
                                 .Row(QualityRow(kT + 320, true, "loss 12%"))
                                 .Read();
    ASSERT_TRUE(view.error.empty()) << view.error;
    std::vector<std::pair<std::int64_t, std::int64_t>> degraded;
    for (const TimeSpan& span : view.timeline.degraded) {
        degraded.emplace_back(span.start - kT, span.end - kT);
    }
    // The row before the first start is not watched time; a second degraded row goes on the same
    // period; the last period ends with the last check.
    const std::vector<std::pair<std::int64_t, std::int64_t>> expected = {
        {10, 30}, {42, 50}, {70, 80}, {205, 215}, {320, 330}};
    EXPECT_EQ(degraded, expected);
}

} // namespace
} // namespace pellavane
