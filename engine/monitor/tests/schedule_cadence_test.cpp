#include "engine/monitor/schedule.h"

#include "engine/monitor/recorder.h"

#include "testsupport/fake_clocks.h"
#include "testsupport/monitor_fakes.h"
#include "testsupport/recording_reporter.h"
#include "testsupport/settings_fakes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <ostream>
#include <vector>

namespace pellavane {
namespace {

using namespace std::chrono_literals;
using pellavane::testing::FakeClocks;
using pellavane::testing::FakeSettings;
using pellavane::testing::FakeTimer;
using pellavane::testing::QuietView;
using pellavane::testing::RecordingReporter;
using std::chrono::milliseconds;

/** A check that takes `takes` of the fake clocks' time; notes when each began. */
class SlowRecorder : public IStatusRecorder
{
public:
    explicit SlowRecorder(FakeClocks& clocks) : m_clocks(clocks) {}
    CheckResult RecordStatus() override
    {
        began.push_back(std::chrono::duration_cast<milliseconds>(m_clocks.Read().boottime));
        m_clocks.Awake(takes);
        CheckResult check;
        check.time = m_clocks.Wall();
        check.connected = true;
        return check;
    }
    milliseconds takes{0};
    std::vector<milliseconds> began;

private:
    FakeClocks& m_clocks;
};

struct CadenceCase
{
    int row;
    milliseconds record;
    /** How late after it was due each tick comes. */
    milliseconds late;
    /** The delay of the first tick after the first record. */
    milliseconds firstTick;
    /** When the records began, from the start of logging. */
    std::vector<milliseconds> began;

    friend void PrintTo(const CadenceCase& c, std::ostream* os)
    {
        *os << "row " << c.row << ", records of " << c.record.count() << " ms, ticks " << c.late.count()
            << " ms late";
    }
};

class ScheduleCadenceTest : public ::testing::TestWithParam<CadenceCase>
{
protected:
    /** Logging on as start-up leaves it, then ticks delivered as a timer delivers them, each `late`
     *  after it was due: the first of a period its first-tick delay after the write that began the
     *  period, the others a full interval after the one before was due. */
    void RunUntilRecords(std::size_t records)
    {
        schedule.SetInterval(GetParam().row);
        schedule.SetLogging(true);
        timer.SetInterval(1000);
        milliseconds due = Now() + 1000ms;
        for (int tick = 0; tick < 100 && recorder.began.size() < records; ++tick) {
            clocks.Awake(due + GetParam().late - Now());
            const std::size_t writes = timer.writes.size();
            schedule.Tick();
            due = timer.writes.size() != writes ? Now() + milliseconds(timer.firstTick) : due + 1000ms;
            if (recorder.began.size() == 1 && !firstTickAfterRecord) {
                firstTickAfterRecord = milliseconds(timer.firstTick);
                countAfterRecord = schedule.ElapsedSeconds();
            }
        }
    }
    milliseconds Now() { return std::chrono::duration_cast<milliseconds>(clocks.Read().boottime); }

    FakeTimer timer;
    QuietView view;
    FakeClocks clocks;
    SlowRecorder recorder{clocks};
    FakeSettings settings;
    RecordingReporter reporter;
    LoggingSchedule schedule{{timer, view, {}, recorder, settings, reporter, nullptr, &clocks}};
    std::optional<milliseconds> firstTickAfterRecord;
    int countAfterRecord = -1;
};

TEST_P(ScheduleCadenceTest, NextTickComesOneSecondAfterTheTickThatBeganTheRecord)
{
    recorder.takes = GetParam().record;
    RunUntilRecords(GetParam().began.size());
    EXPECT_EQ(firstTickAfterRecord, GetParam().firstTick);
    EXPECT_EQ(countAfterRecord, 0);
    EXPECT_EQ(recorder.began, GetParam().began);
    EXPECT_EQ(timer.interval, 1000) << "the ticks after the first come every second";
    EXPECT_TRUE(timer.enabled);
}

// A record of a second or more restarts the count from its end: the seconds it took are not made
// up in a burst. Ticks that come late are counted from when they were due, so the lateness does not
// add up from one record to the next.
INSTANTIATE_TEST_SUITE_P(RecordLengths, ScheduleCadenceTest,
                         ::testing::Values(CadenceCase{1, 0ms, 0ms, 1000ms, {1000ms, 2000ms, 3000ms}},
                                           CadenceCase{1, 150ms, 0ms, 850ms, {1000ms, 2000ms, 3000ms}},
                                           CadenceCase{1, 999ms, 0ms, 1ms, {1000ms, 2000ms, 3000ms}},
                                           CadenceCase{1, 1000ms, 0ms, 1000ms, {1000ms, 3000ms, 5000ms}},
                                           CadenceCase{1, 2500ms, 0ms, 1000ms, {1000ms, 4500ms, 8000ms}},
                                           CadenceCase{
                                               1, 150ms, 5ms, 850ms, {1005ms, 2010ms, 3010ms, 4010ms}},
                                           CadenceCase{2, 150ms, 0ms, 850ms, {5000ms, 10000ms, 15000ms}},
                                           CadenceCase{2, 150ms, 5ms, 850ms, {5005ms, 10010ms, 15010ms}},
                                           CadenceCase{2, 2500ms, 0ms, 1000ms, {5000ms, 12500ms, 20000ms}}));

} // namespace
} // namespace pellavane
