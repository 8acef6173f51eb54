#include "engine/history/history.h"
#include "engine/history/journal_reader.h"
#include "engine/history/text_log_reader.h"

#include "core/civil_date.h"
#include "engine/history/history_report.h"
#include "engine/history/outages.h"
#include "engine/listeners/connection_summary.h"
#include "engine/monitor/journal.h"
#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace pellavane {
namespace {

using pellavane::testing::ReadFile;
using pellavane::testing::ScopedEnv;
using pellavane::testing::TempFolder;
using pellavane::testing::WriteFile;

void ResetZone()
{
#ifdef _WIN32
    _tzset();
#else
    tzset();
#endif
}

// A time zone for one test, put back afterwards.
class ScopedZone
{
public:
    explicit ScopedZone(const char* zone) : m_env("TZ", std::string(zone)) { ResetZone(); }

private:
    // Destroyed after the variable is put back, so the old zone is read again.
    struct Reset
    {
        ~Reset() { ResetZone(); }
    } m_reset;
    ScopedEnv m_env;
};

std::int64_t Local(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return pellavane::testing::LocalTime(y, mo, d, h, mi, s);
}

// A status line as the program writes it in the US form, the date alone at midnight.
std::string TextLine(std::int64_t t, bool connected)
{
    std::tm tm{};
    ToLocalTm(t, tm);
    char stamp[64];
    if (tm.tm_hour == 0 && tm.tm_min == 0 && tm.tm_sec == 0) {
        std::snprintf(stamp, sizeof stamp, "%02d/%02d/%04d", tm.tm_mon + 1, tm.tm_mday, tm.tm_year + 1900);
    } else {
        std::snprintf(stamp, sizeof stamp, "%02d/%02d/%04d %02d:%02d:%02d", tm.tm_mon + 1, tm.tm_mday,
                      tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
    }
    return std::string(stamp) + (connected ? " Internet Connection Status: Connected\r\n"
                                           : " Internet Connection Status: Disconnected\r\n");
}

struct Recorded : IHistorySink
{
    void Record(const HistoryRecord& record) override
    {
        records.push_back(record);
        causes.emplace_back(record.cause);
        rtts.push_back(RoundTripMs(record));
    }
    std::vector<HistoryRecord> records;
    std::vector<std::string> causes;
    std::vector<double> rtts;
};

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

TEST(LogDateFormTest, ReadsEachFormAndRefusesWhatIsNotADate)
{
    LogDateForm::Names names;
    names.months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const LogDateForm us = LogDateForm::UnitedStates();
    const LogDateForm german = LogDateForm::FromStrftime("%d.%m.%y", "%H:%M:%S", names);
    const LogDateForm picture = LogDateForm::FromPicture("d/M/yyyy", "h:mm:ss tt", names);
    const LogDateForm named = LogDateForm::FromStrftime("%e %b %Y", "%r", names);
    struct Case
    {
        const LogDateForm* form;
        std::string text;
        bool reads;
        LocalDateTime expected;
    };
    const std::vector<Case> cases = {
        {&us, "12/08/2026 04:45:17", true, {2026, 12, 8, 4, 45, 17}},
        {&us, "12/8/2026 4:45:17 PM", true, {2026, 12, 8, 16, 45, 17}},
        {&us, "12/8/2026 12:05:00 AM", true, {2026, 12, 8, 0, 5, 0}},
        {&us, "12/08/2026", true, {2026, 12, 8, 0, 0, 0}},
        {&us, "02/29/2027 01:00:00", false, {}},
        {&us, "13/08/2026 01:00:00", false, {}},
        {&us, "12/08/2026 04:45", false, {}},
        {&us, "12/08/2026 04:45:17 x", false, {}},
        {&german, "08.12.2026 04:45:17", true, {2026, 12, 8, 4, 45, 17}},
        {&german, "12/08/2026 04:45:17", false, {}},
        {&picture, "8/12/2026 4:45:17 PM", true, {2026, 12, 8, 16, 45, 17}},
        {&named, " 8 Dec 2026 04:45:17 AM", true, {2026, 12, 8, 4, 45, 17}},
        {&named, "08 dec 2026 12:00:01 PM", true, {2026, 12, 8, 12, 0, 1}},
    };
    for (const Case& c : cases) {
        LocalDateTime got;
        ASSERT_EQ(c.form->Parse(c.text, got), c.reads) << c.text;
        if (c.reads) {
            EXPECT_EQ(std::vector<int>({got.year, got.month, got.day, got.hour, got.minute, got.second}),
                      std::vector<int>({c.expected.year, c.expected.month, c.expected.day, c.expected.hour,
                                        c.expected.minute, c.expected.second}))
                << c.text;
        }
    }
    EXPECT_FALSE(LogDateForm::FromStrftime("%a %d.%m.%Y", "%H:%M:%S", names).Usable());
    EXPECT_TRUE(CurrentLogDateForm().Usable());
}

TEST(JournalPathTest, ReplacesTheLastExtensionOfTheFileName)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Pellavane.txt", "Pellavane.journal.csv"},
        {"net", "net.journal.csv"},
        {"/var/tmp/a.b/net", "/var/tmp/a.b/net.journal.csv"},
        {"/home/ann/log.old.txt", "/home/ann/log.old.journal.csv"},
        {"/home/ann/.netlog", "/home/ann/.netlog.journal.csv"},
    };
    for (const auto& [log, journal] : cases) {
        EXPECT_EQ(JournalPath(log), journal);
    }
}

