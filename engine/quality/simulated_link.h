#pragma once

#include "engine/quality/degraded_estimator.h"

#include <cstdint>
#include <random>
#include <vector>

namespace pellavane {

/** A stretch of time over which the simulated first target behaves the same. */
struct LinkPhase
{
    /** Chance that each echo is lost, on its own. */
    double loss = 0.0;
    double seconds = 0.0;
    double rttMs = 20.0;
    /** Each answer's round trip is spread evenly over rttMs times 1 plus or minus this share. */
    double rttSpread = 0.0;
};

/** A turn of the estimator, seconds after the link's first check. */
struct QualityTurn
{
    double seconds;
    bool degraded;
};

/** A simulated first target for tests and benchmarks, checked at a steady interval while
 *  connected: the same seed gives the same echoes. Sends nothing anywhere. */
class SimulatedLink
{
public:
    SimulatedLink(std::uint64_t seed, double intervalSeconds, std::size_t echoesPerCheck)
        : m_random(seed), m_interval(intervalSeconds), m_echoes(echoesPerCheck)
    {}

    /** Feeds the checks of one phase to the estimator; returns its turns. */
    std::vector<QualityTurn> Run(DegradedEstimator& estimator, const LinkPhase& phase)
    {
        std::vector<QualityTurn> turns;
        const double end = m_next + phase.seconds;
        for (; m_next < end; m_next += m_interval) {
            m_roundTrips.clear();
            for (std::size_t i = 0; i < m_echoes; ++i) {
                if (Uniform() >= phase.loss) {
                    const double spread =
                        phase.rttSpread == 0.0 ? 0.0 : phase.rttSpread * (2 * Uniform() - 1);
                    m_roundTrips.push_back(phase.rttMs * (1 + spread));
                }
            }
            const QualityState state = estimator.Connected(m_next, m_echoes, m_roundTrips);
            if (state.changed) {
                turns.push_back({m_next, state.degraded});
            }
        }
        return turns;
    }

    /** When the next check falls, in seconds after the first. */
    double Next() const { return m_next; }

private:
    double Uniform() { return std::generate_canonical<double, 53>(m_random); }

    std::mt19937_64 m_random;
    double m_interval;
    std::size_t m_echoes;
    double m_next = 0.0;
    std::vector<double> m_roundTrips;
};

} // namespace pellavane
