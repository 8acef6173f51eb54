#include "engine/quality/degraded_periods.h"

#include "engine/history/journal_format.h"

#include "core/iso_time.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace pellavane {
namespace {

constexpr std::int64_t kT = 1'796'000'000;

// A journal row at kT + at, from the fields after the event.
std::string Row(std::int64_t at, const std::string& rest)
{
    return IsoLocalTime(kT + at) + "," + rest;
}
std::string Up(std::int64_t at)
{
    return Row(at, "check,connected,5,192.0.2.1,");
}
std::string Degraded(std::int64_t at)
{
    return Row(at, "quality,degraded,,,loss 12%");
}

// The degraded time given, adjoining stretches joined, relative to kT.
std::vector<std::pair<std::int64_t, std::int64_t>> Spans(const std::vector<std::string>& rows)
{
    std::vector<std::pair<std::int64_t, std::int64_t>> spans;
    const auto add = [&spans](const std::optional<TimeSpan>& span) {
        if (!span) {
            return;
        }
        ASSERT_LT(span->start, span->end);
        if (!spans.empty() && spans.back().second == span->start - kT) {
            spans.back().second = span->end - kT;
        } else {
            spans.emplace_back(span->start - kT, span->end - kT);
        }
    };
    DegradedPeriods periods;
    for (const std::string& row : rows) {
        HistoryRecord record;
        EXPECT_TRUE(ParseJournalRow(row, record)) << row;
        add(periods.Record(record));
    }
    add(periods.Finish());
    return spans;
}

struct PeriodCase
{
    const char* name;
    std::vector<std::string> rows;
    std::vector<std::pair<std::int64_t, std::int64_t>> spans;
};

// Each case follows a start with a 5 s interval, a check at 0 and the degraded row of that check.
TEST(DegradedPeriods, RunFromTheirRowToWhatEndsThemCountingOnlyKnownTime)
{
    const std::vector<PeriodCase> cases = {
        {"a normal row", {Up(5), Row(7, "quality,normal,,,")}, {{0, 7}}},
        {"a disconnected check", {Up(5), Row(10, "check,disconnected,,,provider")}, {{0, 10}}},
        {"a stop", {Up(5), Row(8, "stop,,,,")}, {{0, 8}}},
        {"a sleep", {Row(3, "sleep,,,,"), Row(600, "resume,,,,"), Up(605)}, {{0, 3}}},
        {"a start: the new run has no evidence", {Up(5), Row(8, "start,,,,interval=5"), Up(10)}, {{0, 8}}},
        {"the end of the history at the last check", {Up(5), Up(10)}, {{0, 10}}},
        {"a second degraded row changes nothing",
         {Up(5), Row(5, "quality,degraded,,,median 640 ms"), Up(10), Row(10, "quality,normal,,,")},
         {{0, 10}}},
        {"family, echoes and resume rows change nothing",
         {Up(5), Row(5, "echoes,,,192.0.2.1,sent=2 lost=2 rtt="), Row(7, "ipv6,disconnected,,,provider"),
          Row(8, "resume,,,,"), Up(10)},
         {{0, 10}}},
        {"a gap is not counted and the period goes on after it",
         {Up(5), Up(500), Up(505)},
         {{0, 5}, {500, 505}}},
        {"nor the time around a clock row",
         {Up(5), Row(6, "clock,,,,by=+3600"), Up(3610), Up(3615)},
         {{0, 5}, {3610, 3615}}},
        {"a normal row after a gap ends it at the check before",
         {Up(5), Row(500, "quality,normal,,,")},
         {{0, 5}}},
        {"a start after a gap (a crash) ends it at the check before",
         {Up(5), Row(900, "start,,,,interval=5"), Up(905)},
         {{0, 5}}},
        {"a stop after a gap ends it at the stop, as known time runs to it",
         {Up(5), Row(500, "stop,,,,")},
         {{0, 500}}},
        {"time a clock set back covers again is counted once",
         {Up(5), Row(6, "clock,,,,by=-100"), Up(-94), Up(-89), Up(0), Up(5), Up(10)},
         {{0, 10}}},
    };
    for (const PeriodCase& c : cases) {
        std::vector<std::string> rows = {Row(-1, "start,,,,interval=5"), Up(0), Degraded(0)};
        rows.insert(rows.end(), c.rows.begin(), c.rows.end());
        EXPECT_EQ(Spans(rows), c.spans) << c.name;
    }
}

TEST(DegradedPeriods, BeginWhereKnownTimeDoes)
{
    const std::vector<PeriodCase> cases = {
        {"before any check: from the first", {Degraded(-100), Up(0), Up(5)}, {{0, 5}}},
        {"before a start: ended by it", {Degraded(-100), Row(-1, "start,,,,interval=5"), Up(0), Up(5)}, {}},
        {"dated before the last check: from its time",
         {Up(0), Up(5), Up(10), Degraded(3), Up(15)},
         {{3, 15}}},
        {"in a gap: from the next check", {Up(0), Degraded(200), Up(500), Up(505)}, {{500, 505}}},
        {"never normal again: to the last check",
         {Up(0), Degraded(0), Up(5), Row(9, "clock,,,,by=+60")},
         {{0, 5}}},
    };
    for (const PeriodCase& c : cases) {
        std::vector<std::string> rows = {Row(-2, "start,,,,interval=5")};
        rows.insert(rows.end(), c.rows.begin(), c.rows.end());
        EXPECT_EQ(Spans(rows), c.spans) << c.name;
    }
}

} // namespace
} // namespace pellavane
