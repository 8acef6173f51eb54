#include "engine/monitor/schedule.h"

#include "engine/monitor/recorder.h"
#include "engine/monitor/window_controls.h"
#include "settings/settings.h"

#include "testsupport/fake_clocks.h"
#include "testsupport/monitor_fakes.h"
#include "testsupport/recording_reporter.h"
#include "testsupport/settings_fakes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace pellavane {
namespace {

using namespace std::chrono_literals;
using pellavane::testing::FakeClocks;
using pellavane::testing::FakeSettings;
using pellavane::testing::FakeTimer;
using pellavane::testing::QuietView;
using pellavane::testing::RecordingReporter;

/** A first target that loses each of its echoes on its own, from a seed, at the share the test
 *  sets; a silent link gives disconnected checks. Each check is dated by the fake wall clock. */
class LossyRecorder : public IStatusRecorder
{
public:
    explicit LossyRecorder(FakeClocks& clocks) : m_clocks(clocks) {}
    CheckResult RecordStatus() override
    {
        CheckResult check;
        check.time = m_clocks.Wall();
        check.connected = connected;
        if (!connected) {
            check.cause = "targets silent";
            return check;
        }
        if (echoes == 0) {
            // A check that says nothing of its echoes: the first target answered or it did not.
            const bool lost = std::generate_canonical<double, 53>(m_random) < loss;
            check.cause = lost ? "first target silent" : "";
            check.rttMs = rttMs;
            return check;
        }
        check.echoes = EchoCounts{echoes, {}};
        for (int i = 0; i < echoes; ++i) {
            if (std::generate_canonical<double, 53>(m_random) >= loss) {
                check.echoes->rttsMs.push_back(rttMs);
            }
        }
        check.rttMs = rttMs;
        return check;
    }

    bool connected = true;
    double loss = 0.0;
    /** 0 for checks without echoes. */
    int echoes = 5;
    double rttMs = 20.0;

private:
    FakeClocks& m_clocks;
    std::mt19937_64 m_random{28};
};

/** What the schedule tells, one word a call: "check", "start", "stop", "degraded loss 30%",
 *  "normal", "normal outage". */
struct Told : IMonitorListener
{
    void LoggingStarted(int) override { events.push_back("start"); }
    void LoggingStopped() override { events.push_back("stop"); }
    void CheckRecorded(const CheckResult& check) override
    {
        events.push_back(check.connected ? "check" : "check disconnected");
    }
    void QualityChanged(const QualityChange& change) override
    {
        changes.push_back(change);
        const std::string end = QualityEndWords(change.end);
        events.push_back(change.degraded ? "degraded " + change.reason.brief
                                         : "normal" + (end.empty() ? "" : " " + end));
    }
    /** The events but the checks. */
    std::vector<std::string> Quality() const
    {
        std::vector<std::string> rest;
        for (const std::string& e : events) {
            if (e.rfind("check", 0) != 0) {
                rest.push_back(e);
            }
        }
        return rest;
    }
    std::vector<std::string> events;
    std::vector<QualityChange> changes;
};

class ScheduleQualityTest : public ::testing::Test
{
public:
    ScheduleQualityTest()
    {
        schedule.SetInterval(2);
        schedule.AddListener(told);
    }
    /** count checks, one every `every`. */
    void Checks(int count, double loss, std::chrono::seconds every = 5s)
    {
        recorder.loss = loss;
        for (int i = 0; i < count; ++i) {
            clocks.Awake(every);
            schedule.RecordStatus();
        }
    }
    /** Five echoes every 5 s at 30 % loss: degraded well within 10 min. */
    void Degrade()
    {
        Checks(120, 0.3);
        ASSERT_TRUE(schedule.State().degraded);
        told.events.clear();
        told.changes.clear();
    }

