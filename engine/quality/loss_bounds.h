#pragma once

#include <cstddef>
#include <vector>

namespace pellavane {

/** For one loss threshold, how far back the loss window reaches and how many of n echoes must be
 *  lost to turn degraded or may be lost to turn normal again. Both are one-sided binomial bounds:
 *  a window turns degraded when its loss is at least the threshold and clearly more than half of
 *  it, and normal only when its loss is clearly below the threshold, so a loss that sits at the
 *  threshold keeps whichever state it has. */
class LossBounds
{
public:
    /** The window never holds more echoes than this, whatever the rate of checks. */
    static constexpr std::size_t kMostEchoes = 5000;
    /** Nor reaches back less than this many seconds: at a high rate of checks a window of few
     *  seconds would meet many chance peaks an hour and flap. */
    static constexpr double kFewestSeconds = 90;

    /** thresholdPct is clamped to 0.5 to 99: a window of kMostEchoes cannot tell a lower loss from
     *  none, and a threshold of 100 % leaves nothing to test. */
    explicit LossBounds(double thresholdPct);

    /** Echoes the window reaches back over at least: enough to expect the same number of lost
     *  echoes at every threshold, which keeps the bounds equally sharp at 1 % and at 20 %. */
    std::size_t FewestEchoes() const { return m_fewestEchoes; }
    /** Whether lost of sent echoes is enough to turn degraded. */
    bool Enters(std::size_t lost, std::size_t sent) const;
    /** Whether lost of sent echoes is few enough to turn normal again. */
    bool Leaves(std::size_t lost, std::size_t sent) const;

private:
    struct Counts
    {
        /** The fewest lost that enter; more than sent where none do. */
        std::size_t enterAt;
        /** One more than the most lost that leave; 0 where none do. */
        std::size_t leaveBelow;
    };
    /** The bounds for sent echoes, worked out on first use: a window's size stays within a few
     *  checks of the same number, so only a handful are ever needed. */
    const Counts& At(std::size_t sent) const;

    double m_threshold;
    std::size_t m_fewestEchoes;
    mutable std::vector<Counts> m_counts;
};

} // namespace pellavane
