#include "engine/history/journal_format.h"

#include "engine/check/check_result.h"

#include "core/civil_date.h"
#include "core/csv.h"
#include "core/iso_time.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
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
constexpr std::array<std::string_view, 10> kEventNames = {"check", "start",  "stop",    "sleep", "resume",
                                                          "clock", "echoes", "quality", "ipv4",  "ipv6"};
static_assert(static_cast<std::size_t>(HistoryEvent::Ipv6) + 1 == kEventNames.size());
constexpr std::string_view kNotConfigured = "not configured";
constexpr std::string_view kConnected = "connected";
constexpr std::string_view kDisconnected = "disconnected";
constexpr std::string_view kDegraded = "degraded";
constexpr std::string_view kNormal = "normal";
constexpr std::string_view kSent = "sent=";
constexpr std::string_view kLost = "lost=";
constexpr std::string_view kRtts = "rtt=";
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

// The interval a start row names in seconds, 0 when it names none; nullopt when what it names is no
// interval of the program's: not a whole number, or beyond the longest interval, a day.
std::optional<int> IntervalOf(std::string_view detail)
{
    constexpr int kLongestInterval = 86400;
    if (detail.substr(0, kInterval.size()) != kInterval) {
        return 0;
    }
    int seconds = 0;
    const char* first = detail.data() + kInterval.size();
    const char* last = detail.data() + detail.size();
    const auto [end, error] = std::from_chars(first, last, seconds);
    if (error != std::errc() || end != last || seconds < 0 || seconds > kLongestInterval) {
        return std::nullopt;
    }
    return seconds;
}

// Takes the next word of text (up to a blank), skipping the blanks before it. A plain loop: the words
// are a few letters long, too short for a library search to pay its call.
std::string_view NextWord(std::string_view& text)
{
    std::size_t begin = 0;
    while (begin < text.size() && text[begin] == ' ') {
        ++begin;
    }
    std::size_t end = begin;
    while (end < text.size() && text[end] != ' ') {
        ++end;
    }
    const std::string_view word = text.substr(begin, end - begin);
    text.remove_prefix(end);
    return word;
}

template <typename Number>
bool ReadNumber(std::string_view text, Number& value)
{
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return !text.empty() && error == std::errc() && stop == end;
}

// A round trip is nearly always a short decimal ("18.123"): its digits as an integer divided by a
// power of ten, both exact in a double, give by one correctly rounded division the value from_chars
// gives, at a fraction of the cost over a year of echoes. Anything else goes to from_chars.
bool ReadNumber(std::string_view text, double& value)
{
    constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    constexpr std::size_t kMostDigits = 15;
    std::uint64_t digits = 0;
    std::size_t count = 0;
    std::size_t point = text.size();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
            ++count;
        } else if (c != '.' || point != text.size()) {
            count = kMostDigits + 1;
            break;
        } else {
            point = i;
        }
    }
    const bool plain = count > 0 && count <= kMostDigits && point != 0 && point + 1 != text.size();
    if (!plain) {
        return ReadNumber<double>(text, value);
    }
    const std::size_t decimals = point == text.size() ? 0 : text.size() - point - 1;
    value = static_cast<double>(digits) / kPowers[decimals];
    return true;
}

bool ReadCount(std::string_view word, std::string_view key, int& count)
{
    return word.substr(0, key.size()) == key && ReadNumber(word.substr(key.size()), count) && count >= 0;
}

inline bool ReadMicroseconds(std::string_view text, std::uint32_t& microseconds)
{
    // ping prints at most three decimals: those read in one pass as an integer, with no double on the
    // way; anything else (more decimals, an exponent) as from_chars reads it, rounded.
    std::uint64_t total = 0;
    std::size_t i = 0;
    while (i < text.size() && i < 9 && text[i] >= '0' && text[i] <= '9') {
        total = total * 10 + static_cast<std::uint64_t>(text[i] - '0');
        ++i;
    }
    const std::size_t wholeDigits = i;
    int decimals = -1;
    if (wholeDigits > 0 && i < text.size() && text[i] == '.') {
        for (decimals = 0, ++i; i < text.size() && decimals < 3 && text[i] >= '0' && text[i] <= '9';
             ++i, ++decimals) {
            total = total * 10 + static_cast<std::uint64_t>(text[i] - '0');
        }
    }
    if (wholeDigits > 0 && i == text.size() && decimals != 0) {
        constexpr std::uint64_t kScale[] = {1000, 100, 10, 1};
        total *= kScale[decimals < 0 ? 0 : decimals];
        microseconds = static_cast<std::uint32_t>(std::min<std::uint64_t>(total, UINT32_MAX));
        return true;
    }
    double milliseconds = 0;
    if (!ReadNumber(text, milliseconds) || !(milliseconds >= 0)) {
        return false;
    }
    const double rounded = std::round(milliseconds * 1000.0);
    microseconds =
        rounded >= static_cast<double>(UINT32_MAX) ? UINT32_MAX : static_cast<std::uint32_t>(rounded);
    return true;
}

