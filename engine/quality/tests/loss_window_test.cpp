#include "engine/quality/loss_window.h"

#include <gtest/gtest.h>

#include <vector>

namespace pellavane {
namespace {

struct Check
{
    double seconds;
    std::size_t sent;
    std::size_t lost;
};

struct WindowRow
{
    const char* what;
    LossWindowReach reach;
    std::vector<Check> checks;
    std::size_t sent;
    std::size_t lost;
    double span;
};

class LossWindowReaches : public testing::TestWithParam<WindowRow>
{};

TEST_P(LossWindowReaches, KeepsTheNewestChecksItNeeds)
{
    const WindowRow& row = GetParam();
    LossWindow window(row.reach);
    for (const Check& check : row.checks) {
        window.Add(check.seconds, check.sent, check.lost);
    }
    EXPECT_EQ(window.Sent(), row.sent);
    EXPECT_EQ(window.Lost(), row.lost);
    EXPECT_EQ(window.Span(), row.span);
}

const std::vector<Check> kFourChecks = {{0, 5, 1}, {10, 5, 0}, {20, 5, 0}, {30, 5, 2}};

INSTANTIATE_TEST_SUITE_P(
    Reach, LossWindowReaches,
    testing::Values(
        WindowRow{"the fewest whole checks that hold enough echoes", {10, 0, 100}, kFourChecks, 10, 2, 10},
        WindowRow{"over at least the seconds", {10, 25, 100}, kFourChecks, 20, 3, 30},
        WindowRow{"no more than the most echoes", {10, 1000, 12}, kFourChecks, 10, 2, 10},
        WindowRow{"a check larger than the window scaled down", {5, 0, 10}, {{0, 20, 10}}, 10, 5, 0},
        WindowRow{"more lost than sent counted as all", {5, 0, 10}, {{0, 5, 9}}, 5, 5, 0}));

TEST(LossWindow, ANarrowerReachDropsTheOldestAndClearEmpties)
{
    LossWindow window({100, 0, 100});
    for (const Check& check : kFourChecks) {
        window.Add(check.seconds, check.sent, check.lost);
    }
    window.SetReach({5, 0, 100});
    EXPECT_EQ(window.Sent(), 5u);
    EXPECT_EQ(window.Lost(), 2u);
    window.Clear();
    window.Add(40, 5, 1);
    EXPECT_EQ(window.Lost(), 1u);
    EXPECT_EQ(window.Span(), 0);
}

} // namespace
} // namespace pellavane
