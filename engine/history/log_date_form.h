#pragma once

#include "core/local_time.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace pellavane {

/** The years a history's dates may name, in the text log and the journal alike: no log was written
 *  before 1970, and a date past 2099 is a damaged one, whose centuries of unknown time would
 *  stretch every report and the window. A date outside them is not understood. */
inline constexpr int kFirstHistoryYear = 1970;
inline constexpr int kLastHistoryYear = 2099;

/** One way of writing a log line's date and time: a short date, and after one blank a time; a line
 *  holding the date alone is that day at midnight. */
class LogDateForm
{
public:
    /** The names a form may need: AM and PM, and the twelve month names in short and long form. */
    using Names = DateNames;

    /** A form from strftime-style date and time formats ("%d.%m.%Y", "%H:%M:%S"); a two-digit year
     *  reads as the year in full, as the log writes it. A conversion it cannot read back (a weekday
     *  name) gives a form that reads nothing. */
    static LogDateForm FromStrftime(std::string_view date, std::string_view time, const Names& names);
    /** A form from Windows date and time pictures ("dd/MM/yyyy", "h:mm:ss tt"). */
    static LogDateForm FromPicture(std::string_view date, std::string_view time, const Names& names);
    /** The US form of older logs: M/D/YYYY and a time with or without AM or PM. */
    static LogDateForm UnitedStates();

    bool Usable() const { return !m_date.empty(); }
    /** Reads the whole of text; false when it is not in this form or not a real date. */
    bool Parse(std::string_view text, LocalDateTime& out) const;

    enum class Piece : std::uint8_t
    {
        Literal,
        Blanks,
        Day,
        Month,
        MonthName,
        Year,
        Hour24,
        Hour12,
        Minute,
        Second,
        AmPm,
        OptionalAmPm,
    };
    struct Token
    {
        Piece piece;
        char literal = 0;
    };

private:
    bool ParseTokens(const std::vector<Token>& tokens, std::string_view text, std::size_t& at,
                     LocalDateTime& out, int& amPm) const;

    std::vector<Token> m_date;
    std::vector<Token> m_time;
    Names m_names;
};

/** The form the program writes its log lines in under the user's current locale. */
LogDateForm CurrentLogDateForm();

/** The forms a text log is read in: the current locale's, then the US one. */
std::vector<LogDateForm> TextLogForms();

} // namespace pellavane
