// The degraded-connection estimator on a seeded simulated link: false alarms at a steady low loss,
// the time to notice a loss and its end, flapping at the threshold, and a jump of the round trip.
// Every trial has its own fixed seed, so the figures are the same on every run. Prints rows of
// run-all.sh's table and the same figures for people.

#include "engine/quality/simulated_link.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace pellavane;

constexpr int kTrials = 100;
constexpr double kMinute = 60;
constexpr double kHour = 3600;
constexpr double kDay = 24 * kHour;

struct Rate
{
    std::size_t echoes;
    double interval;
    std::string Name() const
    {
        return std::to_string(echoes) + (echoes == 1 ? " echo" : " echoes") + " every " +
               std::to_string(static_cast<int>(interval)) + " s";
    }
};

std::uint64_t Seed(int figure, int trial)
{
    return 20261208u + 1000u * static_cast<std::uint64_t>(figure) + static_cast<std::uint64_t>(trial);
}

std::string Seconds(double s)
{
    char text[32];
    std::snprintf(text, sizeof text, s < 120 ? "%.0f s" : "%.1f min", s < 120 ? s : s / kMinute);
    return text;
}

struct Figure
{
    std::string what;
    std::string measured;
    std::string goal;
    /** nullopt for a figure that is only reported. */
    std::optional<bool> met;
};
std::vector<Figure> figures;

void Row(const std::string& what, const std::string& measured, const std::string& goal,
         std::optional<bool> met)
{
    figures.push_back({what, measured, met ? goal : "report", met});
}

int TurnsTo(const std::vector<QualityTurn>& turns, bool degraded)
{
    return static_cast<int>(std::count_if(turns.begin(), turns.end(),
                                          [&](const QualityTurn& t) { return t.degraded == degraded; }));
}

void FalseAlarms(int figure, Rate rate)
{
    int periods = 0;
    for (int trial = 0; trial < kTrials; ++trial) {
        DegradedEstimator estimator;
        SimulatedLink link(Seed(figure, trial), rate.interval, rate.echoes);
        periods += TurnsTo(link.Run(estimator, {.loss = 0.01, .seconds = 30 * kDay}), true);
    }
    Row("false alarms, 1 % loss, " + rate.Name() + ", 100 x 30 days", std::to_string(periods) + " periods",
        "<= 10 periods", periods <= 10);
}

// Seconds from the start of the phase to the first turn to the wanted state, or -1.
double Delay(const std::vector<QualityTurn>& turns, double start, bool degraded)
{
    for (const QualityTurn& turn : turns) {
        if (turn.degraded == degraded) {
            return turn.seconds - start;
        }
    }
    return -1;
}

struct Delays
{
    int within = 0;
    double worst = 0;
    /** delay is negative for a turn that never came. */
    void Add(double delay, double bound)
    {
        within += delay >= 0 && delay <= bound ? 1 : 0;
        worst = std::max(worst, delay < 0 ? std::numeric_limits<double>::infinity() : delay);
    }
    std::string Text() const
    {
        return std::to_string(within) + "/100, worst " + (std::isinf(worst) ? "never" : Seconds(worst));
    }
};

// A loss begins after an hour at 1 %, lasts half an hour and ends, either altogether or back to
// 1 %: how soon each is noticed. The goal is for a loss that ends altogether; the other is reported.
void OnsetAndEnd(int figure, Rate rate, double loss, double onsetBound, double endBound)
{
    Delays onset;
    Delays end;
    Delays endToLow;
    int degradedAtOnset = 0;
    for (int trial = 0; trial < kTrials; ++trial) {
        DegradedEstimator estimator;
        SimulatedLink link(Seed(figure, trial), rate.interval, rate.echoes);
        link.Run(estimator, {.loss = 0.01, .seconds = kHour});
        const bool early = estimator.State().degraded;
        degradedAtOnset += early ? 1 : 0;
        double start = link.Next();
        const auto turns = link.Run(estimator, {.loss = loss, .seconds = 30 * kMinute});
        onset.Add(early ? 0 : Delay(turns, start, true), onsetBound);

        start = link.Next();
        DegradedEstimator estimatorToLow = estimator;
        SimulatedLink linkToLow = link;
        end.Add(Delay(link.Run(estimator, {.loss = 0, .seconds = 30 * kMinute}), start, false), endBound);
        endToLow.Add(
            Delay(linkToLow.Run(estimatorToLow, {.loss = 0.01, .seconds = 30 * kMinute}), start, false),
            endBound);
    }
    const std::string pct = std::to_string(static_cast<int>(loss * 100 + 0.5)) + " %";
    // A trial already degraded when the loss begins counts as caught at once, and is told apart.
    const std::string early = degradedAtOnset > 0 ? ", " + std::to_string(degradedAtOnset) + " early" : "";
    Row("detection, 1 % then " + pct + " loss, " + rate.Name(), onset.Text() + early,
        ">= 99/100 within " + Seconds(onsetBound), onset.within >= 99);
    Row("recovery, " + pct + " then no loss, " + rate.Name(), end.Text(),
        "100/100 within " + Seconds(endBound), end.within == kTrials);
    Row("recovery, " + pct + " then 1 % loss, " + rate.Name(), endToLow.Text(), "", std::nullopt);
}

