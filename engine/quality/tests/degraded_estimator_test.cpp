#include "engine/quality/degraded_estimator.h"

#include "engine/quality/simulated_link.h"

#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <string>
#include <vector>

namespace pellavane {
namespace {

constexpr double kMinute = 60;
constexpr double kHour = 3600;

// A row's test name from its description: letters and digits, each word capitalised.
template <class Row>
std::string RowName(const testing::TestParamInfo<Row>& info)
{
    std::string name;
    bool capital = true;
    for (const char c : std::string(info.param.what)) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            name += capital ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
        }
        capital = c == ' ';
    }
    return name;
}

struct LossRow
{
    const char* what;
    std::size_t echoes;
    double interval;
    std::vector<LinkPhase> phases;
    /** The state the last phase settles in, within settlesWithin seconds of its start; nullopt: either. */
    std::optional<bool> endsDegraded;
    double settlesWithin;
    std::size_t maxTurns;
};

class SeededLoss : public testing::TestWithParam<LossRow>
{};

TEST_P(SeededLoss, SettlesInTimeWithoutFlapping)
{
    const LossRow& row = GetParam();
    DegradedEstimator estimator;
    SimulatedLink link(20261208, row.interval, row.echoes);
    std::vector<QualityTurn> turns;
    double lastStart = 0;
    for (const LinkPhase& phase : row.phases) {
        lastStart = link.Next();
        const auto some = link.Run(estimator, phase);
        turns.insert(turns.end(), some.begin(), some.end());
    }
    EXPECT_LE(turns.size(), row.maxTurns);
    if (row.endsDegraded) {
        EXPECT_EQ(estimator.State().degraded, *row.endsDegraded);
        for (const QualityTurn& turn : turns) {
            EXPECT_LE(turn.seconds, lastStart + row.settlesWithin) << "turned at " << turn.seconds;
        }
    }
}

LinkPhase Loss(double loss, double seconds)
{
    return {.loss = loss, .seconds = seconds};
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Estimator, SeededLoss, testing::Values(
    LossRow{"steady 1 % never turns, 5 echoes every 10 s", 5, 10, {Loss(0.01, 48 * kHour)}, false, 0, 0},
    LossRow{"steady 1 % never turns, 1 echo every 10 s", 1, 10, {Loss(0.01, 48 * kHour)}, false, 0, 0},
    LossRow{"onset of 10 % is caught within 15 min", 5, 10, {Loss(0.01, kHour), Loss(0.10, kHour)}, true, 15 * kMinute, 1},
    LossRow{"onset of 30 % at 5 echoes a second within 60 s", 5, 1, {Loss(0.01, kHour), Loss(0.30, 10 * kMinute)}, true, 60, 1},
    LossRow{"recovery to no loss within 10 min", 5, 10, {Loss(0.30, 30 * kMinute), Loss(0, 30 * kMinute)}, false, 10 * kMinute, 2},
    LossRow{"recovery to no loss at 5 echoes a second within 2 min", 5, 1, {Loss(0.30, 10 * kMinute), Loss(0, 10 * kMinute)}, false, 2 * kMinute, 2},
    LossRow{"at the threshold at most 2 turns an hour, 5 echoes a second", 5, 1, {Loss(0.05, 24 * kHour)}, std::nullopt, 0, 48},
    LossRow{"at the threshold at most 2 turns an hour, 5 echoes every 10 s", 5, 10, {Loss(0.05, 24 * kHour)}, std::nullopt, 0, 48}),
    RowName<LossRow>);
// clang-format on

// One check of sent echoes to which lost gave no answer and the rest answered in ms.
QualityState Check(DegradedEstimator& estimator, double seconds, std::size_t sent, std::size_t lost,
                   double ms = 20)
{
    const std::vector<double> answers(sent - lost, ms);
    return estimator.Connected(seconds, sent, answers);
}

TEST(DegradedEstimator, ReasonsGiveTheWindowsFiguresAndSpan)
{
    DegradedEstimator lossy;
    // 3 of every 25 echoes lost: 12 % of a window of 250 echoes, 50 checks 10 s apart.
    for (int i = 0; i < 60; ++i) {
        Check(lossy, 10.0 * i, 5, i % 5 == 0 ? 3 : 0);
    }
    EXPECT_TRUE(lossy.State().degraded);
    EXPECT_EQ(lossy.State().reason, (DegradedReason{"loss 12%", "12 % of echoes lost in the last 8 min"}));

    DegradedEstimator slow;
    for (int i = 0; i < 3; ++i) {
        Check(slow, 10.0 * i, 5, 0, 640.4);
    }
    EXPECT_TRUE(slow.State().degraded);
    EXPECT_EQ(slow.State().reason,
              (DegradedReason{"median 640 ms", "median round trip 640 ms in the last 20 s"}));
}

struct RoundTrips
{
    std::size_t checks;
    std::size_t answers;
    double ms;
};

struct RoundTripRow
{
    const char* what;
    std::vector<RoundTrips> runs;
    bool degraded;
    std::size_t turns;
};

class RoundTripRule : public testing::TestWithParam<RoundTripRow>
{};

