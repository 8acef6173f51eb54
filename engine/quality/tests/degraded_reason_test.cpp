#include "engine/quality/degraded_reason.h"

#include <gtest/gtest.h>

namespace pellavane {
namespace {

struct ReasonRow
{
    DegradedReason reason;
    DegradedReason expected;
};

class Reasons : public testing::TestWithParam<ReasonRow>
{};

TEST_P(Reasons, RoundFiguresAndSayTheSpan)
{
    EXPECT_EQ(GetParam().reason, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Wording, Reasons,
    testing::Values(
        ReasonRow{LossReason(30, 250, 600), {"loss 12%", "12 % of echoes lost in the last 10 min"}},
        ReasonRow{LossReason(1, 8, 0.2), {"loss 13%", "13 % of echoes lost in the last check"}},
        ReasonRow{LossReason(5, 5, 45), {"loss 100%", "100 % of echoes lost in the last 45 s"}},
        ReasonRow{LossReason(16, 250, 89.6), {"loss 6%", "6 % of echoes lost in the last 90 s"}},
        ReasonRow{LossReason(16, 250, 5399), {"loss 6%", "6 % of echoes lost in the last 90 min"}},
        ReasonRow{LossReason(16, 250, 7200), {"loss 6%", "6 % of echoes lost in the last 2 h"}},
        ReasonRow{RoundTripReason(639.6, 20),
                  {"median 640 ms", "median round trip 640 ms in the last 20 s"}}));

} // namespace
} // namespace pellavane