void Flapping(int figure, Rate rate)
{
    int turns = 0;
    for (int trial = 0; trial < kTrials; ++trial) {
        DegradedEstimator estimator;
        SimulatedLink link(Seed(figure, trial), rate.interval, rate.echoes);
        turns += static_cast<int>(link.Run(estimator, {.loss = 0.05, .seconds = kDay}).size());
    }
    const double perHour = turns / (kTrials * 24.0);
    char measured[48];
    std::snprintf(measured, sizeof measured, "%.2f changes an hour", perHour);
    Row("flapping, 5 % loss (the threshold), " + rate.Name() + ", 100 x 24 h", measured, "<= 2 an hour",
        perHour <= 2);
}

// The median round trip jumps from 20 ms to 600 ms and back, at 1 % loss, each answer spread by 20 %.
void RoundTripJump(int figure, Rate rate, double endBound)
{
    int worstChecks = 0;
    int missed = 0;
    Delays end;
    for (int trial = 0; trial < kTrials; ++trial) {
        DegradedEstimator estimator;
        SimulatedLink link(Seed(figure, trial), rate.interval, rate.echoes);
        link.Run(estimator, {.loss = 0.01, .seconds = kHour, .rttMs = 20, .rttSpread = 0.2});
        double start = link.Next();
        const double onset = Delay(
            link.Run(estimator, {.loss = 0.01, .seconds = 30 * kMinute, .rttMs = 600, .rttSpread = 0.2}),
            start, true);
        missed += onset < 0 ? 1 : 0;
        worstChecks = std::max(worstChecks, static_cast<int>(onset / rate.interval) + 1);
        start = link.Next();
        end.Add(
            Delay(link.Run(estimator, {.loss = 0.01, .seconds = 30 * kMinute, .rttMs = 20, .rttSpread = 0.2}),
                  start, false),
            endBound);
    }
    Row("round trip 20 -> 600 ms, " + rate.Name(),
        missed > 0 ? std::to_string(missed) + " missed" : "within " + std::to_string(worstChecks) + " checks",
        "within 3 checks", missed == 0 && worstChecks <= 3);
    Row("round trip 600 -> 20 ms, " + rate.Name(), end.Text(), "100/100 within " + Seconds(endBound),
        end.within == kTrials);
}

} // namespace

int main()
{
    const Rate slow{5, 10};
    const Rate fast{5, 1};
    const Rate single{1, 10};
    FalseAlarms(1, slow);
    FalseAlarms(2, single);
    OnsetAndEnd(3, slow, 0.10, 15 * kMinute, 10 * kMinute);
    OnsetAndEnd(4, fast, 0.30, 60, 2 * kMinute);
    OnsetAndEnd(5, slow, 0.30, 15 * kMinute, 10 * kMinute);
    Flapping(6, slow);
    Flapping(7, fast);
    Flapping(8, single);
    RoundTripJump(9, slow, 10 * kMinute);
    RoundTripJump(10, fast, 2 * kMinute);

    for (const Figure& f : figures) {
        std::printf("TABLE|%s|%s|||%s\n", f.what.c_str(), f.measured.c_str(), f.goal.c_str());
    }
    std::printf("\n%-68s %-28s %-26s\n", "figure", "measured", "goal");
    for (const Figure& f : figures) {
        std::printf("%-68s %-28s %-26s %s\n", f.what.c_str(), f.measured.c_str(), f.goal.c_str(),
                    !f.met   ? ""
                    : *f.met ? "met"
                             : "MISSED");
    }
    return 0;
}
