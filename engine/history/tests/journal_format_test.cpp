#include "engine/history/journal_format.h"

#include "engine/check/check_result.h"
#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

namespace pellavane {
namespace {

using pellavane::testing::ScopedTimeZone;

constexpr std::time_t k20261208T034517Z = 1796701517;

TEST(FormatJournalRow, EachEventAsItsColumnsSay)
{
    const ScopedTimeZone zone("CET-1");
    CheckResult answered;
    answered.time = k20261208T034517Z;
    answered.connected = true;
    answered.rttMs = 0.12;
    answered.target = "127.0.0.1";
    CheckResult second = answered;
    second.rttMs = 12.3;
    second.target = "127.0.0.2";
    second.cause = "";
    CheckResult silent;
    silent.time = k20261208T034517Z;
    silent.cause = "targets silent";

    const std::string at = "2026-12-08T04:45:17+01:00,";
    EXPECT_EQ(FormatJournalRow(CheckRow(answered)), at + "check,connected,0.12,127.0.0.1,");
    EXPECT_EQ(FormatJournalRow(CheckRow(second)), at + "check,connected,12.3,127.0.0.2,");
    EXPECT_EQ(FormatJournalRow(CheckRow(silent)), at + "check,disconnected,,,targets silent");
    EXPECT_EQ(FormatJournalRow(StartRow(k20261208T034517Z, 5)), at + "start,,,,interval=5");
    EXPECT_EQ(FormatJournalRow(StopRow(k20261208T034517Z)), at + "stop,,,,");
    EXPECT_EQ(FormatJournalRow(SleepRow(k20261208T034517Z)), at + "sleep,,,,");
    EXPECT_EQ(FormatJournalRow(ResumeRow(k20261208T034517Z)), at + "resume,,,,");
    EXPECT_EQ(FormatJournalRow(ClockRow(k20261208T034517Z, 3600)), at + "clock,,,,by=+3600");
    EXPECT_EQ(FormatJournalRow(ClockRow(k20261208T034517Z, -5)), at + "clock,,,,by=-5");
}

TEST(FormatJournalRow, FieldsThatWouldSplitOrBreakTheRowAreMadeSafe)
{
    const ScopedTimeZone zone("UTC0");
    JournalRow row;
    row.target = "a,b";
    row.detail = "say \"hi\"";
    EXPECT_EQ(FormatJournalRow(row), "1970-01-01T00:00:00+00:00,check,,,\"a,b\",\"say \"\"hi\"\"\"");
    row.target = "line\r\nbreak\tand\x7f";
    row.detail = "";
    EXPECT_EQ(FormatJournalRow(row), "1970-01-01T00:00:00+00:00,check,,,line  break and ,");
}

TEST(RttText, ShortestTextThatReadsBackAsTheSameNumber)
{
    EXPECT_EQ(RttText(0.12), "0.12");
    EXPECT_EQ(RttText(0.045), "0.045");
    EXPECT_EQ(RttText(12.3), "12.3");
    EXPECT_EQ(RttText(123), "123");
}

TEST(RoundTripMs, ReadsEveryTextAsFromCharsDoesToTheLastBitUpToAnHour)
{
    for (const char* text :
         {"0.12", "18.123", "0.001", "999.999", "100", "0", "3599999.99999999", "0.000000000000001",
          "3.14159265358979", ".5", "5.", "1e3", "1.5e-2", "00012.50", "3600000"}) {
        double expected = 0;
        std::from_chars(text, text + std::strlen(text), expected);
        HistoryRecord record;
        record.rtt = text;
        EXPECT_EQ(RoundTripMs(record), expected) << text;
    }
    // Besides what is no number, what no reply takes: over an hour, below zero, or no finite number.
    for (const char* bad : {"", "-", "1.2.3", "12 ms", "x", "1,5", "3600000.001", "123456789012345", "1e308",
                            "-5", "inf", "nan"}) {
        HistoryRecord record;
        record.rtt = bad;
        EXPECT_TRUE(std::isnan(RoundTripMs(record))) << bad;
    }
}

struct RoundTripCase
{
    JournalRow row;
    HistoryEvent event;
    bool connected;
    int interval;
    std::string cause;
};

TEST(ParseJournalRow, EveryRowTheJournalWritesReadsBackAsWritten)
{
    const ScopedTimeZone zone("EST5");
    const std::time_t t = k20261208T034517Z;
    CheckResult answered;
    answered.time = t;
    answered.connected = true;
    answered.rttMs = 12.5;
    answered.target = "127.0.0.1";
    CheckResult silent;
    silent.time = t;
    silent.cause = "targets silent";
    const RoundTripCase cases[] = {
        {CheckRow(answered), HistoryEvent::Check, true, 0, ""},
        {CheckRow(silent), HistoryEvent::Check, false, 0, "targets silent"},
        {StartRow(t, 300), HistoryEvent::Start, false, 300, ""},
        {StopRow(t), HistoryEvent::Stop, false, 0, ""},
        {SleepRow(t), HistoryEvent::Sleep, false, 0, ""},
        {ResumeRow(t), HistoryEvent::Resume, false, 0, ""},
        {ClockRow(t, -5), HistoryEvent::Clock, false, 0, ""},
        {QualityRow(t, true, "loss 12%"), HistoryEvent::Quality, false, 0, "loss 12%"},
        {QualityRow(t, false, ""), HistoryEvent::Quality, false, 0, ""},
        {FamilyRow(t, {AddressFamily::V4, true, "", 9.5, "192.0.2.7"}), HistoryEvent::Ipv4, true, 0, ""},
        {FamilyRow(t, {AddressFamily::V6, false, "provider", std::nullopt, ""}), HistoryEvent::Ipv6, false, 0,
         "provider"},
        {FamilyNotConfiguredRow(t, AddressFamily::V6), HistoryEvent::Ipv6, false, 0, "not configured"},
    };
    for (const RoundTripCase& c : cases) {
        const std::string text = FormatJournalRow(c.row);
        HistoryRecord record;
        ASSERT_TRUE(ParseJournalRow(text, record)) << text;
        EXPECT_EQ(record.time, t) << text;
        EXPECT_EQ(record.event, c.event) << text;
        EXPECT_EQ(record.connected, c.connected) << text;
        EXPECT_EQ(record.intervalSeconds, c.interval) << text;
        EXPECT_EQ(std::string(record.cause), c.cause) << text;
        EXPECT_EQ(record.familyConfigured, c.cause != "not configured") << text;
    }
    // The record's fields point into the row's text, which must outlive them.
    const std::string text = FormatJournalRow(CheckRow(answered));
    HistoryRecord record;
    ASSERT_TRUE(ParseJournalRow(text, record));
    EXPECT_DOUBLE_EQ(RoundTripMs(record), 12.5);
}

// Rows that edits, cuts, other programs or a broken disk leave behind: each is refused as not
// understood, whatever its size, rather than read as a time or a number it does not hold.
TEST(ParseJournalRow, RefusesDamagedRowsWhateverTheirSize)
{
    const std::string megabyte(1 << 20, 'x');
    struct Case
    {
        const char* shape;
        std::string row;
        bool reads;
    };
    const std::string at = "2026-12-08T04:45:05+01:00";
    const Case cases[] = {
        {"empty", "", false},
        {"only commas", ",,,,,", false},
        {"a megabyte of commas", std::string(1 << 20, ','), false},
        {"a megabyte of quotes", std::string(1 << 20, '"'), false},
        {"a megabyte of NULs", std::string(1 << 20, '\0'), false},
        {"cut in its time", "2026-12-08T04:4", false},
        {"cut after its event", at + ",check", false},
        {"a megabyte detail is still a row", at + ",check,disconnected,,," + megabyte, true},
        {"a megabyte time", megabyte + ",check,connected,1,127.0.0.1,", false},
        {"February 30th", "2026-02-30T04:45:05+01:00,check,connected,1,127.0.0.1,", false},
        {"hour 25", "2026-12-08T25:45:05+01:00,check,connected,1,127.0.0.1,", false},
        {"year 0", "0000-12-08T04:45:05Z,check,connected,1,127.0.0.1,", false},
        {"before 1970", "1969-12-31T23:59:59Z,check,connected,1,127.0.0.1,", false},
        {"the first second of 1970", "1970-01-01T00:00:00Z,check,connected,1,127.0.0.1,", true},
        {"the last second of 2099", "2099-12-31T23:59:59Z,check,connected,1,127.0.0.1,", true},
        {"after 2099", "2100-01-01T00:00:00Z,check,connected,1,127.0.0.1,", false},
        {"year 9999", "9999-12-31T23:59:59Z,check,connected,1,127.0.0.1,", false},
        {"offset of 99 hours", "2026-12-08T04:45:05+99:00,check,connected,1,127.0.0.1,", false},
        {"offset of 99 minutes", "2026-12-08T04:45:05+01:99,check,connected,1,127.0.0.1,", false},
        {"offset beyond every zone", "2026-12-08T04:45:05-15:00,check,connected,1,127.0.0.1,", false},
        {"the furthest zone east", "2026-12-08T04:45:05+14:00,check,connected,1,127.0.0.1,", true},
        {"an interval beyond a day", at + ",start,,,,interval=86401", false},
        {"an interval past any integer", at + ",start,,,,interval=99999999999999999999", false},
        {"an interval that is no number", at + ",start,,,,interval=5x", false},
        {"a negative interval", at + ",start,,,,interval=-5", false},
        {"the longest interval", at + ",start,,,,interval=86400", true},
        {"a start naming no interval", at + ",start,,,,", true},
    };
    for (const Case& c : cases) {
        HistoryRecord record;
        EXPECT_EQ(ParseJournalRow(c.row, record), c.reads) << c.shape;
    }
}

TEST(EchoesRow, CountsAndRoundTripsInOneDetailThatReadsBack)
{
    const ScopedTimeZone zone("UTC0");
    CheckResult check;
    check.connected = true;
    check.targets = {{"127.0.0.1", false}, {"127.0.0.2", true}};
    check.echoes = EchoCounts{5, {18.123, 19.204, 17.99, 18.601}};
    const std::string text = FormatJournalRow(EchoesRow(check));
    EXPECT_EQ(text,
              "1970-01-01T00:00:00+00:00,echoes,,,127.0.0.1,sent=5 lost=1 rtt=18.123 19.204 17.99 18.601");
    HistoryRecord record;
    ASSERT_TRUE(ParseJournalRow(text, record));
    ASSERT_EQ(record.event, HistoryEvent::Echoes);
    EchoCounts echoes;
    ASSERT_TRUE(ParseEchoesDetail(record.cause, echoes));
    EXPECT_EQ(echoes.sent, 5);
    EXPECT_EQ(echoes.Lost(), 1);
    EXPECT_EQ(echoes.rttsMs, check.echoes->rttsMs);
}

TEST(ParseEchoesDetail, RefusesDetailsWhoseCountsDisagreeOrDoNotRead)
{
    struct Case
    {
        const char* detail;
        bool reads;
        int sent;
        int answered;
    };
    const Case cases[] = {
        {"sent=3 lost=3 rtt=", true, 3, 0},       {"sent=2 lost=0 rtt=1 2.5", true, 2, 2},
        {"sent=2  lost=1  rtt=0.5 ", true, 2, 1}, {"sent=2 lost=1 rtt=1 2", false, 0, 0},
        {"sent=2 lost=3 rtt=", false, 0, 0},      {"sent=-1 lost=0 rtt=", false, 0, 0},
        {"lost=0 sent=1 rtt=1", false, 0, 0},     {"sent=1 lost=0 rtt=x", false, 0, 0},
        {"sent=1 lost=0 rtt=-1", false, 0, 0},    {"", false, 0, 0},
    };
    for (const Case& c : cases) {
        EchoCounts echoes;
        EXPECT_EQ(ParseEchoesDetail(c.detail, echoes), c.reads) << c.detail;
        int sent = 0;
        std::vector<std::uint32_t> microseconds;
        EXPECT_EQ(ParseEchoesDetail(c.detail, sent, microseconds), c.reads) << c.detail;
        if (c.reads) {
            EXPECT_EQ(echoes.sent, c.sent) << c.detail;
            EXPECT_EQ(echoes.rttsMs.size(), static_cast<std::size_t>(c.answered)) << c.detail;
            EXPECT_EQ(sent, c.sent) << c.detail;
            EXPECT_EQ(microseconds.size(), static_cast<std::size_t>(c.answered)) << c.detail;
        }
    }
}

TEST(ReadRoundTripMicroseconds, ReadsWhatPingPrintsExactlyAndRoundsTheRest)
{
    const std::pair<const char*, std::uint32_t> cases[] = {{"18.123", 18'123},
                                                           {"18.1", 18'100},
                                                           {"0.05", 50},
                                                           {"0.001", 1},
                                                           {"20", 20'000},
                                                           {"5.", 5'000},
                                                           {".5", 500},
                                                           {"0.0005", 1},
                                                           {"1.0004", 1'000},
                                                           {"1e3", 1'000'000},
                                                           {"123456789.5", 4'294'967'295U}};
    for (const auto& [text, expected] : cases) {
        std::uint32_t microseconds = 0;
        EXPECT_TRUE(ReadRoundTripMicroseconds(text, microseconds)) << text;
        EXPECT_EQ(microseconds, expected) << text;
    }
    for (const char* bad : {"", "-1", "x", "1.2.3", "12 ms", "+1", "nan"}) {
        std::uint32_t microseconds = 0;
        EXPECT_FALSE(ReadRoundTripMicroseconds(bad, microseconds)) << bad;
    }
}

TEST(IsJournalHeaderLine, TheHeaderAloneAlsoAfterAByteOrderMark)
{
    EXPECT_TRUE(IsJournalHeaderLine(kJournalHeader));
    EXPECT_TRUE(IsJournalHeaderLine(std::string("\xEF\xBB\xBF") + kJournalHeader));
    EXPECT_FALSE(IsJournalHeaderLine(std::string(kJournalHeader) + ",extra"));
    EXPECT_FALSE(IsJournalHeaderLine("time,event"));
    EXPECT_TRUE(StartsWithJournalHeader(std::string(kJournalHeader) + "\r\n"));
    EXPECT_TRUE(StartsWithJournalHeader(std::string(kJournalHeader) + "\n2026"));
    EXPECT_FALSE(StartsWithJournalHeader(kJournalHeader));
    EXPECT_FALSE(StartsWithJournalHeader(std::string(kJournalHeader) + "\r"));
    EXPECT_FALSE(StartsWithJournalHeader(std::string("\xEF\xBB\xBF") + kJournalHeader + "\r\n"));
}

} // namespace
} // namespace pellavane
