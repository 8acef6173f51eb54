#include "engine/monitor/sleep_watch.h"

#include "testsupport/fake_clocks.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace pellavane {
namespace {

using namespace std::chrono_literals;

using pellavane::testing::FakeClocks;

} // namespace

void PrintTo(CheckVerdict verdict, std::ostream* out)
{
    const char* names[] = {"Record", "RecordAfterResume", "Retry", "Drop"};
    *out << names[static_cast<int>(verdict)];
}

namespace {

struct Rows : ISleepObserver
{
    std::vector<std::string> rows;
    void MachineSlept(std::time_t began) override { rows.push_back("sleep " + std::to_string(began)); }
    void MachineResumed(std::time_t at) override { rows.push_back("resume " + std::to_string(at)); }
    void WallClockStepped(std::time_t at, long long by) override
    {
        rows.push_back("clock " + std::to_string(at) + " " + std::to_string(by));
    }
};

class SleepWatchTest : public ::testing::Test
{
protected:
    std::string At(const char* event, std::time_t t) const
    {
        return std::string(event) + " " + std::to_string(t);
    }
    /** One check that takes awake seconds and ends connected or not. */
    CheckVerdict Check(bool connected, std::chrono::seconds takes = 1s)
    {
        const CheckTicket ticket = watch.CheckStarting();
        clocks.Awake(takes);
        return watch.CheckEnded(ticket, connected);
    }

