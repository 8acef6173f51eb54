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

// Which echoes a check has is CheckEchoesReader's rule; here what the report makes of them.
TEST(QualityReport, EchoesOfOneEchoChecksAndEchoesRowsAddUpAndMakeJitter)
{
    const ScopedTimeZone zone("UTC0");
    const std::int64_t t = LocalTime(2026, 12, 8, 10, 0, 0);
    const auto periods = Analyse({
        Answered(t, "10"),
        Answered(t + 5, "10.5"),
        Row(t + 10, "check,connected,30,192.0.2.2,first target silent"),
        Answered(t + 15, "9.5"),
        Echoes(t + 15, "sent=3 lost=1 rtt=9.5 11.5"),
    });
    // 10 10.5 9.5 11.5 answered of 6: jitter (0.5 + 1 + 2) / 3.
    EXPECT_EQ(CsvRows(periods), std::vector<std::string>{"2026-12-08,6,2,33.33,10,11.5,1.17,0"});
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
