#include "engine/history/history_report.h"

#include "engine/history/tests/history_test_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace pellavane {
namespace {

using namespace pellavane::testing;

TEST(HistoryReportTest, DurationsForAPerson)
{
    const std::vector<std::pair<std::int64_t, std::string>> cases = {{0, "0 s"},
                                                                     {45, "45 s"},
                                                                     {250, "4 min 10 s"},
                                                                     {3725, "1 h 02 min 05 s"},
                                                                     {90000, "25 h 00 min 00 s"}};
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(DurationText(seconds), text);
    }
}

struct PercentCase
{
    std::int64_t up;
    std::int64_t down;
    const char* text;
    const char* forPerson;
};

TEST(HistoryReportTest, UptimePercentRoundsHalfUpToTwoDecimalsWithAPoint)
{
    const PercentCase cases[] = {
        {86000, 250, "99.71", "99.71 %"}, {1, 2, "33.33", "33.33 %"},
        {2, 1, "66.67", "66.67 %"},       {1, 7, "12.50", "12.50 %"},
        {1, 20000, "0.00", "0.00 %"},     {1, 19999, "0.01", "0.01 %"},
        {99995, 5, "100.00", "100.00 %"}, {5, 0, "100.00", "100.00 %"},
        {0, 5, "0.00", "0.00 %"},         {0, 0, "", "-"},
    };
    for (const PercentCase& c : cases) {
        PeriodUptime period;
        period.upSeconds = c.up;
        period.downSeconds = c.down;
        period.unknownSeconds = 86400;
        EXPECT_EQ(UptimePercentText(period), c.text) << c.up << " up, " << c.down << " down";
        EXPECT_EQ(UptimePercentForPerson(period), c.forPerson) << c.up << " up, " << c.down << " down";
    }
}

TEST(HistoryReportTest, CsvJsonAndTableCarryTheSameRows)
{
    const ScopedTimeZone zone("CET-1");
    const std::int64_t t = Local(2026, 12, 8, 4, 45, 17);
    const std::vector<Outage> outages = {{t, t + 250, false, "targets silent", {}},
                                         {t + 3600, t + 7325, true, "", {}}};
    EXPECT_EQ(OutagesText(outages, ReportFormat::Csv),
              "start,end,duration_s,cause\n"
              "2026-12-08T04:45:17+01:00,2026-12-08T04:49:27+01:00,250,targets silent\n"
              "2026-12-08T05:45:17+01:00,,3725,\n");
    EXPECT_EQ(
        OutagesText(outages, ReportFormat::Json),
        "[\n"
        "  {\"start\": \"2026-12-08T04:45:17+01:00\", \"end\": \"2026-12-08T04:49:27+01:00\", "
        "\"duration_s\": 250, \"cause\": \"targets silent\"},\n"
        "  {\"start\": \"2026-12-08T05:45:17+01:00\", \"end\": null, \"duration_s\": 3725, \"cause\": \"\"}\n"
        "]\n");
    EXPECT_EQ(OutagesText(outages, ReportFormat::Table),
              "Start                End                         Duration  Cause\n"
              "2026-12-08 04:45:17  2026-12-08 04:49:27       4 min 10 s  targets silent\n"
              "2026-12-08 05:45:17  still going          1 h 02 min 05 s\n"
              "2 outages, 1 h 06 min 15 s in all.\n");
    EXPECT_EQ(OutagesText({}, ReportFormat::Json), "[]\n");

    PeriodUptime day;
    day.year = 2026;
    day.month = 12;
    day.day = 8;
    day.upSeconds = 86000;
    day.downSeconds = 250;
    day.unknownSeconds = 150;
    day.outages = 2;
    day.longestSeconds = 200;
    PeriodUptime empty = day;
    empty.day = 9;
    empty.upSeconds = empty.downSeconds = empty.outages = 0;
    empty.longestSeconds = 0;
    empty.unknownSeconds = 86400;
    EXPECT_EQ(UptimeText({day, empty}, ReportFormat::Csv),
              "period,up_s,down_s,unknown_s,outages,longest_s,uptime_pct\n"
              "2026-12-08,86000,250,150,2,200,99.71\n"
              "2026-12-09,0,0,86400,0,0,\n");
    EXPECT_EQ(UptimeText({day}, ReportFormat::Json),
              "[\n  {\"period\": \"2026-12-08\", \"up_s\": 86000, \"down_s\": 250, \"unknown_s\": 150, "
              "\"outages\": 2, \"longest_s\": 200, \"uptime_pct\": 99.71}\n]\n");
    EXPECT_EQ(UptimeText({day, empty}, ReportFormat::Table),
              "Period                    Up        Down           Unknown  Outages     Longest   Uptime\n"
              "2026-12-08  23 h 53 min 20 s  4 min 10 s        2 min 30 s        2  3 min 20 s  99.71 %\n"
              "2026-12-09               0 s         0 s  24 h 00 min 00 s        0         0 s        -\n");
}

