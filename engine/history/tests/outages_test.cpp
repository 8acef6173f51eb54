#include "engine/history/outages.h"

#include "engine/history/tests/history_test_helpers.h"
#include "engine/history/text_log_reader.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace pellavane {
namespace {

using namespace pellavane::testing;

HistoryRecord Check(std::int64_t t, bool connected, std::string_view cause = {})
{
    HistoryRecord r;
    r.time = t;
    r.connected = connected;
    r.cause = cause;
    return r;
}

HistoryRecord Event(std::int64_t t, HistoryEvent event, int interval = 0)
{
    HistoryRecord r;
    r.time = t;
    r.event = event;
    r.intervalSeconds = interval;
    return r;
}

HistoryReport Analyse(const std::vector<HistoryRecord>& records, ReportOptions options = {})
{
    OutageAnalyser analyser(options);
    for (const HistoryRecord& r : records) {
        analyser.Record(r);
    }
    return analyser.Finish();
}

// Checks every `step` seconds from `from` (included) to `to` (excluded), all of one status.
void Checks(std::vector<HistoryRecord>& records, std::int64_t from, std::int64_t to, int step, bool connected)
{
    for (std::int64_t t = from; t < to; t += step) {
        records.push_back(Check(t, connected));
    }
}

TEST(OutageRulesTest, OutagesAtTheStartAndEndOfTheHistory)
{
    const ScopedTimeZone zone("UTC0");
    const std::int64_t t = Local(2026, 12, 8, 10);
    std::vector<HistoryRecord> records{Event(t - 1, HistoryEvent::Start, 5)};
    Checks(records, t, t + 20, 5, false);      // down from the first check
    Checks(records, t + 20, t + 100, 5, true); // up
    Checks(records, t + 100, t + 130, 5, false);
    records[1].cause = "name lookup failed";
    const HistoryReport report = Analyse(records);
    ASSERT_EQ(report.outages.size(), 2u);
    EXPECT_EQ(report.outages[0].start, t);
    EXPECT_EQ(report.outages[0].end, t + 20);
    EXPECT_FALSE(report.outages[0].ongoing);
    EXPECT_EQ(report.outages[0].cause, "name lookup failed");
    EXPECT_EQ(report.outages[1].start, t + 100);
    EXPECT_TRUE(report.outages[1].ongoing);
    EXPECT_EQ(report.outages[1].Duration(), 25); // until the last check
    ASSERT_EQ(report.periods.size(), 1u);
    const PeriodUptime& day = report.periods[0];
    EXPECT_EQ(day.Label(), "2026-12-08");
    EXPECT_EQ(day.upSeconds, 80);
    EXPECT_EQ(day.downSeconds, 45);
    EXPECT_EQ(day.unknownSeconds, 86400 - 125);
    EXPECT_EQ(day.outages, 2);
    EXPECT_EQ(day.longestSeconds, 25);
}

// Each case: the checks and events around one stretch of history, and what it must give.
struct RuleCase
{
    std::string name;
    std::vector<HistoryRecord> records;
    std::int64_t up;
    std::int64_t down;
    std::vector<std::pair<std::int64_t, std::int64_t>> outages; // start, end from t
};

TEST(OutageRulesTest, TimeNotWatchedIsUnknown)
{
    const ScopedTimeZone zone("UTC0");
    const std::int64_t t = Local(2026, 12, 8, 10);
    const auto start = Event(t - 1, HistoryEvent::Start, 5);
    const std::vector<RuleCase> cases = {
        {"gap just inside the allowance",
         {start, Check(t, true), Check(t + 50, true), Check(t + 55, true)},
         55,
         0,
         {}},
        {"gap past the allowance",
         {start, Check(t, true), Check(t + 51, true), Check(t + 56, true)},
         5,
         0,
         {}},
        {"outage meeting a gap ends at its last Disconnected check",
         {start, Check(t, true), Check(t + 5, false), Check(t + 10, false), Check(t + 200, false),
          Check(t + 205, true)},
         5 + 0,
         5 + 5,
         {{5, 10}, {200, 205}}},
        {"sleep row after the last check",
         {start, Check(t, false), Check(t + 5, false), Event(t + 7, HistoryEvent::Sleep),
          Event(t + 3600, HistoryEvent::Resume), Check(t + 3601, false), Check(t + 3606, true)},
         0,
         12,
         {{0, 7}, {3601, 3606}}},
        {"sleep shorter than a gap still unknown",
         {start, Check(t, true), Event(t + 2, HistoryEvent::Sleep), Event(t + 4, HistoryEvent::Resume),
          Check(t + 6, true)},
         2,
         0,
         {}},
        {"stop to start",
         {start, Check(t, true), Check(t + 5, true), Event(t + 6, HistoryEvent::Stop),
          Event(t + 900, HistoryEvent::Start, 5), Check(t + 901, true), Check(t + 906, true)},
         11,
         0,
         {}},
        {"clock row splits",
         {start, Check(t, true), Check(t + 5, false), Event(t + 8, HistoryEvent::Clock), Check(t + 10, false),
          Check(t + 15, true)},
         5,
         5,
         {{5, 5}, {10, 15}}},
        {"interval from the last start row",
         {start, Check(t, true), Event(t + 1, HistoryEvent::Start, 3600), Check(t + 3600, true),
          Check(t + 7200, true)},
         7200,
         0,
         {}},
        {"clock set back counts no time twice",
         {start, Check(t, true), Check(t + 30, true), Check(t + 10, true), Check(t + 40, true)},
         40,
         0,
         {}},
    };
    for (const RuleCase& c : cases) {
        const HistoryReport report = Analyse(c.records);
        ASSERT_EQ(report.periods.size(), 1u) << c.name;
        EXPECT_EQ(report.periods[0].upSeconds, c.up) << c.name;
        EXPECT_EQ(report.periods[0].downSeconds, c.down) << c.name;
        EXPECT_EQ(report.periods[0].upSeconds + report.periods[0].downSeconds +
                      report.periods[0].unknownSeconds,
                  86400)
            << c.name;
        ASSERT_EQ(report.outages.size(), c.outages.size()) << c.name;
        for (std::size_t i = 0; i < c.outages.size(); ++i) {
            EXPECT_EQ(report.outages[i].start - t, c.outages[i].first) << c.name << " outage " << i;
            EXPECT_EQ(report.outages[i].end - t, c.outages[i].second) << c.name << " outage " << i;
            EXPECT_FALSE(report.outages[i].ongoing) << c.name;
        }
        // The timeline's known time is exactly the up and down time, in order, never overlapping.
        const HistoryReport spans = Analyse(c.records, ReportOptions{PeriodLength::Day, {}, {}, t - 10});
        std::int64_t known = 0;
        std::int64_t previousEnd = t - 10;
        for (const TimeSpan& span : spans.known) {
            EXPECT_LE(previousEnd, span.start) << c.name;
            EXPECT_LT(span.start, span.end) << c.name;
            known += span.end - span.start;
            previousEnd = span.end;
        }
        EXPECT_EQ(known, c.up + c.down) << c.name;
        EXPECT_TRUE(report.known.empty()) << c.name << ": only listed when asked for";
    }
}

TEST(OutageRulesTest, TextLogGapsFollowItsMedianSpacing)
{
    const ScopedTimeZone zone("UTC0");
    const std::int64_t t = Local(2026, 12, 8, 10);
    std::vector<HistoryRecord> records;
    Checks(records, t, t + 600, 60, true);
    records.push_back(Check(t + 540 + 160, true)); // twice 60 s plus 40 s: not yet a gap
    records.push_back(Check(t + 700 + 161, true)); // one second more: a gap
    records.push_back(Check(t + 861 + 60, true));
    const HistoryReport report = Analyse(records);
    ASSERT_EQ(report.periods.size(), 1u);
    EXPECT_EQ(report.periods[0].upSeconds, 540 + 160 + 60);
}

TEST(OutageRulesTest, AnOutageAcrossMidnightGivesEachDayItsPart)
{
    const ScopedTimeZone zone("UTC0");
    const std::int64_t midnight = Local(2026, 12, 9);
    std::vector<HistoryRecord> records{Event(midnight - 600, HistoryEvent::Start, 5)};
    Checks(records, midnight - 600, midnight - 300, 5, true);
    Checks(records, midnight - 300, midnight + 120, 5, false);
    Checks(records, midnight + 120, midnight + 600, 5, true);
    const HistoryReport days = Analyse(records);
    ASSERT_EQ(days.periods.size(), 2u);
    EXPECT_EQ(days.periods[0].downSeconds, 300);
    EXPECT_EQ(days.periods[0].outages, 1);
    EXPECT_EQ(days.periods[0].longestSeconds, 300);
    EXPECT_EQ(days.periods[1].downSeconds, 120);
    EXPECT_EQ(days.periods[1].outages, 0);
    EXPECT_EQ(days.periods[1].longestSeconds, 120);
    EXPECT_EQ(days.periods[1].upSeconds, 480 - 5);
    ASSERT_EQ(days.outages.size(), 1u);
    EXPECT_EQ(days.outages[0].Duration(), 420);

    ReportOptions months;
    months.by = PeriodLength::Month;
    const HistoryReport byMonth = Analyse(records, months);
    ASSERT_EQ(byMonth.periods.size(), 1u);
    EXPECT_EQ(byMonth.periods[0].Label(), "2026-12");
    EXPECT_EQ(byMonth.periods[0].end - byMonth.periods[0].start, 31 * 86400);
    EXPECT_EQ(byMonth.periods[0].longestSeconds, 420);

    // A range lists each of its days, empty ones too, and the outages that overlap it.
    ReportOptions range;
    range.from = LocalDate{2026, 12, 9};
    range.to = LocalDate{2026, 12, 11};
    const HistoryReport ranged = Analyse(records, range);
    ASSERT_EQ(ranged.periods.size(), 3u);
    EXPECT_EQ(ranged.periods[0].downSeconds, 120);
    EXPECT_EQ(ranged.periods[2].unknownSeconds, 86400);
    EXPECT_FALSE(ranged.periods[2].UptimePercent().has_value());
    EXPECT_EQ(ranged.outages.size(), 1u);
    range.from = LocalDate{2026, 12, 10};
    EXPECT_TRUE(Analyse(records, range).outages.empty());
}

TEST(OutageRulesTest, DaysTheClocksChangeHaveTheirOwnLength)
{
#ifdef _WIN32
    GTEST_SKIP() << "the C runtime knows no time zone rules but the US ones";
#endif
    const ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    ReportOptions options;
    options.from = LocalDate{2026, 3, 28};
    options.to = LocalDate{2026, 3, 30};
    std::vector<HistoryRecord> records{Event(Local(2026, 3, 28), HistoryEvent::Start, 60)};
    Checks(records, Local(2026, 3, 28), Local(2026, 3, 31), 60, true);
    HistoryReport report = Analyse(records, options);
    ASSERT_EQ(report.periods.size(), 3u);
    EXPECT_EQ(report.periods[1].end - report.periods[1].start, 23 * 3600);
    for (const PeriodUptime& p : report.periods) {
        EXPECT_EQ(p.upSeconds + p.downSeconds + p.unknownSeconds, p.end - p.start);
    }
    EXPECT_EQ(report.periods[1].upSeconds, 23 * 3600);
    // By hour the day the clocks go forward has 23 of them, each a whole hour.
    ReportOptions hours;
    hours.by = PeriodLength::Hour;
    hours.from = hours.to = LocalDate{2026, 3, 29};
    const HistoryReport byHour = Analyse(records, hours);
    ASSERT_EQ(byHour.periods.size(), 23u);
    EXPECT_EQ(byHour.periods[2].Label(), "2026-03-29T03:00+02:00");
    for (const PeriodUptime& p : byHour.periods) {
        EXPECT_EQ(p.upSeconds, 3600) << p.Label();
    }

    // A text log going through the hour that comes twice keeps its order.
    TempFolder folder;
    const std::string log = folder.File("fall.txt");
    std::string text;
    for (std::int64_t t = Local(2026, 10, 25, 1, 30); t < Local(2026, 10, 25, 4); t += 300) {
        text += TextLine(t, true);
    }
    WriteFile(log, text);
    Recorded sink;
    HistoryReadSummary summary;
    ReadTextLog(log, {LogDateForm::UnitedStates()}, std::numeric_limits<std::int64_t>::max(), sink, summary);
    ASSERT_EQ(sink.records.size(), static_cast<std::size_t>(3.5 * 12));
    for (std::size_t i = 1; i < sink.records.size(); ++i) {
        EXPECT_EQ(sink.records[i].time - sink.records[i - 1].time, 300) << i;
    }
    options.from = options.to = LocalDate{2026, 10, 25};
    OutageAnalyser analyser(options);
    for (const auto& r : sink.records) {
        analyser.Record(r);
    }
    report = analyser.Finish();
    ASSERT_EQ(report.periods.size(), 1u);
    EXPECT_EQ(report.periods[0].end - report.periods[0].start, 25 * 3600);
    EXPECT_EQ(report.periods[0].upSeconds, 3.5 * 3600 - 300);
}

struct CauseCase
{
    const char* name;
    std::vector<std::string> causes; // one Disconnected check every 5 s
    const char* expected;
};

TEST(OutageCauseTest, MostChecksDecideAndTiesGoToTheEarliest)
{
    const ScopedTimeZone zone("UTC0");
    const std::int64_t t = Local(2026, 12, 8, 10);
    const std::vector<CauseCase> cases = {
        {"one cause throughout", {"provider", "provider", "provider"}, "provider"},
        {"most checks win over the first", {"local network", "provider", "provider"}, "provider"},
        {"checks without a cause (a text log's) do not count", {"", "provider", "", ""}, "provider"},
        {"a tie goes to the earliest",
         {"local network", "provider", "provider", "local network"},
         "local network"},
        {"a run in the middle counts whole",
         {"no network", "provider", "provider", "provider", "no network"},
         "provider"},
    };
    for (const CauseCase& c : cases) {
        // With a start row the interval is known at once; without, the checks are held first.
        for (const bool started : {true, false}) {
            std::vector<HistoryRecord> records;
            if (started) {
                records.push_back(Event(t - 1, HistoryEvent::Start, 5));
            }
            std::int64_t at = t;
            for (const std::string& cause : c.causes) {
                records.push_back(Check(at, false, cause));
                at += 5;
            }
            records.push_back(Check(at, true));
            const HistoryReport report = Analyse(records);
            ASSERT_EQ(report.outages.size(), 1u) << c.name;
            EXPECT_EQ(report.outages[0].cause, c.expected) << c.name << (started ? " started" : " held");
            EXPECT_EQ(report.outages[0].Duration(), at - t) << c.name;
        }
    }
}

TEST(OutageCauseTest, MergeJoinsNearOutagesAndMinLeavesOutShortOnes)
{
    const auto outage = [](std::int64_t start, std::int64_t end, const char* cause, std::int64_t checks) {
        Outage o{start, end, false, {}, {}};
        o.AddChecks(cause, checks);
        return o;
    };
    const std::vector<Outage> outages = {outage(0, 30, "local network", 3), outage(50, 60, "provider", 2),
                                         outage(80, 100, "provider", 2), outage(400, 405, "no network", 1)};
    const std::vector<Outage> merged = MergeOutages(outages, 21);
    ASSERT_EQ(merged.size(), 2u);
    EXPECT_EQ(merged[0].start, 0);
    EXPECT_EQ(merged[0].end, 100);
    EXPECT_EQ(merged[0].cause, "provider"); // four checks against three
    EXPECT_EQ(merged[1].start, 400);
    // Exactly the distance apart is not less than it.
    EXPECT_EQ(MergeOutages(outages, 20).size(), 4u);
    EXPECT_EQ(MergeOutages(outages, 0).size(), 4u);
    const std::vector<Outage> longOnes = LongOutages(outages, 20);
    ASSERT_EQ(longOnes.size(), 2u);
    EXPECT_EQ(longOnes[1].start, 80);
    EXPECT_EQ(LongOutages(MergeOutages(outages, 21), 10).size(), 1u);
}

} // namespace
} // namespace pellavane