TEST(ReadHistoryTest, ReadsBothFormsAndDateAloneLinesAndCountsWhatItCannotRead)
{
    const ScopedZone zone("UTC0");
    TempFolder folder;
    const std::string log = folder.File("net.txt");
    LogDateForm::Names names;
    std::vector<LogDateForm> forms{LogDateForm::FromStrftime("%d.%m.%Y", "%H:%M:%S", names),
                                   LogDateForm::UnitedStates()};
    WriteFile(log, "08.12.2026 04:45:17 Internet Connection Status: Connected\r\n"
                   "\r\n"
                   "12/08/2026 04:45:22 Internet Connection Status: Disconnected\r\n"
                   "garbage\r\n"
                   "31.02.2026 04:45:27 Internet Connection Status: Connected\r\n"
                   "09.12.2026 Internet Connection Status: Connected\r\n"
                   "12/09/2026 00:00:05 Internet Connection Status: Connected");
    Recorded sink;
    HistoryReadSummary summary;
    ReadTextLog(log, forms, std::numeric_limits<std::int64_t>::max(), sink, summary);
    ASSERT_EQ(sink.records.size(), 4u);
    EXPECT_EQ(sink.records[0].time, Local(2026, 12, 8, 4, 45, 17));
    EXPECT_TRUE(sink.records[0].connected);
    EXPECT_EQ(sink.records[1].time, Local(2026, 12, 8, 4, 45, 22));
    EXPECT_FALSE(sink.records[1].connected);
    EXPECT_EQ(sink.records[2].time, Local(2026, 12, 9));
    EXPECT_EQ(sink.records[3].time, Local(2026, 12, 9, 0, 0, 5));
    EXPECT_EQ(summary.notUnderstood, 2u);

    Recorded early;
    ReadTextLog(log, forms, Local(2026, 12, 9), early, summary);
    EXPECT_EQ(early.records.size(), 2u);

    EXPECT_THROW(ReadTextLog(folder.File("missing.txt"), forms, 0, sink, summary), HistoryReadError);
}

TEST(ReadHistoryTest, ReadsJournalRowsWithTheirOffsets)
{
    TempFolder folder;
    const std::string journal = folder.File("net.journal.csv");
    WriteFile(journal, "time,event,status,rtt_ms,target,detail\r\n"
                       "2026-12-08T04:45:00+01:00,start,,,,interval=5\r\n"
                       "2026-12-08T04:45:05+01:00,check,connected,12.5,127.0.0.1,\r\n"
                       "2026-12-08T03:45:10Z,check,disconnected,,,targets silent\r\n"
                       "2026-12-08T04:45:15+01:00,check,maybe,,,\r\n"
                       "2026-12-07T22:45:20-05:00,sleep,,,,\r\n"
                       "2026-12-08T04:55:00+0100,resume,,,,\r\n"
                       "2026-12-08T04:55:01+01:00,clock,,,,by=+3600\r\n"
                       "2026-12-08T04:55:02+01:00,stop,,,,\r\n"
                       "2026-12-08T04:55:03+01:00,party,,,,\r\n");
    Recorded sink;
    HistoryReadSummary summary;
    ASSERT_TRUE(ReadJournal(journal, sink, summary));
    const std::int64_t base = DaysFromCivil(2026, 12, 8) * 86400 + 3 * 3600 + 45 * 60;
    ASSERT_EQ(sink.records.size(), 7u);
    const std::vector<std::pair<HistoryEvent, std::int64_t>> expected = {
        {HistoryEvent::Start, base},        {HistoryEvent::Check, base + 5},
        {HistoryEvent::Check, base + 10},   {HistoryEvent::Sleep, base + 20},
        {HistoryEvent::Resume, base + 600}, {HistoryEvent::Clock, base + 601},
        {HistoryEvent::Stop, base + 602},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(sink.records[i].event, expected[i].first) << i;
        EXPECT_EQ(sink.records[i].time, expected[i].second) << i;
    }
    EXPECT_EQ(sink.records[0].intervalSeconds, 5);
    EXPECT_DOUBLE_EQ(sink.rtts[1], 12.5);
    EXPECT_TRUE(std::isnan(sink.rtts[2]));
    EXPECT_FALSE(sink.records[2].connected);
    EXPECT_EQ(sink.causes[2], "targets silent");
    EXPECT_EQ(summary.notUnderstood, 2u);

    WriteFile(journal, "when,what\r\n2026-12-08T04:45:05+01:00,check,connected,,,\r\n");
    Recorded foreign;
    EXPECT_FALSE(ReadJournal(journal, foreign, summary));
    EXPECT_TRUE(foreign.records.empty());
    ASSERT_EQ(summary.notes.size(), 1u);
    EXPECT_NE(summary.notes[0].find(journal), std::string::npos);
}