TEST(HistoryReportTest, TableEndsWithWhatTheRouterSaw)
{
    const ScopedTimeZone zone("UTC0");
    const std::int64_t t = Local(2026, 12, 8, 10);
    const auto outage = [t](std::int64_t from, std::int64_t seconds, const char* cause) {
        return Outage{t + from, t + from + seconds, false, cause, {}};
    };
    const auto closing = [](const std::vector<Outage>& outages) {
        const std::string text = OutagesText(outages, ReportFormat::Table);
        return text.substr(text.rfind('\n', text.size() - 2) + 1);
    };
    EXPECT_EQ(
        closing(
            {outage(0, 600, "provider"), outage(1000, 60, "local network"), outage(2000, 300, "provider")}),
        "3 outages, 16 min 00 s in all; in 2 of them (15 min 00 s) the router answered and the Internet "
        "did not.\n");
    EXPECT_EQ(closing({outage(0, 600, "provider")}),
              "1 outage, 10 min 00 s in all; the router answered and the Internet did not.\n");
    EXPECT_EQ(
        closing({outage(0, 60, "local network"), outage(100, 60, "no network")}),
        "2 outages, 2 min 00 s in all; in none of them the router answered and the Internet did not.\n");
    // A history from before the router was asked keeps the line it had.
    EXPECT_EQ(closing({outage(0, 60, "targets silent"), outage(100, 60, "")}),
              "2 outages, 2 min 00 s in all.\n");
}

TEST(HistoryReportTest, QualityAsJsonAndTableKeepsTheCsvsFiguresAndMarksWhatIsUnknown)
{
    PeriodQuality day;
    day.period.year = 2026;
    day.period.month = 12;
    day.period.day = 8;
    day.echoes = 86400;
    day.lost = 1080;
    day.rttMedianUs = 18'100;
    day.rttP95Us = 20'000;
    day.jitterSumUs = 4'200;
    day.jitterPairs = 10;
    day.degradedSeconds = 125;
    PeriodQuality empty;
    empty.period = day.period;
    empty.period.day = 9;
    EXPECT_EQ(QualityText({day, empty}, ReportFormat::Json),
              "[\n  {\"period\": \"2026-12-08\", \"echoes\": 86400, \"lost\": 1080, \"loss_pct\": 1.25, "
              "\"rtt_median_ms\": 18.1, \"rtt_p95_ms\": 20, \"jitter_ms\": 0.42, \"degraded_s\": 125},\n"
              "  {\"period\": \"2026-12-09\", \"echoes\": 0, \"lost\": 0, \"loss_pct\": null, "
              "\"rtt_median_ms\": null, \"rtt_p95_ms\": null, \"jitter_ms\": null, \"degraded_s\": 0}\n]\n");
    EXPECT_EQ(QualityText({day, empty}, ReportFormat::Table),
              "Period      Echoes  Lost    Loss   Median  95th pct   Jitter    Degraded\n"
              "2026-12-08   86400  1080  1.25 %  18.1 ms     20 ms  0.42 ms  2 min 05 s\n"
              "2026-12-09       0     0       -        -         -        -         0 s\n");
    EXPECT_EQ(MillisecondsText(50), "0.05");
    EXPECT_EQ(MillisecondsText(123'456), "123.456");
}

} // namespace
} // namespace pellavane