// The words of an echoes row's detail, each round trip handed to take, which says whether it reads;
// false when the detail is not one or its counts disagree.
template <typename TakeRoundTrip>
bool ReadEchoes(std::string_view detail, int& sent, TakeRoundTrip take)
{
    int lost = 0;
    if (!ReadCount(NextWord(detail), kSent, sent) || !ReadCount(NextWord(detail), kLost, lost)) {
        return false;
    }
    std::string_view word = NextWord(detail);
    if (word.substr(0, kRtts.size()) != kRtts) {
        return false;
    }
    word.remove_prefix(kRtts.size());
    int answered = 0;
    for (; !word.empty(); word = NextWord(detail)) {
        if (!take(word)) {
            return false;
        }
        ++answered;
    }
    return lost <= sent && answered == sent - lost;
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
    constexpr std::int64_t kEarliest = DaysFromCivil(kFirstHistoryYear, 1, 1) * 86400;
    constexpr std::int64_t kAfterLatest = DaysFromCivil(kLastHistoryYear + 1, 1, 1) * 86400;
    if (!SplitCsvRow(row, fields) || !ParseIsoTime(fields[kTime], record.time) || record.time < kEarliest ||
        record.time >= kAfterLatest || !ReadEvent(fields[kEvent], event)) {
        return false;
    }
    record.event = event;
    record.rtt = {};
    record.cause = {};
    record.intervalSeconds = 0;
    record.connected = false;
    record.degraded = false;
    record.familyConfigured = true;
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
        if (const std::optional<int> interval = IntervalOf(fields[kDetail])) {
            record.intervalSeconds = *interval;
        } else {
            return false;
        }
        break;
    case HistoryEvent::Quality:
        record.degraded = fields[kStatus] == kDegraded;
        if (!record.degraded && fields[kStatus] != kNormal) {
            return false;
        }
        record.cause = fields[kDetail];
        break;
    case HistoryEvent::Echoes:
        record.cause = fields[kDetail];
        break;
    case HistoryEvent::Ipv4:
    case HistoryEvent::Ipv6:
        record.familyConfigured = !fields[kStatus].empty();
        record.connected = fields[kStatus] == kConnected;
        if (record.familyConfigured && !record.connected && fields[kStatus] != kDisconnected) {
            return false;
        }
        record.rtt = fields[kRtt];
        record.cause = fields[kDetail];
        break;
    case HistoryEvent::Stop:
    case HistoryEvent::Sleep:
    case HistoryEvent::Resume:
    case HistoryEvent::Clock:
        break;
    }
    return true;
}

std::string EchoesDetail(const EchoCounts& echoes)
{
    std::string detail = std::string(kSent) + std::to_string(echoes.sent) + ' ' + std::string(kLost) +
                         std::to_string(echoes.Lost()) + ' ' + std::string(kRtts);
    for (std::size_t i = 0; i < echoes.rttsMs.size(); ++i) {
        if (i > 0) {
            detail += ' ';
        }
        detail += RttText(echoes.rttsMs[i]);
    }
    return detail;
}

bool ParseEchoesDetail(std::string_view detail, EchoCounts& echoes)
{
    echoes.rttsMs.clear();
    return ReadEchoes(detail, echoes.sent, [&echoes](std::string_view word) {
        double rtt = 0;
        if (!ReadNumber(word, rtt) || !(rtt >= 0)) {
            return false;
        }
        echoes.rttsMs.push_back(rtt);
        return true;
    });
}

bool ParseEchoesDetail(std::string_view detail, int& sent, std::vector<std::uint32_t>& microseconds)
{
    microseconds.clear();
    return ReadEchoes(detail, sent, [&microseconds](std::string_view word) {
        std::uint32_t rtt = 0;
        if (!ReadMicroseconds(word, rtt)) {
            return false;
        }
        microseconds.push_back(rtt);
        return true;
    });
}

bool ReadRoundTripMicroseconds(std::string_view text, std::uint32_t& microseconds)
{
    return ReadMicroseconds(text, microseconds);
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
    // No reply takes an hour: a longer or negative round trip is a damaged field, not a time.
    constexpr double kLongestRoundTripMs = 3600000;
    double rtt = 0;
    return ReadNumber(record.rtt, rtt) && rtt >= 0 && rtt <= kLongestRoundTripMs
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

JournalRow EchoesRow(const CheckResult& result)
{
    JournalRow row = EventRow(result.time, HistoryEvent::Echoes,
                              result.echoes ? EchoesDetail(*result.echoes) : std::string());
    row.target = result.targets.empty() ? std::string() : result.targets.front().host;
    return row;
}

std::vector<JournalRow> CheckRows(const CheckResult& result)
{
    std::vector<JournalRow> rows{CheckRow(result)};
    if (result.connected && result.echoes && result.echoes->sent > 1) {
        rows.push_back(EchoesRow(result));
    }
    return rows;
}

JournalRow QualityRow(std::time_t t, bool degraded, std::string why)
{
    JournalRow row = EventRow(t, HistoryEvent::Quality, std::move(why));
    row.status = degraded ? kDegraded : kNormal;
    return row;
}

JournalRow FamilyRow(std::time_t t, const FamilyResult& family)
{
    JournalRow row = EventRow(t, family.family == AddressFamily::V4 ? HistoryEvent::Ipv4 : HistoryEvent::Ipv6,
                              family.cause);
    row.status = family.connected ? kConnected : kDisconnected;
    row.rttMs = family.rttMs ? RttText(*family.rttMs) : std::string();
    row.target = family.target;
    return row;
}

JournalRow FamilyNotConfiguredRow(std::time_t t, AddressFamily family)
{
    return EventRow(t, family == AddressFamily::V4 ? HistoryEvent::Ipv4 : HistoryEvent::Ipv6,
                    std::string(kNotConfigured));
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
