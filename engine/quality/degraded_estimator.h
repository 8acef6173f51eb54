#pragma once

#include "engine/quality/degraded_reason.h"
#include "engine/quality/loss_bounds.h"
#include "engine/quality/loss_window.h"
#include "engine/quality/round_trip_window.h"

#include <cstddef>
#include <span>

namespace pellavane {

/** What makes a connection degraded: the settings DegradedLossPct and DegradedRttMs. */
struct DegradedThresholds
{
    /** Share of the first target's echoes lost, in percent. */
    double lossPct = 5.0;
    /** Median round trip of its answered echoes, in milliseconds. */
    double rttMs = 250.0;
};

/** The estimator's reading after a check. */
struct QualityState
{
    bool degraded = false;
    /** Whether this very call turned it degraded or back. */
    bool changed = false;
    /** Why it is degraded, as of this call; empty when it is not. */
    DegradedReason reason;
};

/** Whether a connected connection is degraded, from the first target's echoes in connected checks.
 *  Two rules, each with its own hysteresis, and degraded while either holds:
 *  - loss: over a window of the most recent echoes (LossBounds), degraded once the loss is at
 *    least the threshold and clearly above half of it, normal again once clearly below it;
 *  - round trip: over the most recent answers (RoundTripWindow), degraded once their median is at
 *    least the threshold, normal again once it is clearly below it.
 *  Memory is bounded by the window, whatever the length of the run. */
class DegradedEstimator
{
public:
    explicit DegradedEstimator(DegradedThresholds thresholds = {});
    /** New thresholds apply from the next check on the evidence already gathered. */
    void SetThresholds(DegradedThresholds thresholds);

    /** One connected check at seconds on a steady clock: sent echoes to the first target and the
     *  round trips of those answered, in sequence order (none when all were lost). */
    QualityState Connected(double seconds, std::size_t sent, std::span<const double> roundTripsMs);
    /** A disconnected check: the outage ends a degraded period, and what came before it says
     *  nothing of the connection that comes back. */
    QualityState Disconnected();
    /** Sleep, the resume grace or the monitor switched off: the evidence is dropped. */
    QualityState Reset();

    /** The reading after the last call; changed as that call left it. */
    const QualityState& State() const { return m_state; }

private:
    QualityState Forget();

    DegradedThresholds m_thresholds;
    LossBounds m_bounds;
    LossWindow m_loss;
    RoundTripWindow m_roundTrips;
    bool m_lossy = false;
    bool m_slow = false;
    QualityState m_state;
};

} // namespace pellavane
