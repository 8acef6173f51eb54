#pragma once

#include "core/local_time.h"

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace pellavane {

/** What one row of the history says happened. */
enum class HistoryEvent : std::uint8_t
{
    Check,
    /** Logging began or its interval changed. */
    Start,
    /** Logging was turned off, or the window or the console ended. */
    Stop,
    Sleep,
    Resume,
    /** The wall clock was stepped. */
    Clock,
};

/** One check or event read back from the text log or the journal. */
struct HistoryRecord
{
    /** Seconds since the epoch. */
    std::int64_t time = 0;
    HistoryEvent event = HistoryEvent::Check;
    /** For a check: its status. */
    bool connected = false;
    /** For a start row: the interval it names in seconds, 0 when it names none. */
    int intervalSeconds = 0;
    /** For a check from the journal: the round trip as written, in milliseconds, empty when none;
     *  valid during the call only. Read with RoundTripMs. */
    std::string_view rtt;
    /** For a check from the journal: its detail (why it failed); valid during the call only. */
    std::string_view cause;
};

/** Takes the history's records one by one, oldest first. */
class IHistorySink
{
public:
    virtual ~IHistorySink() = default;
    virtual void Record(const HistoryRecord& record) = 0;
};

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

/** The history could not be read; the message names the file and the reason. */
class HistoryReadError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/** What reading a history found besides its records. */
struct HistoryReadSummary
{
    std::size_t textLines = 0;
    std::size_t journalRows = 0;
    std::size_t notUnderstood = 0;
    bool textLogRead = false;
    bool journalRead = false;
    /** Things a person should be told, one sentence each (a foreign file at the journal's path). */
    std::vector<std::string> notes;
};

/** Reads a text log's status lines, oldest first, in blocks, and stops before the first line dated at
 *  or after stopBefore. Each line is read in the first of forms that reads it. Throws
 *  HistoryReadError when the file cannot be opened or read. */
void ReadTextLog(const std::string& path, const std::vector<LogDateForm>& forms, std::int64_t stopBefore,
                 IHistorySink& sink, HistoryReadSummary& summary);

/** Reads a journal's rows in blocks. False, with a note, when the file's first line is not the
 *  journal's header. Throws HistoryReadError when the file cannot be opened or read. */
bool ReadJournal(const std::string& path, IHistorySink& sink, HistoryReadSummary& summary);

/** Reads the whole history of a text log: the journal beside it when there is one, and the text log
 *  for the time before the journal's first row. Throws HistoryReadError when neither file exists or
 *  one that exists cannot be read. */
HistoryReadSummary ReadHistory(const std::string& logPath, const std::vector<LogDateForm>& forms,
                               IHistorySink& sink);

/** The forms a text log is read in: the current locale's, then the US one. */
std::vector<LogDateForm> TextLogForms();

} // namespace pellavane
