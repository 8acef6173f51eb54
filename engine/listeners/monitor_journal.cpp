#include "engine/listeners/monitor_journal.h"

#include "engine/check/check_result.h"
#include "engine/monitor/journal.h"

#include <utility>

namespace pellavane {

MonitorJournal::MonitorJournal(Journal& journal, std::function<std::time_t()> now)
    : m_journal(journal), m_now(std::move(now))
{}

void MonitorJournal::LoggingStarted(int intervalSeconds)
{
    m_families.Restart();
    m_journal.Append(StartRow(m_now(), intervalSeconds));
}

void MonitorJournal::LoggingStopped()
{
    m_journal.Append(StopRow(m_now()));
}

void MonitorJournal::CheckRecorded(const CheckResult& check)
{
    std::vector<JournalRow> rows = CheckRows(check);
    for (JournalRow& row : m_families.After(check)) {
        rows.push_back(std::move(row));
    }
    m_journal.Append(rows);
}

void MonitorJournal::QualityChanged(const QualityChange& change)
{
    m_journal.Append(QualityRow(change.at, change.degraded,
                                change.degraded ? change.reason.brief : QualityEndWords(change.end)));
}

void MonitorJournal::MachineSlept(std::time_t began)
{
    m_journal.Append(SleepRow(began));
}

void MonitorJournal::MachineResumed(std::time_t at)
{
    m_journal.Append(ResumeRow(at));
}

void MonitorJournal::WallClockStepped(std::time_t at, long long bySeconds)
{
    m_journal.Append(ClockRow(at, bySeconds));
}

} // namespace pellavane
