#include "engine/history/history.h"

#include "engine/history/journal_reader.h"
#include "engine/history/text_log_reader.h"
#include "engine/monitor/journal.h"
#include "engine/rotation/rotated_pieces.h"

#include <cerrno>
#include <limits>
#include <system_error>

namespace pellavane {

HistoryReadSummary ReadHistory(const std::string& logPath, const std::vector<LogDateForm>& forms,
                               IHistorySink& sink)
{
    HistoryReadSummary summary;
    const std::string journalPath = JournalPath(logPath);
    // A file rotated a moment ago is not there until its next line: its pieces are the history.
    const bool haveText = AnyPieceExists(logPath);
    const bool haveJournal = AnyPieceExists(journalPath);
    if (!haveText && !haveJournal) {
        throw HistoryReadError("Cannot read log file '" + logPath +
                               "': " + std::generic_category().message(ENOENT));
    }
    std::int64_t journalStart = std::numeric_limits<std::int64_t>::max();
    const bool journalUsable = haveJournal && ReadJournalStart(journalPath, journalStart);
    if (haveText) {
        ReadTextLog(logPath, forms, journalStart, sink, summary);
    }
    if (haveJournal) {
        if (journalUsable) {
            ReadJournal(journalPath, sink, summary);
        } else {
            summary.notes.push_back(NotAJournalNote(journalPath));
        }
    }
    return summary;
}

} // namespace pellavane
