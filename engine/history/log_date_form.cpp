#include "engine/history/log_date_form.h"

#include "core/civil_date.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace pellavane {
namespace {

using Piece = LogDateForm::Piece;
using Token = LogDateForm::Token;

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
    if (out.year < kFirstHistoryYear || out.year > kLastHistoryYear || out.month < 1 || out.month > 12 ||
        out.day < 1 || out.day > DaysInMonth(out.year, out.month) || out.hour > 23 || out.minute > 59 ||
        out.second > 60) {
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

} // namespace pellavane
