#pragma once

#include "core/machine_clocks.h"
#include "engine/check/check_result.h"
#include "engine/monitor/monitor_listener.h"
#include "engine/quality/degraded_estimator.h"

#include <chrono>
#include <ctime>
#include <optional>

namespace pellavane {

/** The schedule's reading of whether the connection is degraded: it feeds the estimator from each
 *  recorded check and drops the evidence where the outage logic does not trust the checks either
 *  (sleep, the grace after a resume, logging switched off). Times are on the boot clock, which a
 *  step of the wall clock does not move. */
class QualityWatch
{
public:
    /** clocks nullptr: the machine's own. */
    explicit QualityWatch(IMachineClocks* clocks = nullptr);

    void SetThresholds(DegradedThresholds thresholds) { m_estimator.SetThresholds(thresholds); }

    /** One recorded check. A connected check feeds its first target's echoes; one without them
     *  counts as one echo, answered when the first target answered (an empty cause), else lost. A
     *  disconnected check ends a degraded period. nullopt when nothing changed. */
    std::optional<QualityChange> CheckRecorded(const CheckResult& check);
    /** The machine slept at began, or logging was switched off: the evidence is dropped. */
    std::optional<QualityChange> Forget(std::time_t at, QualityEnd end);
    /** The machine woke: the evidence is dropped, and the checks of the resume grace are left out,
     *  since Wi-Fi reconnecting then loses echoes that say nothing of the connection. */
    std::optional<QualityChange> Resumed(std::time_t at);
    /** Wall-clock now, for changes that no check dates. */
    std::time_t Now();

    bool Degraded() const { return m_estimator.State().degraded; }
    const DegradedReason& Reason() const { return m_estimator.State().reason; }

private:
    std::optional<QualityChange> Told(const QualityState& state, std::time_t at, QualityEnd end) const;

    SystemMachineClocks m_systemClocks;
    IMachineClocks& m_clocks;
    DegradedEstimator m_estimator;
    std::optional<std::chrono::nanoseconds> m_graceUntil;
};

} // namespace pellavane
