#pragma once

#include "engine/history/log_date_form.h"

#include <cstdint>
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
    /** The first target's echoes in the check just before: their count, losses and round trips. */
    Echoes,
    /** The connection turned degraded or back to normal. */
    Quality,
    /** One address family's state, when it changed or logging began. */
    Ipv4,
    Ipv6,
};

/** One check or event read back from the text log or the journal. */
struct HistoryRecord
{
    /** Seconds since the epoch. */
    std::int64_t time = 0;
    HistoryEvent event = HistoryEvent::Check;
    /** For a check: its status. */
    bool connected = false;
    /** For a quality row: whether the connection turned degraded (else back to normal). */
    bool degraded = false;
    /** For an ipv4 or ipv6 row: false when the family stopped being configured (connected is then
     *  false too). */
    bool familyConfigured = true;
    /** For a start row: the interval it names in seconds, 0 when it names none. */
    int intervalSeconds = 0;
    /** For a check from the journal: the round trip as written, in milliseconds, empty when none;
     *  valid during the call only. Read with RoundTripMs. */
    std::string_view rtt;
    /** For a check from the journal: its detail (why it failed); for an echoes row its counts (read
     *  with ParseEchoesDetail); for a quality row why it is degraded; for a family row its cause.
     *  Valid during the call only. */
    std::string_view cause;
};

/** Takes the history's records one by one, oldest first. */
class IHistorySink
{
public:
    virtual ~IHistorySink() = default;
    virtual void Record(const HistoryRecord& record) = 0;
};

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

/** Reads the whole history of a text log: the journal beside it when there is one, and the text log
 *  for the time before the journal's first row. Throws HistoryReadError when neither file exists or
 *  one that exists cannot be read. */
HistoryReadSummary ReadHistory(const std::string& logPath, const std::vector<LogDateForm>& forms,
                               IHistorySink& sink);

} // namespace pellavane
