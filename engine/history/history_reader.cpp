#include "engine/history/history.h"

#include "engine/history/journal_format.h"
#include "engine/history/status_line.h"
#include "engine/monitor/journal.h"

#include "core/civil_date.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>

namespace pellavane {
namespace {

using Piece = LogDateForm::Piece;
using Token = LogDateForm::Token;

constexpr std::string_view kConnected = kStatusConnected;
constexpr std::string_view kDisconnected = kStatusDisconnected;
constexpr std::size_t kBlockSize = 1 << 20;

void Add(std::vector<Token>& tokens, Piece piece, char literal = 0)
{
    if (piece == Piece::Blanks && !tokens.empty() && tokens.back().piece == Piece::Blanks) {
        return;
    }
    tokens.push_back(Token{piece, literal});
}

bool AppendStrftime(std::string_view format, std::vector<Token>& tokens)
{
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c != '%') {
            if (c == ' ') {
                Add(tokens, Piece::Blanks);
            } else {
                Add(tokens, Piece::Literal, c);
            }
            continue;
        }
        // glibc's flags and the E and O modifiers change the digits or padding, not what is read.
        ++i;
        while (i < format.size() && std::strchr("_-0^#EO", format[i]) != nullptr) {
            ++i;
        }
        if (i == format.size()) {
            return false;
        }
        switch (format[i]) {
        case 'd':
        case 'e':
            Add(tokens, Piece::Day);
            break;
        case 'm':
            Add(tokens, Piece::Month);
            break;
        case 'Y':
        case 'y':
        case 'G':
            Add(tokens, Piece::Year);
            break;
        case 'b':
        case 'h':
        case 'B':
            Add(tokens, Piece::MonthName);
            break;
        case 'H':
        case 'k':
            Add(tokens, Piece::Hour24);
            break;
        case 'I':
        case 'l':
            Add(tokens, Piece::Hour12);
            break;
        case 'M':
            Add(tokens, Piece::Minute);
            break;
        case 'S':
            Add(tokens, Piece::Second);
            break;
        case 'p':
        case 'P':
            Add(tokens, Piece::AmPm);
            break;
        case 'D':
            AppendStrftime("%m/%d/%Y", tokens);
            break;
        case 'F':
            AppendStrftime("%Y-%m-%d", tokens);
            break;
        case 'T':
            AppendStrftime("%H:%M:%S", tokens);
            break;
        case 'R':
            AppendStrftime("%H:%M", tokens);
            break;
        case 'r':
            AppendStrftime("%I:%M:%S %p", tokens);
            break;
        case 'n':
        case 't':
            Add(tokens, Piece::Blanks);
            break;
        case '%':
            Add(tokens, Piece::Literal, '%');
            break;
        default:
            return false;
        }
    }
    return true;
}

bool AppendPicture(std::string_view picture, std::vector<Token>& tokens)
{
    bool quoted = false;
    for (std::size_t i = 0; i < picture.size();) {
        const char c = picture[i];
        if (c == '\'') {
            quoted = !quoted;
            ++i;
            continue;
        }
        if (quoted || std::strchr("dMyghHmst", c) == nullptr) {
            if (c == ' ') {
                Add(tokens, Piece::Blanks);
            } else {
                Add(tokens, Piece::Literal, c);
            }
            ++i;
            continue;
        }
        std::size_t run = 0;
        while (i < picture.size() && picture[i] == c) {
            ++run;
            ++i;
        }
        switch (c) {
        case 'd':
            if (run > 2) {
                return false; // a weekday name
            }
            Add(tokens, Piece::Day);
            break;
        case 'M':
            Add(tokens, run > 2 ? Piece::MonthName : Piece::Month);
            break;
        case 'y':
            Add(tokens, Piece::Year);
            break;
        case 'h':
            Add(tokens, Piece::Hour12);
            break;
        case 'H':
            Add(tokens, Piece::Hour24);
            break;
        case 'm':
            Add(tokens, Piece::Minute);
            break;
        case 's':
            Add(tokens, Piece::Second);
            break;
        case 't':
            Add(tokens, Piece::AmPm);
            break;
        default:
            return false; // an era
        }
    }
    return true;
}

bool ReadNumber(std::string_view text, std::size_t& at, int maxDigits, int& value)
{
    // A space-padded field (%e, %k) holds a blank where a leading zero would be.
    if (at < text.size() && text[at] == ' ') {
        ++at;
    }
    int digits = 0;
    value = 0;
    while (at < text.size() && digits < maxDigits && text[at] >= '0' && text[at] <= '9') {
        value = value * 10 + (text[at] - '0');
        ++at;
        ++digits;
    }
    return digits > 0;
}

bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view word)
{
    if (word.empty() || text.size() - at < word.size()) {
        return false;
    }
    for (std::size_t i = 0; i < word.size(); ++i) {
        const auto lower = [](char ch) { return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch + 32) : ch; };
        if (lower(text[at + i]) != lower(word[i])) {
            return false;
        }
    }
    return true;
}

bool ReadAmPm(std::string_view text, std::size_t& at, const LogDateForm::Names& names, int& amPm)
{
    for (const auto& [word, value] : {std::pair{names.am, 1}, std::pair{names.pm, 2}}) {
        if (StartsWithNoCase(text, at, word)) {
            at += word.size();
            amPm = value;
            return true;
        }
    }
    // A picture's single "t" writes the first letter alone.
    for (const auto& [word, value] : {std::pair{names.am, 1}, std::pair{names.pm, 2}}) {
        if (!word.empty() && StartsWithNoCase(text, at, word.substr(0, 1))) {
            at += 1;
            amPm = value;
            return true;
        }
    }
    return false;
}

bool ReadsBackAs(std::int64_t t, const LocalDateTime& dt)
{
    std::tm tm{};
    return ToLocalTm(t, tm) && tm.tm_year == dt.year - 1900 && tm.tm_mon == dt.month - 1 &&
           tm.tm_mday == dt.day && tm.tm_hour == dt.hour && tm.tm_min == dt.minute && tm.tm_sec == dt.second;
}

// Local times to seconds since the epoch. mktime costs about a microsecond, so it runs once a day:
// on a day of 24 hours without a change of offset a time is its midnight plus the time of day.
class LocalTimes
{
public:
    std::int64_t ToEpoch(const LocalDateTime& dt)
    {
        if (!m_haveDay || dt.year != m_year || dt.month != m_month || dt.day != m_day) {
            NewDay(dt);
        }
        std::int64_t t = 0;
        if (m_regular) {
            t = m_midnight + dt.hour * 3600 + dt.minute * 60 + dt.second;
        } else {
            t = OnChangeDay(dt);
        }
        m_last = t;
        return t;
    }

    /** After ToEpoch: whether that day is a plain 24 hours, and its midnight. */
    bool RegularDay(std::int64_t& midnight) const
    {
        midnight = m_midnight;
        return m_regular;
    }

private:
    void NewDay(const LocalDateTime& dt)
    {
        m_haveDay = true;
        m_year = dt.year;
        m_month = dt.month;
        m_day = dt.day;
        LocalDateTime midnight{dt.year, dt.month, dt.day, 0, 0, 0};
        m_midnight = LocalToEpoch(midnight, -1);
        LocalDateTime next = midnight;
        next.day += 1;
        const std::int64_t nextMidnight = LocalToEpoch(next, -1);
        m_regular = nextMidnight - m_midnight == 86400 && ReadsBackAs(m_midnight, midnight) &&
                    ReadsBackAs(m_midnight + 86399, LocalDateTime{dt.year, dt.month, dt.day, 23, 59, 59});
    }

    // The hour the clocks go back comes twice: the later reading is taken once the log has passed the
    // earlier one, so a log going through that hour keeps its order.
    std::int64_t OnChangeDay(const LocalDateTime& dt) const
    {
        const std::int64_t standard = LocalToEpoch(dt, 0);
        const std::int64_t summer = LocalToEpoch(dt, 1);
        const bool standardFits = ReadsBackAs(standard, dt);
        const bool summerFits = ReadsBackAs(summer, dt);
        if (standardFits && summerFits && standard != summer) {
            const std::int64_t early = std::min(standard, summer);
            const std::int64_t late = std::max(standard, summer);
            return early >= m_last ? early : late;
        }
        if (standardFits) {
            return standard;
        }
        if (summerFits) {
            return summer;
        }
        return LocalToEpoch(dt, -1);
    }

    bool m_haveDay = false;
    int m_year = 0;
    int m_month = 0;
    int m_day = 0;
    std::int64_t m_midnight = 0;
    bool m_regular = false;
    std::int64_t m_last = std::numeric_limits<std::int64_t>::min();
};

