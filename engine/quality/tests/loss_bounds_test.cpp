#include "engine/quality/loss_bounds.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pellavane {
namespace {

struct ThresholdRow
{
    double setting;
    /** The threshold the bounds work with, after clamping. */
    double pct;
};

class LossBoundsAt : public testing::TestWithParam<ThresholdRow>
{
protected:
    std::size_t Share(double pct, std::size_t sent) const
    {
        return static_cast<std::size_t>(std::ceil(pct / 100 * static_cast<double>(sent) - 1e-9));
    }
};

TEST_P(LossBoundsAt, AFullWindowDecidesBothWaysAroundTheThreshold)
{
    const LossBounds bounds(GetParam().setting);
    const double pct = GetParam().pct;
    const std::size_t window = bounds.FewestEchoes();
    EXPECT_TRUE(bounds.Leaves(0, window)) << "a clean window must leave";
    EXPECT_FALSE(bounds.Leaves(Share(pct, window), window));
    EXPECT_TRUE(bounds.Enters(std::min(window, Share(2 * pct, window)), window));
    EXPECT_FALSE(bounds.Enters(Share(pct / 2, window), window));
}

TEST_P(LossBoundsAt, NeverEntersBelowTheThresholdNorOnFewEchoes)
{
    const LossBounds bounds(GetParam().setting);
    for (std::size_t sent = 20; sent <= bounds.FewestEchoes() + 100; sent += 7) {
        EXPECT_FALSE(bounds.Enters(Share(GetParam().pct, sent) - 1, sent)) << sent << " echoes";
    }
    EXPECT_FALSE(bounds.Enters(19, 19));
    EXPECT_TRUE(bounds.Enters(20, 20));
}

INSTANTIATE_TEST_SUITE_P(Thresholds, LossBoundsAt,
                         testing::Values(ThresholdRow{0, 0.5}, ThresholdRow{1, 1}, ThresholdRow{5, 5},
                                         ThresholdRow{20, 20}, ThresholdRow{50, 50}, ThresholdRow{100, 99}));

} // namespace
} // namespace pellavane
