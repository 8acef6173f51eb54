#pragma once

#include "engine/history/history.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

// The journal's text, written by the recorder's side and read back by the history: one header line,
// then one CSV row a line in the header's column order.

namespace pellavane {

struct CheckResult;
struct EchoCounts;
struct FamilyResult;
enum class AddressFamily : std::uint8_t;

/** The journal's first line; a file whose first line differs is not a journal and is never
 *  appended to. */
inline constexpr const char* kJournalHeader = "time,event,status,rtt_ms,target,detail";

/** One journal row before formatting. Fields hold plain text; FormatJournalRow makes them safe. */
struct JournalRow
{
    std::time_t time = 0;
    HistoryEvent event = HistoryEvent::Check;
    std::string status;
    std::string rttMs;
    std::string target;
    std::string detail;
};

/** The row as one CSV line without its line end. Control characters in a field become blanks,
 *  so a row is always one line; a field holding a comma or a quote is quoted. Writes the time in
 *  ISO 8601 local time with its offset. */
std::string FormatJournalRow(const JournalRow& row);

/** Reads one row without its line end; false when it is not a journal row. The record's round trip
 *  and cause point into row. */
bool ParseJournalRow(std::string_view row, HistoryRecord& record);

/** A first line read back is the header, also after the byte order mark an editor may save. */
bool IsJournalHeaderLine(std::string_view line);

/** The first bytes of a file (the header's length and two at least, where the file has them) begin
 *  with the header and its line end, LF or CR LF: a journal that rows may be appended to. */
bool StartsWithJournalHeader(std::string_view start);

/** A round trip in milliseconds in its shortest exact form ("0.12", "12.3", "123"). */
std::string RttText(double milliseconds);

/** A check's round trip in milliseconds, NaN when it has none or it cannot be read. */
double RoundTripMs(const HistoryRecord& record);

/** An echoes row's detail: "sent=5 lost=1 rtt=18.123 19.204 17.99 18.601", no commas. */
std::string EchoesDetail(const EchoCounts& echoes);
/** Reads an echoes row's detail back; false when it is not one or its counts disagree. */
bool ParseEchoesDetail(std::string_view detail, EchoCounts& echoes);
/** The same with the round trips in whole microseconds, as ReadRoundTripMicroseconds reads them, for
 *  a reader of millions of rows. */
bool ParseEchoesDetail(std::string_view detail, int& sent, std::vector<std::uint32_t>& microseconds);
/** A round trip's text in milliseconds ("18.123") in whole microseconds, rounded; false when it does
 *  not read as one. */
bool ReadRoundTripMicroseconds(std::string_view text, std::uint32_t& microseconds);

JournalRow CheckRow(const CheckResult& result);
/** The first target's echoes of a connected check, written right after its check row. */
JournalRow EchoesRow(const CheckResult& result);
/** What a recorded check adds to the journal: its check row, then its echoes row when the first
 *  target was sent more than one echo; with one, the check row says it all. */
std::vector<JournalRow> CheckRows(const CheckResult& result);
/** An ipv4 or ipv6 row: that family's state, round trip, answering target and cause. */
JournalRow FamilyRow(std::time_t t, const FamilyResult& family);
/** An ipv4 or ipv6 row with an empty status and the detail "not configured": the family is no longer
 *  configured on this machine. */
JournalRow FamilyNotConfiguredRow(std::time_t t, AddressFamily family);
/** status "degraded" or "normal", detail why (a short phrase without commas). */
JournalRow QualityRow(std::time_t t, bool degraded, std::string why);
/** detail "interval=N". */
JournalRow StartRow(std::time_t t, int intervalSeconds);
JournalRow StopRow(std::time_t t);
JournalRow SleepRow(std::time_t began);
JournalRow ResumeRow(std::time_t t);
/** detail "by=+N" or "by=-N", the step in whole seconds. */
JournalRow ClockRow(std::time_t t, long long stepSeconds);

} // namespace pellavane
