#include "engine/quality/degraded_estimator.h"

#include <algorithm>

namespace pellavane {
namespace {

// A median must fall this far below the threshold to leave: round trips wander by a tenth or so
// from check to check, and a median that sits at the threshold must not flap.
constexpr double kRoundTripLeaveShare = 0.8;

LossWindowReach Reach(const LossBounds& bounds)
{
    return {bounds.FewestEchoes(), LossBounds::kFewestSeconds, LossBounds::kMostEchoes};
}

} // namespace

DegradedEstimator::DegradedEstimator(DegradedThresholds thresholds)
    : m_thresholds(thresholds), m_bounds(thresholds.lossPct), m_loss(Reach(m_bounds))
{}

void DegradedEstimator::SetThresholds(DegradedThresholds thresholds)
{
    m_thresholds = thresholds;
    m_bounds = LossBounds(thresholds.lossPct);
    m_loss.SetReach(Reach(m_bounds));
}

QualityState DegradedEstimator::Connected(double seconds, std::size_t sent,
                                          std::span<const double> roundTripsMs)
{
    // More answers than echoes sent is the caller's slip; the answers are the firmer count.
    sent = std::max(sent, roundTripsMs.size());
    m_loss.Add(seconds, sent, sent - roundTripsMs.size());
    for (const double ms : roundTripsMs) {
        m_roundTrips.Add(seconds, ms);
    }

    const std::size_t lost = m_loss.Lost();
    const std::size_t held = m_loss.Sent();
    m_lossy = m_lossy ? !m_bounds.Leaves(lost, held) : m_bounds.Enters(lost, held);
    const double median = m_roundTrips.Median();
    m_slow = m_slow ? median >= kRoundTripLeaveShare * m_thresholds.rttMs
                    : m_roundTrips.Full() && median >= m_thresholds.rttMs;

    const bool degraded = m_lossy || m_slow;
    m_state.changed = degraded != m_state.degraded;
    m_state.degraded = degraded;
    if (m_lossy) {
        m_state.reason = LossReason(lost, held, m_loss.Span());
    } else if (m_slow) {
        m_state.reason = RoundTripReason(median, m_roundTrips.Span());
    } else {
        m_state.reason = {};
    }
    return m_state;
}

QualityState DegradedEstimator::Disconnected()
{
    return Forget();
}

QualityState DegradedEstimator::Reset()
{
    return Forget();
}

QualityState DegradedEstimator::Forget()
{
    m_loss.Clear();
    m_roundTrips.Clear();
    m_lossy = false;
    m_slow = false;
    m_state.changed = m_state.degraded;
    m_state.degraded = false;
    m_state.reason = {};
    return m_state;
}

} // namespace pellavane