std::filesystem::path FsPath(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// A file read in blocks of a fixed size, so memory stays the same whatever the file's size.
class BlockReader
{
public:
    explicit BlockReader(const std::string& path) : m_path(path), m_buffer(new char[kBlockSize])
    {
        errno = 0;
        m_in.open(FsPath(path), std::ios::binary);
        if (!m_in) {
            Fail(errno != 0 ? errno : ENOENT);
        }
    }

    /** Calls onLine with each line without its line end until it returns false. A line longer than a
     *  block is given as its first block's worth. */
    template <typename OnLine>
    void ForEachLine(OnLine onLine)
    {
        std::size_t kept = 0;
        bool skipping = false;
        for (;;) {
            m_in.read(m_buffer.get() + kept, static_cast<std::streamsize>(kBlockSize - kept));
            const auto got = static_cast<std::size_t>(m_in.gcount());
            if (m_in.bad()) {
                Fail(errno != 0 ? errno : EIO);
            }
            const std::size_t end = kept + got;
            const char* data = m_buffer.get();
            std::size_t start = 0;
            while (start < end) {
                const void* found = std::memchr(data + start, '\n', end - start);
                if (found == nullptr) {
                    break;
                }
                const std::size_t newline = static_cast<std::size_t>(static_cast<const char*>(found) - data);
                if (!skipping && !onLine(Trimmed(data + start, newline - start))) {
                    return;
                }
                skipping = false;
                start = newline + 1;
            }
            if (got == 0) {
                if (start < end && !skipping) {
                    onLine(Trimmed(data + start, end - start));
                }
                return;
            }
            if (start == 0 && end == kBlockSize) {
                if (!skipping && !onLine(std::string_view(data, end))) {
                    return;
                }
                skipping = true;
                kept = 0;
                continue;
            }
            kept = end - start;
            std::memmove(m_buffer.get(), data + start, kept);
        }
    }

private:
    static std::string_view Trimmed(const char* data, std::size_t size)
    {
        if (size > 0 && data[size - 1] == '\r') {
            --size;
        }
        return std::string_view(data, size);
    }

    [[noreturn]] void Fail(int error) const
    {
        throw HistoryReadError("Cannot read history file '" + m_path +
                               "': " + std::generic_category().message(error));
    }

    std::string m_path;
    std::unique_ptr<char[]> m_buffer;
    std::ifstream m_in;
};

bool EndsWith(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() &&
           std::memcmp(text.data() + text.size() - suffix.size(), suffix.data(), suffix.size()) == 0;
}

bool Exists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(FsPath(path), error);
}

} // namespace

LogDateForm LogDateForm::FromStrftime(std::string_view date, std::string_view time, const Names& names)
{
    LogDateForm form;
    form.m_names = names;
    if (!AppendStrftime(date, form.m_date) || !AppendStrftime(time, form.m_time) || form.m_time.empty()) {
        form.m_date.clear();
    }
    return form;
}

LogDateForm LogDateForm::FromPicture(std::string_view date, std::string_view time, const Names& names)
{
    LogDateForm form;
    form.m_names = names;
    if (!AppendPicture(date, form.m_date) || !AppendPicture(time, form.m_time) || form.m_time.empty()) {
        form.m_date.clear();
    }
    return form;
}

LogDateForm LogDateForm::UnitedStates()
{
    LogDateForm form;
    form.m_date = {{Piece::Month}, {Piece::Literal, '/'}, {Piece::Day}, {Piece::Literal, '/'}, {Piece::Year}};
    form.m_time = {{Piece::Hour24},       {Piece::Literal, ':'}, {Piece::Minute},
                   {Piece::Literal, ':'}, {Piece::Second},       {Piece::OptionalAmPm}};
    return form;
}

bool LogDateForm::ParseTokens(const std::vector<Token>& tokens, std::string_view text, std::size_t& at,
                              LocalDateTime& out, int& amPm) const
{
    for (const Token& token : tokens) {
        switch (token.piece) {
        case Piece::Literal:
            if (at >= text.size() || text[at] != token.literal) {
                return false;
            }
            ++at;
            break;
        case Piece::Blanks:
            if (at >= text.size() || text[at] != ' ') {
                return false;
            }
            while (at < text.size() && text[at] == ' ') {
                ++at;
            }
            break;
        case Piece::Day:
            if (!ReadNumber(text, at, 2, out.day)) {
                return false;
            }
            break;
        case Piece::Month:
            if (!ReadNumber(text, at, 2, out.month)) {
                return false;
            }
            break;
        case Piece::Year:
            if (!ReadNumber(text, at, 4, out.year)) {
                return false;
            }
            break;
        case Piece::Hour24:
        case Piece::Hour12:
            if (!ReadNumber(text, at, 2, out.hour)) {
                return false;
            }
            break;
        case Piece::Minute:
            if (!ReadNumber(text, at, 2, out.minute)) {
                return false;
            }
            break;
        case Piece::Second:
            if (!ReadNumber(text, at, 2, out.second)) {
                return false;
            }
            break;
        case Piece::MonthName: {
            std::size_t best = 0;
            for (std::size_t i = 0; i < m_names.months.size(); ++i) {
                const std::string& name = m_names.months[i];
                if (name.size() > best && StartsWithNoCase(text, at, name)) {
                    best = name.size();
                    out.month = static_cast<int>(i % 12) + 1;
                }
            }
            if (best == 0) {
                return false;
            }
            at += best;
            break;
        }
        case Piece::AmPm:
            if (!ReadAmPm(text, at, m_names, amPm)) {
                return false;
            }
            break;
        case Piece::OptionalAmPm:
            if (at < text.size() && text[at] == ' ') {
                std::size_t after = at + 1;
                if (ReadAmPm(text, after, m_names, amPm)) {
                    at = after;
                }
            }
            break;
        }
    }
    return true;
}

