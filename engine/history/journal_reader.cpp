#include "engine/history/journal_reader.h"

#include "engine/history/block_reader.h"
#include "engine/history/journal_format.h"

#include <limits>
#include <string_view>

namespace pellavane {
namespace {

// Calls onRow with each line after the header until it returns false; false when the first line is
// not the header, and then no line is given.
template <typename OnRow>
bool ForEachJournalLine(const std::string& path, OnRow onRow)
{
    BlockReader reader(path);
    bool first = true;
    bool isJournal = false;
    reader.ForEachLine([&](std::string_view line) {
        if (first) {
            first = false;
            isJournal = IsJournalHeaderLine(line);
            return isJournal;
        }
        return onRow(line);
    });
    return isJournal;
}

} // namespace

bool ReadJournal(const std::string& path, IHistorySink& sink, HistoryReadSummary& summary)
{
    HistoryRecord record;
    const bool isJournal = ForEachJournalLine(path, [&](std::string_view line) {
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
        summary.notes.push_back(NotAJournalNote(path));
        return false;
    }
    summary.journalRead = true;
    return true;
}

bool ReadJournalStart(const std::string& path, std::int64_t& start)
{
    bool found = false;
    HistoryRecord record;
    const bool isJournal = ForEachJournalLine(path, [&](std::string_view line) {
        found = ParseJournalRow(line, record);
        return !found;
    });
    start = found ? record.time : std::numeric_limits<std::int64_t>::max();
    return isJournal;
}

std::string NotAJournalNote(const std::string& path)
{
    return "'" + path + "' does not begin with the journal's header and was not read as a journal.";
}

} // namespace pellavane
