#pragma once

#include "engine/listeners/family_rows.h"
#include "engine/monitor/monitor_listener.h"
#include "engine/monitor/sleep_watch.h"

#include <ctime>
#include <functional>

namespace pellavane {

class Journal;

/** The monitor's events as journal rows: it follows the schedule and is told what the sleep watch
 *  finds. Every row is written at once; a journal fault is the journal's to tell. A check's family
 *  rows follow its own in the same write (see FamilyRows). */
class MonitorJournal : public IMonitorListener, public ISleepObserver
{
public:
    MonitorJournal(Journal& journal, std::function<std::time_t()> now);

    void LoggingStarted(int intervalSeconds) override;
    void LoggingStopped() override;
    void CheckRecorded(const CheckResult& check) override;
    /** A quality row: its detail why it turned degraded, or for its end what ended it. */
    void QualityChanged(const QualityChange& change) override;

    void MachineSlept(std::time_t began) override;
    void MachineResumed(std::time_t at) override;
    void WallClockStepped(std::time_t at, long long bySeconds) override;

private:
    Journal& m_journal;
    std::function<std::time_t()> m_now;
    FamilyRows m_families;
};

} // namespace pellavane
