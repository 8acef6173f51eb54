#include "engine/monitor/recorder.h"

#include "engine/check/probe.h"
#include "engine/monitor/sleep_watch.h"

#include <utility>

namespace pellavane {

std::time_t SystemClock::Now()
{
    return std::time(nullptr);
}

StatusRecorder::StatusRecorder(IConnectivityVerdict& probe, IClock& clock, LogPathSource logPath,
                               IStatusList& list)
    : m_probe(probe), m_clock(clock), m_logPath(std::move(logPath)), m_list(list)
{}

CheckResult StatusRecorder::RecordStatus()
{
    CheckTicket ticket;
    if (m_gate != nullptr) {
        if (!m_gate->MayCheck()) {
            throw CheckNotRecorded("The computer is asleep; no check runs.");
        }
        ticket = m_gate->CheckStarting();
    }
    CheckResult check = m_probe.Check();
    if (m_gate != nullptr) {
        switch (m_gate->CheckEnded(ticket, check.connected)) {
        case CheckVerdict::Drop:
            throw CheckNotRecorded("The check spanned a sleep; it is not recorded.");
        case CheckVerdict::Retry:
            throw CheckNotRecorded("The check failed just after a resume; it is tried again.");
        case CheckVerdict::RecordAfterResume:
            check.cause = kCauseAfterResume;
            break;
        case CheckVerdict::Record:
            break;
        }
    }
    // The time is the moment the probe answered. The path is read only now: the user may have
    // changed it while the probe was waiting.
    check.time = m_clock.Now();
    AppendLogLine(m_logPath(), StatusLine(check.time, check.connected));
    m_list.AppendStatusRow(m_clock.Now(), check.connected);
    return check;
}

} // namespace pellavane
