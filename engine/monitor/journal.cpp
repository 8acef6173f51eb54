#include "engine/monitor/journal.h"

#include "engine/monitor/journal_platform.h"

#include <exception>
#include <utility>

namespace pellavane {

std::string JournalPath(const std::string& logPath)
{
    std::size_t nameStart = logPath.size();
    while (nameStart > 0 && !journal_platform::IsPathSeparator(logPath[nameStart - 1])) {
        --nameStart;
    }
    // A leading dot names a hidden file, not an extension: ".netlog" has none.
    const std::size_t dot = logPath.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    return (hasExtension ? logPath.substr(0, dot) : logPath) + ".journal.csv";
}

Journal::Journal(std::function<std::string()> logPath, IJournalHealth& health)
    : m_logPath(std::move(logPath)), m_health(health)
{}

bool Journal::Append(const JournalRow& row) noexcept
{
    return Append(std::span<const JournalRow>(&row, 1));
}

bool Journal::Append(std::span<const JournalRow> rows) noexcept
{
    std::string reason;
    try {
        std::string lines;
        for (const JournalRow& row : rows) {
            lines += lines.empty() ? FormatJournalRow(row) : "\r\n" + FormatJournalRow(row);
        }
        AppendJournalLine(JournalPath(m_logPath()), lines);
        if (m_failing) {
            m_failing = false;
            try {
                m_health.JournalWorkingAgain();
            } catch (...) {
                // Telling is best effort; the row is written.
            }
        }
        return true;
    } catch (const std::exception& error) {
        reason = error.what();
    } catch (...) {
        reason = "Cannot write to the journal";
    }
    if (!m_failing) {
        m_failing = true;
        try {
            m_health.JournalFailing(reason);
        } catch (...) {
            // Telling is best effort; the text log must go on whatever the view does with it.
        }
    }
    return false;
}

} // namespace pellavane
