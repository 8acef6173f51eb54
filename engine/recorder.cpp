#include "engine/recorder.h"

#include "engine/probe.h"
#include "engine/sleep_watch.h"

#include <utility>

namespace pellavane {

std::time_t SystemClock::Now()
{
    return std::time(nullptr);
}

std::string StatusLine(std::time_t t, bool connected)
{
    return DateTimeText(t) + (connected ? kStatusConnected : kStatusDisconnected);
}

StatusRecorder::StatusRecorder(IConnectivityProbe& probe, IClock& clock, LogPathSource logPath,
                               IStatusList& list)
    : m_probe(probe), m_clock(clock), m_logPath(std::move(logPath)), m_list(list)
{}

void StatusRecorder::RecordStatus()
{
    CheckTicket ticket;
    if (m_gate != nullptr) {
        if (!m_gate->MayCheck()) {
            throw CheckNotRecorded("The computer is asleep; no check runs.");
        }
        ticket = m_gate->CheckStarting();
    }
    const bool connected = m_probe.IsInternetConnected();
    if (m_gate != nullptr) {
        switch (m_gate->CheckEnded(ticket, connected)) {
        case CheckVerdict::Drop:
            throw CheckNotRecorded("The check spanned a sleep; it is not recorded.");
        case CheckVerdict::Retry:
            throw CheckNotRecorded("The check failed just after a resume; it is tried again.");
        case CheckVerdict::RecordAfterResume:
        case CheckVerdict::Record:
            break;
        }
    }
    // The time is the moment the probe answered. The path is read only now: the user may have
    // changed it while the probe was waiting.
    AppendLogLine(m_logPath(), StatusLine(m_clock.Now(), connected));
    m_list.AppendStatusRow(m_clock.Now(), connected);
}

} // namespace pellavane