TEST(ReadHistoryTest, TakesTheTextLogOnlyForTheTimeBeforeTheJournal)
{
    const ScopedZone zone("UTC0");
    TempFolder folder;
    const std::string log = folder.File("Pellavane.txt");
    const std::int64_t t = Local(2026, 12, 8, 10, 0, 0);
    WriteFile(log,
              TextLine(t, true) + TextLine(t + 5, false) + TextLine(t + 10, true) + TextLine(t + 15, true));
    WriteFile(folder.File("Pellavane.journal.csv"), "time,event,status,rtt_ms,target,detail\r\n"
                                                    "2026-12-08T10:00:10+00:00,start,,,,interval=5\r\n"
                                                    "2026-12-08T10:00:10+00:00,check,connected,1,a,\r\n"
                                                    "2026-12-08T10:00:15+00:00,check,connected,1,a,\r\n");
    Recorded sink;
    const HistoryReadSummary summary = ReadHistory(log, {LogDateForm::UnitedStates()}, sink);
    ASSERT_EQ(sink.records.size(), 5u);
    EXPECT_EQ(summary.textLines, 2u);
    EXPECT_EQ(summary.journalRows, 3u);
    EXPECT_EQ(sink.records[2].event, HistoryEvent::Start);

    // Without a text log the journal alone is the history; with neither, nothing can be read.
    std::remove(log.c_str());
    Recorded journalOnly;
    ReadHistory(log, {LogDateForm::UnitedStates()}, journalOnly);
    EXPECT_EQ(journalOnly.records.size(), 3u);
    std::remove(folder.File("Pellavane.journal.csv").c_str());
    try {
        ReadHistory(log, {LogDateForm::UnitedStates()}, journalOnly);
        FAIL() << "no error";
    } catch (const HistoryReadError& error) {
        EXPECT_NE(std::string(error.what()).find(log), std::string::npos);
    }
}

TEST(OutageRulesTest, OutagesAtTheStartAndEndOfTheHistory)
{
    const ScopedZone zone("UTC0");
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
    const ScopedZone zone("UTC0");
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
    const ScopedZone zone("UTC0");
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
    const ScopedZone zone("UTC0");
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
    const ScopedZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
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

TEST(HistoryReportTest, CsvJsonAndTableCarryTheSameRows)
{
    const ScopedZone zone("CET-1");
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

struct CauseCase
{
    const char* name;
    std::vector<std::string> causes; // one Disconnected check every 5 s
    const char* expected;
};

TEST(OutageCauseTest, MostChecksDecideAndTiesGoToTheEarliest)
{
    const ScopedZone zone("UTC0");
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

TEST(HistoryReportTest, TableEndsWithWhatTheRouterSaw)
{
    const ScopedZone zone("UTC0");
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

TEST(ConnectionSummaryTest, TellsTheStateSinceWhenAndTodaysOutages)
{
    const ScopedZone zone("UTC0");
    const std::int64_t t = Local(2026, 12, 8, 1);
    ConnectionSummary summary;
    EXPECT_EQ(summary.Text(t), "");
    summary.Add(t - 7200, false); // yesterday's outage is not today's
    summary.Add(t - 3600, true);
    summary.Add(t, false);
    summary.Add(t + 120, true);
    summary.Add(t + 200, false);
    summary.Add(t + 250, true);
    summary.Add(t + 3600, true);
    EXPECT_EQ(summary.Text(t + 250 + 11520),
              "Connected for 3 h 12 min \xC2\xB7 2 outages today (2 min 50 s)");
    summary.Add(t + 4000, false);
    EXPECT_EQ(summary.Text(t + 4045), "Disconnected for 45 s \xC2\xB7 3 outages today (3 min 35 s)");
    summary.SetCause("provider");
    EXPECT_EQ(summary.Text(t + 4045),
              "Disconnected for 45 s: the router answers, the Internet does not \xC2\xB7 "
              "3 outages today (3 min 35 s)");
    // A cause is named only while disconnected, and a new outage starts without the last one's.
    summary.Add(t + 4100, true);
    EXPECT_EQ(summary.Text(t + 4100).find("router"), std::string::npos);
    summary.Add(t + 4200, false);
    EXPECT_EQ(summary.Text(t + 4200).find("router"), std::string::npos);
    summary.Clear();
    summary.Add(t, true);
    EXPECT_EQ(summary.Text(t + 5), "Connected for 5 s \xC2\xB7 no outages today");
}

} // namespace
} // namespace pellavane
