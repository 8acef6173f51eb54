#include "engine/monitor/quality_watch.h"

#include "engine/monitor/sleep_watch.h"

#include <span>
#include <vector>

namespace pellavane {

const char* QualityEndWords(QualityEnd end)
{
    switch (end) {
    case QualityEnd::Outage:
        return "outage";
    case QualityEnd::Sleep:
        return "sleep";
    case QualityEnd::LoggingOff:
        return "logging off";
    case QualityEnd::None:
    case QualityEnd::Recovered:
        break;
    }
    return "";
}

QualityWatch::QualityWatch(IMachineClocks* clocks) : m_clocks(clocks != nullptr ? *clocks : m_systemClocks) {}

std::optional<QualityChange> QualityWatch::CheckRecorded(const CheckResult& check)
{
    if (!check.connected) {
        return Told(m_estimator.Disconnected(), check.time, QualityEnd::Outage);
    }
    const auto now = m_clocks.Read().boottime;
    if (m_graceUntil) {
        if (now < *m_graceUntil) {
            return std::nullopt;
        }
        m_graceUntil.reset();
    }
    const double seconds = std::chrono::duration<double>(now).count();
    if (check.echoes) {
        const int sent = check.echoes->sent > 0 ? check.echoes->sent : 0;
        return Told(m_estimator.Connected(seconds, static_cast<std::size_t>(sent), check.echoes->rttsMs),
                    check.time, QualityEnd::Recovered);
    }
    // The one-echo rule, as the reports read a journal without echoes rows: the check's one echo
    // answered when the first target did, else lost.
    if (check.cause.empty() && !check.rttMs) {
        // Answered in a form whose round trip could not be read: neither a loss nor a time.
        return std::nullopt;
    }
    std::vector<double> answered;
    if (check.cause.empty()) {
        answered.push_back(*check.rttMs);
    }
    return Told(m_estimator.Connected(seconds, 1, answered), check.time, QualityEnd::Recovered);
}

std::optional<QualityChange> QualityWatch::Forget(std::time_t at, QualityEnd end)
{
    return Told(m_estimator.Reset(), at, end);
}

std::optional<QualityChange> QualityWatch::Resumed(std::time_t at)
{
    m_graceUntil = m_clocks.Read().boottime + kResumeGrace;
    return Forget(at, QualityEnd::Sleep);
}

std::time_t QualityWatch::Now()
{
    return static_cast<std::time_t>(std::chrono::floor<std::chrono::seconds>(m_clocks.Read().wall).count());
}

std::optional<QualityChange> QualityWatch::Told(const QualityState& state, std::time_t at,
                                                QualityEnd end) const
{
    if (!state.changed) {
        return std::nullopt;
    }
    return QualityChange{at, state.degraded, state.reason, state.degraded ? QualityEnd::None : end};
}

} // namespace pellavane
