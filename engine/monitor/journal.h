#pragma once

#include "engine/history/journal_format.h"

#include <functional>
#include <span>
#include <stdexcept>
#include <string>

namespace pellavane {

/** The journal's path beside the log at logPath: the file name's last extension replaced by
 *  ".journal.csv", or that added when the name has none. */
std::string JournalPath(const std::string& logPath);

/** A row that could not be appended; the message names the path and the reason. */
class JournalWriteError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/** Appends line and CR LF to the journal at path in one write, creating it with its header first.
 *  A file whose first line is not the header is left untouched. A failed or short write leaves the
 *  file as it was. Throws JournalWriteError. */
void AppendJournalLine(const std::string& path, const std::string& line);

/** True when the file at path is a journal: its first line is the header. Never throws. */
bool IsJournalFile(const std::string& path) noexcept;

/** Where a journal's faults are told, once each time it starts failing. */
class IJournalHealth
{
public:
    virtual ~IJournalHealth() = default;
    /** Rows have started failing; reason names the file and why. */
    virtual void JournalFailing(const std::string& reason) = 0;
    /** A row was written again after failures. */
    virtual void JournalWorkingAgain() = 0;
};

/** The journal beside the current log. Append never throws: a journal fault must never stop the
 *  text log, so it is told through IJournalHealth, once until a row is written again. */
class Journal
{
public:
    Journal(std::function<std::string()> logPath, IJournalHealth& health);
    /** Returns whether the row was written. */
    bool Append(const JournalRow& row) noexcept;
    /** Appends rows in one write, so that a reader meets all of them or none; returns whether they
     *  were written. */
    bool Append(std::span<const JournalRow> rows) noexcept;

private:
    std::function<std::string()> m_logPath;
    IJournalHealth& m_health;
    bool m_failing = false;
};

} // namespace pellavane
