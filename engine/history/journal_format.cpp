#include "engine/history/journal_format.h"

#include "engine/check/check_result.h"

#include "core/csv.h"
#include "core/iso_time.h"

#include <array>
#include <charconv>
#include <limits>
#include <utility>

namespace pellavane {
namespace {

enum Column : std::size_t
{
    kTime,
    kEvent,
    kStatus,
    kRtt,
    kTarget,
    kDetail,
    kColumns,
};

// In the order of HistoryEvent.
constexpr std::array<std::string_view, 6> kEventNames = {"check", "start",  "stop",
                                                         "sleep", "resume", "clock"};
static_assert(static_cast<std::size_t>(HistoryEvent::Clock) + 1 == kEventNames.size());
constexpr std::string_view kConnected = "connected";
constexpr std::string_view kDisconnected = "disconnected";
constexpr std::string_view kInterval = "interval=";

JournalRow EventRow(std::time_t t, HistoryEvent event, std::string detail = {})
{
    JournalRow row;
    row.time = t;
    row.event = event;
    row.detail = std::move(detail);
    return row;
}

bool ReadEvent(std::string_view name, HistoryEvent& event)
{
    for (std::size_t i = 0; i < kEventNames.size(); ++i) {
        if (name == kEventNames[i]) {
            event = static_cast<HistoryEvent>(i);
            return true;
        }
    }
    return false;
}

int IntervalOf(std::string_view detail)
{
    if (detail.substr(0, kInterval.size()) != kInterval) {
        return 0;
    }
    int seconds = 0;
    const char* first = detail.data() + kInterval.size();
    const auto [end, error] = std::from_chars(first, detail.data() + detail.size(), seconds);
    return error == std::errc() && seconds > 0 ? seconds : 0;
}

} // namespace

std::string FormatJournalRow(const JournalRow& row)
{
    // One row a line: the journal is appended to and read back line by line.
    const auto field = [](const std::string& text) { return CsvField(text, CsvControls::Blank); };
    const auto event = static_cast<std::size_t>(row.event);
    const std::string_view name = event < kEventNames.size() ? kEventNames[event] : kEventNames[0];
    return IsoLocalTime(row.time) + ',' + std::string(name) + ',' + field(row.status) + ',' +
           field(row.rttMs) + ',' + field(row.target) + ',' + field(row.detail);
}

bool ParseJournalRow(std::string_view row, HistoryRecord& record)
{
    std::array<std::string_view, kColumns> fields;
    HistoryEvent event = HistoryEvent::Check;
    if (!SplitCsvRow(row, fields) || !ParseIsoTime(fields[kTime], record.time) ||
        !ReadEvent(fields[kEvent], event)) {
        return false;
    }
    record.event = event;
    record.rtt = {};
    record.cause = {};
    record.intervalSeconds = 0;
    record.connected = false;
    switch (event) {
    case HistoryEvent::Check:
        record.connected = fields[kStatus] == kConnected;
        if (!record.connected && fields[kStatus] != kDisconnected) {
            return false;
        }
        record.rtt = fields[kRtt];
        record.cause = fields[kDetail];
        break;
    case HistoryEvent::Start:
        record.intervalSeconds = IntervalOf(fields[kDetail]);
        break;
    case HistoryEvent::Stop:
    case HistoryEvent::Sleep:
    case HistoryEvent::Resume:
    case HistoryEvent::Clock:
        break;
    }
    return true;
}

bool IsJournalHeaderLine(std::string_view line)
{
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    return (line.substr(0, kBom.size()) == kBom ? line.substr(kBom.size()) : line) == kJournalHeader;
}

bool StartsWithJournalHeader(std::string_view start)
{
    const std::string_view header = kJournalHeader;
    return start.size() > header.size() && start.substr(0, header.size()) == header &&
           (start[header.size()] == '\n' || start.substr(header.size(), 2) == "\r\n");
}

std::string RttText(double milliseconds)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, milliseconds);
    return result.ec == std::errc() ? std::string(text, result.ptr) : std::string();
}

double RoundTripMs(const HistoryRecord& record)
{
    double rtt = 0;
    const char* end = record.rtt.data() + record.rtt.size();
    const auto [stop, error] = std::from_chars(record.rtt.data(), end, rtt);
    return (!record.rtt.empty() && error == std::errc() && stop == end)
               ? rtt
               : std::numeric_limits<double>::quiet_NaN();
}

JournalRow CheckRow(const CheckResult& result)
{
    JournalRow row = EventRow(result.time, HistoryEvent::Check, result.cause);
    row.status = result.connected ? kConnected : kDisconnected;
    row.rttMs = result.rttMs ? RttText(*result.rttMs) : std::string();
    row.target = result.target;
    return row;
}

JournalRow StartRow(std::time_t t, int intervalSeconds)
{
    return EventRow(t, HistoryEvent::Start, std::string(kInterval) + std::to_string(intervalSeconds));
}

JournalRow StopRow(std::time_t t)
{
    return EventRow(t, HistoryEvent::Stop);
}

JournalRow SleepRow(std::time_t began)
{
    return EventRow(began, HistoryEvent::Sleep);
}

JournalRow ResumeRow(std::time_t t)
{
    return EventRow(t, HistoryEvent::Resume);
}

JournalRow ClockRow(std::time_t t, long long stepSeconds)
{
    return EventRow(t, HistoryEvent::Clock, (stepSeconds < 0 ? "by=" : "by=+") + std::to_string(stepSeconds));
}

} // namespace pellavane
