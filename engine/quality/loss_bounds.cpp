#include "engine/quality/loss_bounds.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pellavane {
namespace {

// A window expects this many lost echoes at the threshold (250 echoes at 5 %). Fewer makes the
// bounds too wide to tell 1 % from 5 %; more makes the window slow to forget a loss that has ended.
constexpr double kLostAtThreshold = 12.5;
// Enough for a few checks of the most echoes, however high the threshold.
constexpr std::size_t kFewestWindowEchoes = 60;
// Fewer echoes than this say too little after a reset: a burst of loss is not independent loss.
constexpr std::size_t kFewestEchoesToDecide = 20;
// One-sided error of each bound: the chance that one window at half the threshold reads as
// degraded, and that one at the threshold reads as normal. Smaller errors alarm less at a low loss
// and flap less at the threshold, but notice a loss, and its end, later.
constexpr double kEnterError = 2e-3;
constexpr double kLeaveError = 3e-3;
// Marks bounds not yet worked out.
constexpr std::size_t kUnknown = std::numeric_limits<std::size_t>::max();

double LogBinomial(std::size_t n, std::size_t k, double logP, double logQ)
{
    const double dn = static_cast<double>(n);
    const double dk = static_cast<double>(k);
    return std::lgamma(dn + 1) - std::lgamma(dk + 1) - std::lgamma(dn - dk + 1) + dk * logP +
           (dn - dk) * logQ;
}

// The fewest lost of n whose chance, at a true loss of p, is at most error: P(X >= k) <= error.
std::size_t UpperBound(std::size_t n, double p, double error)
{
    const double logP = std::log(p);
    const double logQ = std::log1p(-p);
    double below = 0; // P(X < k)
    for (std::size_t k = 0; k <= n; ++k) {
        if (1.0 - below <= error) {
            return k;
        }
        below += std::exp(LogBinomial(n, k, logP, logQ));
    }
    return n + 1;
}

// The number of lost of n below which the chance, at a true loss of p, is at most error:
// P(X <= k - 1) <= error; 0 when even no loss is that unlikely.
std::size_t LowerBound(std::size_t n, double p, double error)
{
    const double logP = std::log(p);
    const double logQ = std::log1p(-p);
    double atMost = 0; // P(X <= k)
    for (std::size_t k = 0; k <= n; ++k) {
        atMost += std::exp(LogBinomial(n, k, logP, logQ));
        if (atMost > error) {
            return k;
        }
    }
    return n + 1;
}

} // namespace

LossBounds::LossBounds(double thresholdPct)
    : m_threshold(std::clamp(thresholdPct, 0.5, 99.0) / 100.0),
      m_fewestEchoes(std::clamp(static_cast<std::size_t>(std::lround(kLostAtThreshold / m_threshold)),
                                kFewestWindowEchoes, kMostEchoes))
{}

bool LossBounds::Enters(std::size_t lost, std::size_t sent) const
{
    return lost >= At(sent).enterAt;
}

bool LossBounds::Leaves(std::size_t lost, std::size_t sent) const
{
    return lost < At(sent).leaveBelow;
}

const LossBounds::Counts& LossBounds::At(std::size_t sent) const
{
    static const Counts undecided{kUnknown, 0};
    if (sent < kFewestEchoesToDecide || sent > kMostEchoes) {
        return undecided;
    }
    if (sent >= m_counts.size()) {
        m_counts.resize(sent + 1, Counts{kUnknown, 0});
    }
    Counts& counts = m_counts[sent];
    if (counts.enterAt == kUnknown) {
        const auto atThreshold =
            static_cast<std::size_t>(std::ceil(m_threshold * static_cast<double>(sent) - 1e-9));
        counts.enterAt = std::max(UpperBound(sent, m_threshold / 2, kEnterError), atThreshold);
        counts.leaveBelow = LowerBound(sent, m_threshold, kLeaveError);
    }
    return counts;
}

} // namespace pellavane
