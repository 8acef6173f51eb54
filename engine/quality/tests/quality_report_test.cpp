#include "engine/quality/quality_report.h"

#include "engine/history/history_report.h"
#include "engine/history/journal_format.h"
#include "engine/quality/round_trip_counts.h"
#include "testsupport/test_files.h"

#include "core/iso_time.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pellavane {
namespace {

using pellavane::testing::LocalTime;
using pellavane::testing::ScopedTimeZone;

constexpr const char* kBerlin = "CET-1CEST,M3.5.0,M10.5.0/3";

// Journal rows as the program writes them, made from a time and the fields after the event.
std::string Row(std::int64_t t, const std::string& rest)
{
    return IsoLocalTime(t) + "," + rest;
}
std::string Answered(std::int64_t t, const std::string& rtt)
{
    return Row(t, "check,connected," + rtt + ",192.0.2.1,");
}
std::string Echoes(std::int64_t t, const std::string& detail)
{
    return Row(t, "echoes,,,192.0.2.1," + detail);
}

std::vector<PeriodQuality> Analyse(const std::vector<std::string>& rows, ReportOptions options = {})
{
    QualityAnalyser analyser(options);
    for (const std::string& row : rows) {
        HistoryRecord record;
        EXPECT_TRUE(ParseJournalRow(row, record)) << row;
        analyser.Record(record);
    }
    return analyser.Finish();
}

// The CSV row of each period, which shows every figure to the printed precision.
std::vector<std::string> CsvRows(const std::vector<PeriodQuality>& periods)
{
    const std::string csv = QualityText(periods, ReportFormat::Csv);
    std::vector<std::string> rows;
    std::size_t at = csv.find('\n') + 1;
    while (at < csv.size()) {
        const std::size_t end = csv.find('\n', at);
        rows.push_back(csv.substr(at, end - at));
        at = end + 1;
    }
    return rows;
}

TEST(QualityReport, FiveEchoesGivePercentilesByRankAndJitterInTheOrderAnswered)
{
    const ScopedTimeZone zone("UTC0");
    const std::int64_t t = LocalTime(2026, 12, 8, 10, 0, 0);
    const auto periods = Analyse({
        Row(t - 1, "start,,,,interval=5"),
        Answered(t, "10.001"),
        Echoes(t, "sent=5 lost=2 rtt=10.001 12 11.5"),
        Answered(t + 5, "20"),
        Echoes(t + 5, "sent=5 lost=0 rtt=20 10.001 30 40.25 50.125"),
        Row(t + 10, "check,disconnected,,,provider"),
    });
    // Sorted: 10.001 10.001 11.5 12 20 30 40.25 50.125; the median is the 4th, the 95th percentile
    // the 8th. Jitter in the order answered: 61.122 over 7 pairs (over the sorted values: 5.73).
    EXPECT_EQ(CsvRows(periods), std::vector<std::string>{"2026-12-08,10,2,20.00,12,50.125,8.73,0"});
}

TEST(QualityReport, RoundTripCountsAreExactAtEveryRankAndValue)
{
    RoundTripCounts counts;
    EXPECT_FALSE(counts.Percentile(50));
    for (std::uint32_t us : {20'000'000U, 1U, 999U, 1'024U, 1'025U, 17'000'000U, 0U, 123'456U}) {
        counts.Add(us);
    }
    // 0 1 999 1024 1025 123456 17000000 20000000: ranks ceil(4) and ceil(7.6).
    EXPECT_EQ(counts.Percentile(50), 1'024U);
    EXPECT_EQ(counts.Percentile(95), 20'000'000U);
    EXPECT_EQ(counts.Percentile(1), 0U);
    EXPECT_EQ(counts.Percentile(75), 123'456U);
}

// Each case: rows of one check (and what follows it), and the echoes, losses and median they give.
struct CountCase
{
    const char* name;
    std::vector<std::string> rows;
    std::string csv;
};

TEST(QualityReport, ChecksWithoutAnEchoesRowCountOneEchoAndABadRowNeverCountsTwice)
{
    const ScopedTimeZone zone("UTC0");
    const std::int64_t t = LocalTime(2026, 12, 8, 10, 0, 0);
    const std::string day = "2026-12-08,";
    const std::vector<CountCase> cases = {
        {"answered", {Answered(t, "18.2")}, day + "1,0,0.00,18.2,18.2,,0"},
        {"first target silent",
         {Row(t, "check,connected,30,192.0.2.2,first target silent")},
         day + "1,1,100.00,,,,0"},
        {"other cause counts nothing", {Row(t, "check,connected,,,echo filtered")}, day + "0,0,,,,,0"},
        {"disconnected counts nothing", {Row(t, "check,disconnected,,,provider")}, day + "0,0,,,,,0"},
        {"text log check has no round trip", {Row(t, "check,connected,,,")}, day + "0,0,,,,,0"},
        {"one-echo checks make jitter",
         {Answered(t, "10"), Answered(t + 5, "10.5"), Answered(t + 10, "9.5")},
         day + "3,0,0.00,10,10.5,0.75,0"},
        {"echoes row of five", {Answered(t, "5"), Echoes(t, "sent=5 lost=5 rtt=")}, day + "5,5,100.00,,,,0"},
        {"counts that disagree: the check alone",
         {Answered(t, "5"), Echoes(t, "sent=5 lost=1 rtt=5 6")},
         day + "1,0,0.00,5,5,,0"},
        {"garbage: the check alone", {Answered(t, "5"), Echoes(t, "sent=x")}, day + "1,0,0.00,5,5,,0"},
        {"second echoes row ignored",
         {Answered(t, "5"), Echoes(t, "sent=2 lost=0 rtt=5 6"), Echoes(t, "sent=2 lost=0 rtt=7 8")},
         day + "2,0,0.00,5,6,1.00,0"},
        {"echoes row of another time: the check alone",
         {Answered(t, "5"), Echoes(t + 1, "sent=2 lost=0 rtt=5 6")},
         day + "1,0,0.00,5,5,,0"},
        {"echoes row after a disconnected check ignored",
         {Row(t, "check,disconnected,,,provider"), Echoes(t, "sent=2 lost=0 rtt=5 6")},
         day + "0,0,,,,,0"},
    };
    for (const CountCase& c : cases) {
        EXPECT_EQ(CsvRows(Analyse(c.rows)), std::vector<std::string>{c.csv}) << c.name;
    }
}

TEST(QualityReport, ChecksBelongToTheLocalPeriodOfTheirTimeAcrossMidnightAndAClockChange)
{
#ifdef _WIN32
    GTEST_SKIP() << "the C runtime knows no time zone rules but the US ones";
#endif
    const ScopedTimeZone zone(kBerlin);
    // 2026-10-25: the clocks go back from 03:00 CEST to 02:00 CET, so 02:30 comes twice.
    const std::int64_t first = LocalTime(2026, 10, 25, 1, 30, 0) + 3600; // 02:30 CEST
    const std::int64_t second = first + 3600;                            // 02:30 CET
    const std::int64_t beforeMidnight = LocalTime(2026, 10, 24, 23, 59, 58);
    const std::vector<std::string> rows = {
        Answered(beforeMidnight, "10"),
        Echoes(beforeMidnight, "sent=5 lost=0 rtt=10 10 10 10 10"),
        Answered(beforeMidnight + 5, "40"),
        Echoes(beforeMidnight + 5, "sent=5 lost=1 rtt=40 40 40 40"),
        Answered(first, "20"),
        Answered(second, "30"),
    };
    ReportOptions byDay;
    EXPECT_EQ(CsvRows(Analyse(rows, byDay)), (std::vector<std::string>{"2026-10-24,5,0,0.00,10,10,0.00,0",
                                                                       "2026-10-25,7,1,14.29,40,40,6.00,0"}));
    ReportOptions byHour;
    byHour.by = PeriodLength::Hour;
    const auto hours = Analyse(rows, byHour);
    ASSERT_EQ(hours.size(), 5u); // 23:00, then 00:00 to 02:00 of the 25th, then 02:00 again
    EXPECT_EQ(hours[0].Label(), "2026-10-24T23:00+02:00");
    EXPECT_EQ(hours[3].Label(), "2026-10-25T02:00+02:00");
    EXPECT_EQ(hours[4].Label(), "2026-10-25T02:00+01:00");
    EXPECT_EQ(hours[3].echoes, 1);
    EXPECT_EQ(hours[4].echoes, 1);
    EXPECT_EQ(hours[4].period.end - hours[4].period.start, 3600);
    ReportOptions byMonth;
    byMonth.by = PeriodLength::Month;
    EXPECT_EQ(CsvRows(Analyse(rows, byMonth)), std::vector<std::string>{"2026-10,12,1,8.33,20,40,6.00,0"});
}

// Each case: what follows a check at t that turned degraded, and the degraded seconds of the day.
struct DegradedCase
{
    const char* name;
    std::vector<std::string> rows;
    std::int64_t seconds;
};

TEST(QualityReport, DegradedTimeRunsFromItsRowToWhatEndsItWithinKnownTime)
{
    const ScopedTimeZone zone("UTC0");
    const std::int64_t t = LocalTime(2026, 12, 8, 10, 0, 0);
    const std::string degraded = Row(t, "quality,degraded,,,loss 12%");
    const std::vector<DegradedCase> cases = {
        {"normal row", {Answered(t + 5, "1"), Row(t + 7, "quality,normal,,,")}, 7},
        {"disconnected check", {Answered(t + 5, "1"), Row(t + 10, "check,disconnected,,,provider")}, 10},
        {"stop", {Answered(t + 5, "1"), Row(t + 8, "stop,,,,")}, 8},
        {"sleep", {Row(t + 3, "sleep,,,,"), Row(t + 600, "resume,,,,"), Answered(t + 605, "1")}, 3},
        {"end of the history at the last check", {Answered(t + 5, "1"), Answered(t + 10, "1")}, 10},
        {"a gap ends it at the check before",
         {Answered(t + 5, "1"), Answered(t + 500, "1"), Answered(t + 505, "1")},
         5},
        {"a clock row ends it at the check before",
         {Answered(t + 5, "1"), Row(t + 6, "clock,,,,by=+3600"), Answered(t + 3610, "1")},
         5},
        {"a second degraded row changes nothing",
         {Answered(t + 5, "1"), Row(t + 5, "quality,degraded,,,median 640 ms"), Answered(t + 10, "1"),
          Row(t + 10, "quality,normal,,,")},
         10},
    };
    for (const DegradedCase& c : cases) {
        std::vector<std::string> rows = {Row(t - 1, "start,,,,interval=5"), Answered(t, "1"), degraded};
        rows.insert(rows.end(), c.rows.begin(), c.rows.end());
        const auto periods = Analyse(rows);
        ASSERT_EQ(periods.size(), 1u) << c.name;
        EXPECT_EQ(periods[0].degradedSeconds, c.seconds) << c.name;
    }
}

TEST(QualityReport, DegradedTimeIsSplitAtMidnightAndTheRange)
{
#ifdef _WIN32
    GTEST_SKIP() << "the C runtime knows no time zone rules but the US ones";
#endif
    const ScopedTimeZone zone(kBerlin);
    // The 25th of October 2026 has 25 hours: degraded from 23:50 the day before to 00:10 the day after.
    const std::int64_t from = LocalTime(2026, 10, 24, 23, 50, 0);
    const std::int64_t to = LocalTime(2026, 10, 26, 0, 10, 0);
    std::vector<std::string> rows = {Row(from - 1, "start,,,,interval=60"), Answered(from, "1"),
                                     Row(from, "quality,degraded,,,loss 12%")};
    for (std::int64_t t = from + 60; t <= to; t += 60) {
        rows.push_back(Answered(t, "1"));
    }
    rows.push_back(Row(to, "quality,normal,,,"));
    const auto days = Analyse(rows);
    ASSERT_EQ(days.size(), 3u);
    EXPECT_EQ(days[0].degradedSeconds, 600);
    EXPECT_EQ(days[1].degradedSeconds, 25 * 3600);
    EXPECT_EQ(days[2].degradedSeconds, 600);
    ReportOptions range;
    range.from = LocalDate{2026, 10, 25};
    range.to = LocalDate{2026, 10, 25};
    const auto one = Analyse(rows, range);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].Label(), "2026-10-25");
    EXPECT_EQ(one[0].degradedSeconds, 25 * 3600);
    EXPECT_EQ(one[0].echoes, 25 * 60);
}

} // namespace
} // namespace pellavane