    FakeTimer timer;
    QuietView view;
    FakeClocks clocks;
    LossyRecorder recorder{clocks};
    FakeSettings settings;
    RecordingReporter reporter;
    LoggingSchedule schedule{{timer, view, {}, recorder, settings, reporter, nullptr, &clocks}};
    Told told;
};

TEST_F(ScheduleQualityTest, SeededLossTurnsDegradedAndBackEachToldOnceRightAfterItsCheck)
{
    schedule.SetLogging(true);
    Checks(60, 0.0);
    Checks(120, 0.3);
    EXPECT_TRUE(schedule.State().degraded);
    EXPECT_EQ(schedule.State().degradedReason.brief.rfind("loss ", 0), 0U);
    Checks(240, 0.0);

    ASSERT_EQ(told.Quality(),
              (std::vector<std::string>{"start", "degraded " + told.changes.at(0).reason.brief, "normal"}));
    EXPECT_EQ(told.changes[0].reason.brief.rfind("loss ", 0), 0U) << told.changes[0].reason.brief;
    EXPECT_NE(told.changes[0].reason.notice.find("% of echoes lost in the last"), std::string::npos);
    EXPECT_EQ(told.changes[1].end, QualityEnd::Recovered);
    for (std::size_t i = 1; i < told.events.size(); ++i) {
        if (told.events[i].rfind("check", 0) != 0 && told.events[i] != "start") {
            EXPECT_EQ(told.events[i - 1], "check") << "a change is told right after the check that made it";
        }
    }
    // Dated by the check that turned it, inside the lossy stretch and the clean one after it.
    const std::time_t lossBegan = 1'796'701'517 + 60 * 5;
    EXPECT_GT(told.changes[0].at, lossBegan);
    EXPECT_LE(told.changes[0].at, lossBegan + 600);
    EXPECT_GT(told.changes[1].at, lossBegan + 600);
    EXPECT_FALSE(schedule.State().degraded);
    EXPECT_TRUE(schedule.State().degradedReason.brief.empty());
}

TEST_F(ScheduleQualityTest, AnOutageSleepOrTheSwitchEndsADegradedPeriod)
{
    struct Case
    {
        const char* name;
        std::function<void(ScheduleQualityTest&)> end;
        std::vector<std::string> told;
    };
    const std::vector<Case> cases{
        {"outage",
         [](ScheduleQualityTest& t) {
             t.recorder.connected = false;
             t.Checks(1, 0.0);
         },
         {"check disconnected", "normal outage"}},
        {"sleep", [](ScheduleQualityTest& t) { t.schedule.MachineSlept(t.clocks.Wall()); }, {"normal sleep"}},
        {"resume found from the clocks alone",
         [](ScheduleQualityTest& t) { t.schedule.MachineResumed(t.clocks.Wall()); },
         {"normal sleep"}},
        // Before the stop, so that a reader meets the end of the period first.
        {"switch",
         [](ScheduleQualityTest& t) { t.schedule.SetLogging(false); },
         {"normal logging off", "stop"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        recorder.connected = true;
        schedule.SetLogging(true);
        Degrade();
        c.end(*this);
        EXPECT_EQ(told.events, c.told);
        ASSERT_EQ(told.changes.size(), 1U);
        EXPECT_EQ(told.changes[0].at, clocks.Wall());
        EXPECT_FALSE(schedule.State().degraded);
        // The evidence is gone: one more lossy check does not turn it degraded again at once.
        recorder.connected = true;
        told.changes.clear();
        clocks.Asleep(60s);
        Checks(1, 0.3);
        EXPECT_TRUE(told.changes.empty());
    }
}

TEST_F(ScheduleQualityTest, ChecksInTheResumeGraceAreLeftOut)
{
    schedule.SetLogging(true);
    schedule.MachineSlept(clocks.Wall());
    clocks.Asleep(1h);
    schedule.MachineResumed(clocks.Wall());
    // Wi-Fi reconnecting: every echo lost for the 30 s of the grace, every second.
    Checks(29, 1.0, 1s);
    EXPECT_TRUE(told.changes.empty());
    // After it, the same loss counts.
    Checks(30, 1.0, 1s);
    ASSERT_EQ(told.changes.size(), 1U);
    EXPECT_TRUE(told.changes[0].degraded);
    EXPECT_EQ(told.changes[0].reason.brief, "loss 100%");
}

TEST_F(ScheduleQualityTest, ChecksWithoutEchoesCountOneEchoAnsweredWhenTheFirstTargetAnswered)
{
    recorder.echoes = 0;
    schedule.SetLogging(true);
    Checks(720, 0.0, 10s);
    EXPECT_TRUE(told.changes.empty());
    Checks(360, 0.5, 10s);
    ASSERT_FALSE(told.changes.empty());
    EXPECT_TRUE(told.changes[0].degraded);
    EXPECT_EQ(told.changes[0].reason.brief.rfind("loss ", 0), 0U);
}

TEST_F(ScheduleQualityTest, TheThresholdsAreReadWhenLoggingTurnsOnAndABadOneIsReported)
{
    const std::string rttKey =
        std::string(kSettingsApp) + "/" + kSettingsSection + "/" + kDegradedRttMsSetting.key;
    recorder.rttMs = 150.0;
    settings.values[rttKey] = "100";
    schedule.SetLogging(true);
    Checks(60, 0.0);
    ASSERT_EQ(told.changes.size(), 1U);
    EXPECT_EQ(told.changes[0].reason.brief, "median 150 ms");
    EXPECT_TRUE(reporter.reports.empty());

    // The stored text is not a number: told, and 250 ms stands, which 150 ms is well below.
    settings.values[rttKey] = "fast";
    schedule.SetLogging(false);
    told.changes.clear();
    schedule.SetLogging(true);
    Checks(60, 0.0);
    EXPECT_TRUE(told.changes.empty());
    ASSERT_EQ(reporter.reports.size(), 1U);
    EXPECT_NE(reporter.reports[0].description.find("'fast'"), std::string::npos);
    EXPECT_NE(reporter.reports[0].description.find("250 ms stands"), std::string::npos);
}

} // namespace
} // namespace pellavane