bool LogDateForm::Parse(std::string_view text, LocalDateTime& out) const
{
    if (m_date.empty()) {
        return false;
    }
    out = LocalDateTime{};
    int amPm = 0;
    std::size_t at = 0;
    if (!ParseTokens(m_date, text, at, out, amPm)) {
        return false;
    }
    if (at < text.size()) {
        if (text[at] != ' ') {
            return false;
        }
        ++at;
        if (!ParseTokens(m_time, text, at, out, amPm) || at != text.size()) {
            return false;
        }
    }
    if (amPm != 0) {
        if (out.hour < 1 || out.hour > 12) {
            return false;
        }
        out.hour = out.hour % 12 + (amPm == 2 ? 12 : 0);
    }
    if (out.year < 1970 || out.month < 1 || out.month > 12 || out.day < 1 ||
        out.day > DaysInMonth(out.year, out.month) || out.hour > 23 || out.minute > 59 || out.second > 60) {
        return false;
    }
    out.second = std::min(out.second, 59);
    return true;
}

LogDateForm CurrentLogDateForm()
{
    const LocaleDateTimeForm locale = UserDateTimeForm();
    return locale.notation == LocaleDateTimeForm::Notation::Strftime
               ? LogDateForm::FromStrftime(locale.date, locale.time, locale.names)
               : LogDateForm::FromPicture(locale.date, locale.time, locale.names);
}

std::vector<LogDateForm> TextLogForms()
{
    std::vector<LogDateForm> forms;
    LogDateForm current = CurrentLogDateForm();
    if (current.Usable()) {
        forms.push_back(std::move(current));
    }
    forms.push_back(LogDateForm::UnitedStates());
    return forms;
}

namespace {

// Most lines of a text log are the line before with a later time: the same date text, a time as
// HH:MM:SS and one of the two status texts. Such a line is read from fixed places without the form;
// the shape is learnt from a line the form read, so both always agree.
class LineShape
{
public:
    void Learn(std::string_view stamp, const LocalDateTime& dt, LocalTimes& times)
    {
        m_usable = false;
        std::int64_t midnight = 0;
        if (stamp.size() < 9 || stamp[stamp.size() - 9] != ' ' || !times.RegularDay(midnight)) {
            return;
        }
        char clock[16];
        std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", dt.hour, dt.minute, dt.second);
        if (stamp.substr(stamp.size() - 8) != std::string_view(clock, 8)) {
            return;
        }
        m_prefix.assign(stamp.substr(0, stamp.size() - 8));
        m_midnight = midnight;
        m_usable = true;
    }

    /** Reads a line of the learnt shape; false for any other line. */
    bool Read(std::string_view line, HistoryRecord& record) const
    {
        const std::size_t prefix = m_prefix.size();
        if (!m_usable || line.size() < prefix + 8 + kConnected.size() ||
            std::memcmp(line.data(), m_prefix.data(), prefix) != 0) {
            return false;
        }
        const char* clock = line.data() + prefix;
        const std::string_view status = line.substr(prefix + 8);
        if (status.size() == kConnected.size() &&
            std::memcmp(status.data(), kConnected.data(), status.size()) == 0) {
            record.connected = true;
        } else if (status.size() == kDisconnected.size() &&
                   std::memcmp(status.data(), kDisconnected.data(), status.size()) == 0) {
            record.connected = false;
        } else {
            return false;
        }
        const auto digit = [](char c) { return static_cast<unsigned>(c - '0') < 10u; };
        if (!digit(clock[0]) || !digit(clock[1]) || clock[2] != ':' || !digit(clock[3]) || !digit(clock[4]) ||
            clock[5] != ':' || !digit(clock[6]) || !digit(clock[7])) {
            return false;
        }
        const int h = (clock[0] - '0') * 10 + (clock[1] - '0');
        const int m = (clock[3] - '0') * 10 + (clock[4] - '0');
        const int s = (clock[6] - '0') * 10 + (clock[7] - '0');
        if (h > 23 || m > 59 || s > 59) {
            return false;
        }
        record.time = m_midnight + h * 3600 + m * 60 + s;
        return true;
    }

private:
    bool m_usable = false;
    std::string m_prefix;
    std::int64_t m_midnight = 0;
};

} // namespace

