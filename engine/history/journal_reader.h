#pragma once

#include "engine/history/history.h"

#include <cstdint>
#include <string>

namespace pellavane {

/** Reads a journal's rows in blocks. False, with a note, when the file's first line is not the
 *  journal's header. Throws HistoryReadError when the file cannot be opened or read. */
bool ReadJournal(const std::string& path, IHistorySink& sink, HistoryReadSummary& summary);

/** The time of the journal's first row, read from its first block or so; the largest time when it
 *  has none. False when the file's first line is not the journal's header. Throws HistoryReadError
 *  when the file cannot be opened or read. */
bool ReadJournalStart(const std::string& path, std::int64_t& start);

/** What a person is told of a file at the journal's path that is not a journal. */
std::string NotAJournalNote(const std::string& path);

} // namespace pellavane
