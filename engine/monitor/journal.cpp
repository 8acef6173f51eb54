#include "engine/monitor/journal.h"

#include "engine/check/check_result.h"
#include "engine/monitor/journal_platform.h"

#include "core/csv.h"
#include "core/iso_time.h"

#include <charconv>
#include <exception>
#include <utility>

namespace pellavane {
namespace {

const char* EventName(JournalEvent event)
{
    switch (event) {
    case JournalEvent::Check:
        return "check";
    case JournalEvent::Start:
        return "start";
    case JournalEvent::Stop:
        return "stop";
    case JournalEvent::Sleep:
        return "sleep";
    case JournalEvent::Resume:
        return "resume";
    case JournalEvent::Clock:
        return "clock";
    }
    return "check";
}

JournalRow EventRow(std::time_t t, JournalEvent event, std::string detail = {})
{
    JournalRow row;
    row.time = t;
    row.event = event;
    row.detail = std::move(detail);
    return row;
}

} // namespace

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

std::string FormatJournalRow(const JournalRow& row)
{
    // One row a line: the journal is appended to and read back line by line.
    const auto field = [](const std::string& text) { return CsvField(text, CsvControls::Blank); };
    return IsoLocalTime(row.time) + ',' + EventName(row.event) + ',' + field(row.status) + ',' +
           field(row.rttMs) + ',' + field(row.target) + ',' + field(row.detail);
}

std::string RttText(double milliseconds)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, milliseconds);
    return result.ec == std::errc() ? std::string(text, result.ptr) : std::string();
}

JournalRow CheckRow(const CheckResult& result)
{
    JournalRow row = EventRow(result.time, JournalEvent::Check, result.cause);
    row.status = result.connected ? "connected" : "disconnected";
    row.rttMs = result.rttMs ? RttText(*result.rttMs) : std::string();
    row.target = result.target;
    return row;
}

JournalRow StartRow(std::time_t t, int intervalSeconds)
{
    return EventRow(t, JournalEvent::Start, "interval=" + std::to_string(intervalSeconds));
}

JournalRow StopRow(std::time_t t)
{
    return EventRow(t, JournalEvent::Stop);
}

JournalRow SleepRow(std::time_t began)
{
    return EventRow(began, JournalEvent::Sleep);
}

JournalRow ResumeRow(std::time_t t)
{
    return EventRow(t, JournalEvent::Resume);
}

JournalRow ClockRow(std::time_t t, long long stepSeconds)
{
    return EventRow(t, JournalEvent::Clock, (stepSeconds < 0 ? "by=" : "by=+") + std::to_string(stepSeconds));
}

Journal::Journal(std::function<std::string()> logPath, IJournalHealth& health)
    : m_logPath(std::move(logPath)), m_health(health)
{}

bool Journal::Append(const JournalRow& row) noexcept
{
    std::string reason;
    try {
        AppendJournalLine(JournalPath(m_logPath()), FormatJournalRow(row));
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