TEST_P(RoundTripRule, EntersAtTheThresholdAndLeavesClearlyBelow)
{
    const RoundTripRow& row = GetParam();
    DegradedEstimator estimator({.lossPct = 5, .rttMs = 250});
    double seconds = 0;
    std::size_t turns = 0;
    for (const RoundTrips& run : row.runs) {
        for (std::size_t i = 0; i < run.checks; ++i, seconds += 10) {
            turns += Check(estimator, seconds, run.answers, 0, run.ms).changed ? 1 : 0;
        }
    }
    EXPECT_EQ(estimator.State().degraded, row.degraded);
    EXPECT_EQ(turns, row.turns);
}

INSTANTIATE_TEST_SUITE_P(
    Estimator, RoundTripRule,
    testing::Values(
        RoundTripRow{"a full window at the threshold enters", {{3, 5, 250}}, true, 1},
        RoundTripRow{"just under the threshold stays normal", {{3, 5, 249.4}}, false, 0},
        RoundTripRow{"fewer answers than the window stay normal", {{14, 1, 900}}, false, 0},
        RoundTripRow{"a minority of slow answers stays normal", {{8, 1, 20}, {7, 1, 900}}, false, 0},
        RoundTripRow{"a jump is caught on the second check", {{3, 5, 20}, {2, 5, 600}}, true, 1},
        RoundTripRow{"a median still above four fifths stays degraded", {{3, 5, 300}, {3, 5, 210}}, true, 1},
        RoundTripRow{"a median clearly below leaves", {{3, 5, 300}, {3, 5, 190}}, false, 2},
        RoundTripRow{"a return to 20 ms leaves on the second check", {{3, 5, 600}, {2, 5, 20}}, false, 2},
        RoundTripRow{
            "wandering about the threshold turns once", {{3, 5, 260}, {3, 5, 240}, {3, 5, 255}}, true, 1}),
    RowName<RoundTripRow>);

enum class Forget
{
    Reset,
    Disconnected
};

QualityState Apply(DegradedEstimator& estimator, Forget how)
{
    return how == Forget::Reset ? estimator.Reset() : estimator.Disconnected();
}

class Forgetting : public testing::TestWithParam<Forget>
{};

TEST_P(Forgetting, EndsADegradedPeriodAndOnlyThen)
{
    DegradedEstimator estimator;
    for (int i = 0; i < 10; ++i) {
        Check(estimator, i, 5, 5);
    }
    ASSERT_TRUE(estimator.State().degraded);
    const QualityState ended = Apply(estimator, GetParam());
    EXPECT_TRUE(ended.changed);
    EXPECT_FALSE(ended.degraded);
    EXPECT_TRUE(ended.reason.brief.empty());
    EXPECT_FALSE(Apply(estimator, GetParam()).changed);
    EXPECT_FALSE(Check(estimator, 20, 5, 0).degraded);
}

TEST_P(Forgetting, DropsTheLossAndRoundTripsBeforeIt)
{
    // How many checks with 2 of 5 echoes lost turn a clean full window degraded.
    const auto feed = [](DegradedEstimator& estimator, int lossyChecks) {
        for (int i = 0; i < 50; ++i) {
            Check(estimator, i, 5, 0);
        }
        for (int i = 0; i < lossyChecks; ++i) {
            Check(estimator, 50 + i, 5, 2);
        }
    };
    DegradedEstimator control;
    feed(control, 0);
    int enteringCheck = 0;
    while (!Check(control, 50 + enteringCheck, 5, 2).degraded) {
        ++enteringCheck;
    }
    DegradedEstimator lossy;
    feed(lossy, enteringCheck);
    Apply(lossy, GetParam());
    EXPECT_FALSE(Check(lossy, 100, 5, 2).degraded);

    DegradedEstimator slow;
    for (int i = 0; i < 14; ++i) {
        Check(slow, i, 1, 0, 900);
    }
    Apply(slow, GetParam());
    EXPECT_FALSE(Check(slow, 20, 1, 0, 900).degraded);
}

INSTANTIATE_TEST_SUITE_P(Estimator, Forgetting, testing::Values(Forget::Reset, Forget::Disconnected),
                         [](const testing::TestParamInfo<Forget>& info) {
                             return info.param == Forget::Reset ? "Reset" : "Disconnected";
                         });

// Each resume from sleep starts over on few echoes, where a chance cluster of loss weighs most.
TEST(DegradedEstimator, ResetsAtALowLossRaiseNoAlarm)
{
    DegradedEstimator estimator;
    SimulatedLink link(20261208, 10, 5);
    std::size_t turns = 0;
    for (int night = 0; night < 500; ++night) {
        estimator.Reset();
        turns += link.Run(estimator, {.loss = 0.01, .seconds = 10 * kMinute}).size();
    }
    EXPECT_EQ(turns, 0u);
}

TEST(DegradedEstimator, NewThresholdsApplyFromTheNextCheck)
{
    DegradedEstimator estimator;
    for (int i = 0; i < 60; ++i) {
        Check(estimator, 10.0 * i, 5, i % 5 == 0 ? 3 : 0, 150);
    }
    ASSERT_TRUE(estimator.State().degraded);
    estimator.SetThresholds({.lossPct = 50, .rttMs = 250});
    const QualityState relaxed = Check(estimator, 600, 5, 0, 150);
    EXPECT_TRUE(relaxed.changed);
    EXPECT_FALSE(relaxed.degraded);

    estimator.SetThresholds({.lossPct = 50, .rttMs = 100});
    EXPECT_EQ(Check(estimator, 610, 5, 0, 150).reason.brief, "median 150 ms");
}

} // namespace
} // namespace pellavane
