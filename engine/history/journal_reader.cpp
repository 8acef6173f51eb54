#include "engine/history/journal_reader.h"

#include "engine/history/block_reader.h"
#include "engine/history/journal_format.h"

#include <limits>
#include <string_view>

namespace pellavane {
namespace {

// Calls onRow with each line after the header until it returns false; false when the first line is
// not the header, and then no line is given. A journal begun again after a rotation begins with the
// header too: that header is no row.
template <typename OnRow>
bool ForEachJournalLine(BlockReader& reader, OnRow onRow)
{
    bool first = true;
    bool isJournal = false;
    reader.ForEachLine([&](std::string_view line) {
        if (first) {
            first = false;
            isJournal = IsJournalHeaderLine(line);
            return isJournal;
        }
        if (reader.AtPieceStart() && IsJournalHeaderLine(line)) {
            return true;
        }
        return onRow(line);
    });
    return isJournal;
}

} // namespace

bool ReadJournal(const std::string& path, IHistorySink& sink, HistoryReadSummary& summary)
{
    HistoryRecord record;
    BlockReader reader(path);
    const bool isJournal = ForEachJournalLine(reader, [&](std::string_view line) {
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
    summary.notes.insert(summary.notes.end(), reader.Notes().begin(), reader.Notes().end());
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
    BlockReader reader(path);
    const bool isJournal = ForEachJournalLine(reader, [&](std::string_view line) {
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