    FakeClocks clocks;
    Rows observer;
    SleepWatch watch{clocks, observer};
};

TEST_F(SleepWatchTest, TicksAndChecksWhileAwakeTellNothing)
{
    for (int i = 0; i < 100; ++i) {
        clocks.Awake(1s);
        watch.Look();
        EXPECT_EQ(Check(i % 2 == 0), CheckVerdict::Record);
    }
    EXPECT_TRUE(observer.rows.empty());
}

TEST_F(SleepWatchTest, SleepFoundFromTheClocksIsDatedWhenItBeganAndStartsTheGrace)
{
    clocks.Awake(1s);
    watch.Look();
    const std::time_t lastLook = clocks.Wall();
    clocks.Awake(300ms);
    clocks.Asleep(5s);
    clocks.Awake(200ms);
    watch.Look();
    // The sleep began at the latest once all the awake time since the last look had passed.
    EXPECT_EQ(observer.rows, (std::vector<std::string>{At("sleep", lastLook), At("resume", clocks.Wall())}));
    EXPECT_EQ(Check(false), CheckVerdict::Retry);
}

TEST_F(SleepWatchTest, ACheckSpanningASleepIsDroppedWhetherToldOrFoundFromTheClocks)
{
    CheckTicket ticket = watch.CheckStarting();
    clocks.Awake(1s);
    clocks.Asleep(3600s);
    EXPECT_EQ(watch.CheckEnded(ticket, false), CheckVerdict::Drop);

    ticket = watch.CheckStarting();
    watch.PreparingForSleep();
    EXPECT_FALSE(watch.MayCheck());
    clocks.Asleep(10s);
    watch.Resumed();
    EXPECT_EQ(watch.CheckEnded(ticket, true), CheckVerdict::Drop);
    EXPECT_TRUE(watch.MayCheck());
    EXPECT_EQ(observer.rows.size(), 4U);
}

TEST_F(SleepWatchTest, ASignalledSleepIsToldOnceWhicheverSeesTheResumeFirst)
{
    const std::time_t fellAsleep = clocks.Wall();
    watch.PreparingForSleep();
    watch.PreparingForSleep();
    clocks.Asleep(20s);
    watch.Look(); // the first tick after waking comes before the resume signal
    EXPECT_TRUE(watch.MayCheck());
    watch.Resumed();
    EXPECT_EQ(observer.rows,
              (std::vector<std::string>{At("sleep", fellAsleep), At("resume", clocks.Wall())}));

    observer.rows.clear();
    watch.PreparingForSleep();
    clocks.Asleep(20s);
    watch.Resumed(); // the signal first: the gap is not found again
    clocks.Awake(1s);
    watch.Look();
    watch.Resumed();
    EXPECT_EQ(observer.rows.size(), 2U);
}

TEST_F(SleepWatchTest, ASleepWhoseResumeIsNeverToldEndsWhenTheMachineIsPlainlyAwake)
{
    watch.PreparingForSleep();
    for (int i = 0; i < 59; ++i) {
        clocks.Awake(1s);
        EXPECT_FALSE(watch.MayCheck());
    }
    clocks.Awake(2s);
    EXPECT_TRUE(watch.MayCheck());
    EXPECT_EQ(observer.rows.size(), 2U);
}

struct StepCase
{
    std::chrono::milliseconds step;
    std::vector<long long> told;
};

TEST_F(SleepWatchTest, AWallClockStepOfMoreThanTwoSecondsIsAClockRow)
{
    const StepCase cases[] = {
        {3600'000ms, {3600}}, {-5000ms, {-5}}, {2000ms, {}}, {-2000ms, {}}, {2600ms, {3}}, {0ms, {}},
    };
    for (const auto& c : cases) {
        observer.rows.clear();
        clocks.Awake(1s);
        clocks.Step(c.step);
        EXPECT_EQ(Check(false), CheckVerdict::Record);
        std::vector<std::string> expected;
        for (const long long by : c.told) {
            expected.push_back("clock " + std::to_string(clocks.Wall() - 1) + " " + std::to_string(by));
        }
        EXPECT_EQ(observer.rows, expected) << c.step.count() << " ms";
    }
    // Asleep the wall clock runs on with the boot clock: that is no step.
    observer.rows.clear();
    clocks.Asleep(7200s);
    watch.Look();
    EXPECT_EQ(observer.rows.size(), 2U);
}

/** A check made at a time after the resume, and what the watch says of it. */
struct GraceStep
{
    std::chrono::seconds at;
    bool connected;
    CheckVerdict verdict;
};

TEST_F(SleepWatchTest, AfterAResumeAFailingCheckIsTriedEveryFiveSecondsForThirtyBeforeItIsRecorded)
{
    using V = CheckVerdict;
    const std::vector<std::vector<GraceStep>> tables = {
        // Wi-Fi back after 6 s: no outage.
        {{0s, false, V::Retry}, {5s, false, V::Retry}, {10s, true, V::Record}, {35s, false, V::Record}},
        // Still down after the grace: one record, marked as confirmed by it.
        {{0s, false, V::Retry},
         {5s, false, V::Retry},
         {10s, false, V::Retry},
         {15s, false, V::Retry},
         {20s, false, V::Retry},
         {25s, false, V::Retry},
         {30s, false, V::RecordAfterResume},
         {35s, false, V::Record}},
        // The first failure after the grace is an outage at once.
        {{2s, true, V::Record}, {31s, false, V::Record}},
    };
    for (const auto& steps : tables) {
        clocks.Awake(1s);
        watch.PreparingForSleep();
        clocks.Asleep(60s);
        watch.Resumed();
        const auto resumed = clocks.Read().boottime;
        for (const auto& step : steps) {
            const auto now = clocks.Read().boottime - resumed;
            clocks.Awake(step.at - std::chrono::duration_cast<std::chrono::seconds>(now));
            const CheckTicket ticket = watch.CheckStarting();
            EXPECT_EQ(watch.CheckEnded(ticket, step.connected), step.verdict) << step.at.count() << " s";
            if (step.verdict == V::Retry) {
                clocks.Awake(4s);
                EXPECT_FALSE(watch.RetryDue());
                clocks.Awake(1s);
                EXPECT_TRUE(watch.RetryDue());
            }
        }
        EXPECT_FALSE(watch.RetryDue());
    }
}

TEST_F(SleepWatchTest, ASleepCancelsAPendingRetryAndWithoutAResumeAFailureIsRecordedAtOnce)
{
    EXPECT_EQ(Check(false), CheckVerdict::Record);
    watch.PreparingForSleep();
    clocks.Asleep(60s);
    watch.Resumed();
    EXPECT_EQ(Check(false), CheckVerdict::Retry);
    watch.PreparingForSleep();
    clocks.Asleep(60s);
    clocks.Awake(10s);
    EXPECT_FALSE(watch.RetryDue());
}

} // namespace
} // namespace pellavane