void ReadTextLog(const std::string& path, const std::vector<LogDateForm>& forms, std::int64_t stopBefore,
                 IHistorySink& sink, HistoryReadSummary& summary)
{
    BlockReader reader(path);
    summary.textLogRead = true;
    LocalTimes times;
    LineShape shape;
    std::size_t lastForm = 0;
    HistoryRecord record;
    LocalDateTime dt;
    reader.ForEachLine([&](std::string_view line) {
        if (!shape.Read(line, record)) {
            if (line.empty()) {
                return true;
            }
            std::string_view stamp;
            if (EndsWith(line, kConnected)) {
                record.connected = true;
                stamp = line.substr(0, line.size() - kConnected.size());
            } else if (EndsWith(line, kDisconnected)) {
                record.connected = false;
                stamp = line.substr(0, line.size() - kDisconnected.size());
            } else {
                ++summary.notUnderstood;
                return true;
            }
            bool parsed = !forms.empty() && forms[lastForm].Parse(stamp, dt);
            for (std::size_t i = 0; !parsed && i < forms.size(); ++i) {
                if (i != lastForm && forms[i].Parse(stamp, dt)) {
                    parsed = true;
                    lastForm = i;
                }
            }
            if (!parsed) {
                ++summary.notUnderstood;
                return true;
            }
            record.time = times.ToEpoch(dt);
            shape.Learn(stamp, dt, times);
        }
        if (record.time >= stopBefore) {
            return false;
        }
        ++summary.textLines;
        sink.Record(record);
        return true;
    });
}

bool ReadJournal(const std::string& path, IHistorySink& sink, HistoryReadSummary& summary)
{
    BlockReader reader(path);
    bool first = true;
    bool isJournal = false;
    HistoryRecord record;
    reader.ForEachLine([&](std::string_view line) {
        if (first) {
            first = false;
            isJournal = IsJournalHeaderLine(line);
            return isJournal;
        }
        if (line.empty()) {
            return true;
        }
        if (!ParseJournalRow(line, record)) {
            ++summary.notUnderstood;
            return true;
        }
        ++summary.journalRows;
        sink.Record(record);
        return true;
    });
    if (!isJournal) {
        summary.notes.push_back("'" + path +
                                "' does not begin with the journal's header and was not read as a journal.");
        return false;
    }
    summary.journalRead = true;
    return true;
}

namespace {

// The first row's time, read from the journal's first block or so.
bool JournalStart(const std::string& path, std::int64_t& start)
{
    BlockReader reader(path);
    bool first = true;
    bool isJournal = false;
    bool found = false;
    HistoryRecord record;
    reader.ForEachLine([&](std::string_view line) {
        if (first) {
            first = false;
            isJournal = IsJournalHeaderLine(line);
            return isJournal;
        }
        found = ParseJournalRow(line, record);
        return !found;
    });
    start = found ? record.time : std::numeric_limits<std::int64_t>::max();
    return isJournal;
}

} // namespace

HistoryReadSummary ReadHistory(const std::string& logPath, const std::vector<LogDateForm>& forms,
                               IHistorySink& sink)
{
    HistoryReadSummary summary;
    const std::string journalPath = JournalPath(logPath);
    const bool haveText = Exists(logPath);
    const bool haveJournal = Exists(journalPath);
    if (!haveText && !haveJournal) {
        throw HistoryReadError("Cannot read log file '" + logPath +
                               "': " + std::generic_category().message(ENOENT));
    }
    std::int64_t journalStart = std::numeric_limits<std::int64_t>::max();
    const bool journalUsable = haveJournal && JournalStart(journalPath, journalStart);
    if (haveText) {
        ReadTextLog(logPath, forms, journalStart, sink, summary);
    }
    if (haveJournal) {
        if (journalUsable) {
            ReadJournal(journalPath, sink, summary);
        } else {
            summary.notes.push_back(
                "'" + journalPath +
                "' does not begin with the journal's header and was not read as a journal.");
        }
    }
    return summary;
}

} // namespace pellavane
