#include "engine/listeners/connection_notices.h"

#include "engine/monitor/recorder.h"
#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pellavane {
namespace {

using namespace std::chrono_literals;
using pellavane::testing::ScopedTimeZone;

/** A check of the families in pattern, IPv4's state then IPv6's: 'u' up, 'd' down, '-' not
 *  configured ("ud": IPv6 lost while IPv4 works). */
CheckResult FamiliesCheck(std::time_t t, const std::string& pattern)
{
    CheckResult check;
    check.time = t;
    for (std::size_t i = 0; i < 2; ++i) {
        if (pattern[i] != '-') {
            const bool up = pattern[i] == 'u';
            check.families.push_back(
                {i == 0 ? AddressFamily::V4 : AddressFamily::V6, up, up ? "" : "provider", std::nullopt, ""});
            check.connected = check.connected || up;
        }
    }
    check.cause = check.connected ? "" : "provider";
    return check;
}

struct RecordingNotifier : INotifier
{
    void Show(const Notice& notice) override { shown.push_back(notice); }
    std::vector<Notice> shown;
};

/** A scripted history: checks every so many seconds, sleeps and resumes, on clocks the test moves. */
class ConnectionNoticesTest : public ::testing::Test
{
protected:
    struct Clocks : IMachineClocks
    {
        ClockReading Read() override { return now; }
        ClockReading now{0s, 0s, 1'796'701'517s}; // 2026-12-08T03:45:17Z
    };

    /** count checks, one every `every` seconds, each finding connected. */
    void Checks(int count, bool connected, std::chrono::seconds every = 1s, const char* cause = "")
    {
        for (int i = 0; i < count; ++i) {
            clocks.now.monotonic += every;
            clocks.now.boottime += every;
            clocks.now.wall += every;
            CheckResult check;
            check.time = std::chrono::floor<std::chrono::seconds>(clocks.now.wall).count();
            check.connected = connected;
            check.cause = connected ? "" : cause;
            notices.CheckRecorded(check);
        }
    }
    /** count checks of the families in pattern (see FamiliesCheck), one every `every` seconds. */
    void FamilyChecks(int count, const std::string& pattern, std::chrono::seconds every = 1s)
    {
        for (int i = 0; i < count; ++i) {
            clocks.now.monotonic += every;
            clocks.now.boottime += every;
            clocks.now.wall += every;
            notices.CheckRecorded(
                FamiliesCheck(std::chrono::floor<std::chrono::seconds>(clocks.now.wall).count(), pattern));
        }
    }
    void Sleep(std::chrono::seconds asleep)
    {
        notices.MachineSlept(0);
        clocks.now.boottime += asleep;
        clocks.now.wall += asleep;
        notices.MachineResumed(0);
    }
    /** The schedule telling of a change of quality at the wall clock's time. */
    void Quality(bool degraded, QualityEnd end = QualityEnd::Recovered)
    {
        const std::time_t at = std::chrono::floor<std::chrono::seconds>(clocks.now.wall).count();
        notices.QualityChanged(degraded ? QualityChange{at, true, kLoss, QualityEnd::None}
                                        : QualityChange{at, false, {}, end});
    }
    std::vector<std::string> Summaries() const
    {
        std::vector<std::string> texts;
        for (const Notice& n : notifier.shown) {
            texts.push_back(n.summary + ": " + n.body);
        }
        return texts;
    }

    const DegradedReason kLoss{"loss 12%", "12 % of echoes lost in the last 10 min"};
    ScopedTimeZone utc{"UTC0"};
    Clocks clocks;
    RecordingNotifier notifier;
    ConnectionNotices notices{notifier, clocks};
};

TEST_F(ConnectionNoticesTest, OneOutageGivesALossAndARestoreUnderOneId)
{
    Checks(30, true);
    Checks(252, false); // 4 min 12 s of silence, the first failed check at 03:45:48
    Checks(5, true);
    ASSERT_EQ(Summaries(), (std::vector<std::string>{"Connection lost: No answer since 03:45",
                                                     "Connected again: after 4 min 12 s"}));
    EXPECT_EQ(notifier.shown[0].id, notifier.shown[1].id);
    EXPECT_NE(notifier.shown[0].id, 0U);
    EXPECT_EQ(notifier.shown[0].kind, NoticeKind::Lost);
    EXPECT_EQ(notifier.shown[1].kind, NoticeKind::Restored);
}

TEST_F(ConnectionNoticesTest, StartUpTellsOnlyAFirstCheckWithoutConnection)
{
    for (const bool connected : {true, false}) {
        RecordingNotifier fresh;
        ConnectionNotices startUp(fresh, clocks);
        CheckResult check;
        check.time = 1'796'701'517;
        check.connected = connected;
        startUp.CheckRecorded(check);
        startUp.CheckRecorded(check);
        EXPECT_EQ(fresh.shown.size(), connected ? 0U : 1U) << "first check connected: " << connected;
    }
}

TEST_F(ConnectionNoticesTest, AFlappingLinkGivesAtMostThreeNoticesInHalfAnHour)
{
    Checks(60, true);
    for (int flip = 0; flip < 30 * 60 / 5; ++flip) {
        Checks(5, flip % 2 == 1);
    }
    EXPECT_EQ(Summaries().size(), 3U);
    ASSERT_FALSE(notifier.shown.empty());
    EXPECT_EQ(notifier.shown.back().kind, NoticeKind::Unstable);
    // The unstable notice takes the place of the restore before it.
    EXPECT_EQ(notifier.shown.back().id, notifier.shown[1].id);

    // Once the connection has held for the unstable time, an outage is told again.
    Checks(11 * 60, true);
    EXPECT_EQ(notifier.shown.size(), 3U);
    Checks(1, false);
    EXPECT_EQ(notifier.shown.back().kind, NoticeKind::Lost);
}

TEST_F(ConnectionNoticesTest, AnOutageThatHoldsAfterFlappingIsToldAndSoIsItsEnd)
{
    Checks(10, true);
    Checks(10, false);
    Checks(10, true);
    Checks(1, false); // unstable
    Checks(10 * 60, false);
    ASSERT_EQ(notifier.shown.size(), 4U);
    EXPECT_EQ(Summaries().back(), "Connection lost: No answer since 03:45");
    Checks(1, true);
    ASSERT_EQ(notifier.shown.size(), 5U);
    EXPECT_EQ(notifier.shown[4].kind, NoticeKind::Restored);
    EXPECT_EQ(notifier.shown[4].id, notifier.shown[3].id);
}

TEST_F(ConnectionNoticesTest, FailuresInTheGraceAfterAResumeAreNotTold)
{
    Checks(10, true);
    Sleep(3600s);
    Checks(5, false, 5s);
    Checks(3, true);
    EXPECT_TRUE(notifier.shown.empty());

    // A failure the grace confirmed is an outage, even when it is recorded just inside the grace.
    Sleep(3600s);
    Checks(1, false, 1s, kCauseAfterResume);
    EXPECT_EQ(notifier.shown.size(), 1U);
    // After the grace, an ordinary failure is told as ever.
    Checks(3, true);
    Sleep(600s);
    Checks(1, true, 31s);
    Checks(1, false, 11 * 60s);
    EXPECT_EQ(notifier.shown.size(), 3U);
}

TEST_F(ConnectionNoticesTest, TurnedOffTellsNothingAndOnAgainTellsTheNextChange)
{
    Checks(10, true);
    notices.SetEnabled(false);
    Checks(10, false);
    notices.SetEnabled(true);
    Checks(10, true); // the loss was not told, so neither is its end
    EXPECT_TRUE(notifier.shown.empty());
    Checks(11 * 60, true);
    Checks(1, false);
    EXPECT_EQ(notifier.shown.size(), 1U);
}

TEST_F(ConnectionNoticesTest, DegradedIsToldAndItsRecoveryTakesItsPlace)
{
    Checks(10, true);
    Quality(true);
    Checks(125, true);
    Quality(false);
    ASSERT_EQ(Summaries(),
              (std::vector<std::string>{"Connection degraded: 12 % of echoes lost in the last 10 min",
                                        "Connection back to normal: after 2 min 5 s degraded"}));
    EXPECT_EQ(notifier.shown[0].kind, NoticeKind::Degraded);
    EXPECT_EQ(notifier.shown[1].kind, NoticeKind::Normal);
    EXPECT_EQ(notifier.shown[0].id, notifier.shown[1].id);
    EXPECT_NE(notifier.shown[0].id, 0U);
}

TEST_F(ConnectionNoticesTest, ADegradedPeriodThatAnOutageSleepOrTheSwitchEndsIsNotToldToEnd)
{
    for (const QualityEnd end : {QualityEnd::Outage, QualityEnd::Sleep, QualityEnd::LoggingOff}) {
        notifier.shown.clear();
        Checks(11 * 60, true);
        Quality(true);
        Checks(10, true);
        Quality(false, end);
        Checks(10, true);
        EXPECT_EQ(Summaries().size(), 1U) << QualityEndWords(end);
    }
}

TEST_F(ConnectionNoticesTest, DegradedAgainSoonAfterARecoveryIsToldOnlyOnceItHolds)
{
    Checks(10, true);
    Quality(true);
    Checks(60, true);
    Quality(false);
    Checks(60, true);
    // Back within the unstable time: quiet, and quiet again when it recovers before it held.
    Quality(true);
    Checks(5 * 60, true);
    Quality(false);
    Checks(60, true);
    Quality(true);
    Checks(10 * 60 - 1, true);
    EXPECT_EQ(notifier.shown.size(), 2U);
    Checks(1, true);
    ASSERT_EQ(notifier.shown.size(), 3U);
    EXPECT_EQ(notifier.shown[2].kind, NoticeKind::Degraded);
    Quality(false);
    ASSERT_EQ(notifier.shown.size(), 4U);
    EXPECT_EQ(notifier.shown[3].id, notifier.shown[2].id);
}

TEST_F(ConnectionNoticesTest, DegradedInTheGraceAfterAResumeWaitsUntilItHolds)
{
    Checks(10, true);
    Sleep(3600s);
    Checks(1, true);
    Quality(true);
    Checks(9 * 60, true);
    EXPECT_TRUE(notifier.shown.empty());
    Checks(60, true);
    EXPECT_EQ(notifier.shown.size(), 1U);
}

TEST_F(ConnectionNoticesTest, TurnedOffTellsNoDegradedPeriodNorItsEnd)
{
    Checks(10, true);
    Quality(true);
    notices.SetEnabled(false);
    Quality(false);
    Quality(true);
    notices.SetEnabled(true);
    Quality(false);
    EXPECT_EQ(Summaries(),
              (std::vector<std::string>{"Connection degraded: 12 % of echoes lost in the last 10 min"}));
}

TEST(ClockTimeTextTest, GivesTheDateOnlyForAnotherDay)
{
    const ScopedTimeZone utc("UTC0");
    const std::time_t t = 1'796'701'517; // 2026-12-08T03:45:17Z
    EXPECT_EQ(ClockTimeText(t, t + 3600), "03:45");
    EXPECT_EQ(ClockTimeText(t, t + 86400), "2026-12-08 03:45");
}

TEST_F(ConnectionNoticesTest, AFamilyLostWhileTheOtherWorksIsToldWithTheLimitsOfADegradedPeriod)
{
    FamilyChecks(1, "uu");
    FamilyChecks(3, "ud"); // lost at 03:45:19
    FamilyChecks(1, "uu", 60s);
    FamilyChecks(1, "ud", 60s); // again within 10 min of its return: quiet until it has held
    FamilyChecks(9, "ud", 60s);
    FamilyChecks(1, "ud", 60s);
    FamilyChecks(1, "dd", 60s); // an outage ends the split without a word
    FamilyChecks(1, "uu", 60s);
    FamilyChecks(1, "u-", 60s); // one family only: nothing to split
    FamilyChecks(1, "du", 60s);
    EXPECT_EQ(Summaries(),
              (std::vector<std::string>{
                  "IPv6 lost: IPv6 lost at 03:45; IPv4 works",
                  "IPv6 back: IPv6 back at 03:46",
                  "IPv6 lost: IPv6 lost at 03:47; IPv4 works",
                  "Connection lost: No answer since 03:58: the router answers, the Internet does not.",
                  "Connected again: after 1 min 0 s",
                  "IPv4 lost: IPv4 lost at 04:01; IPv6 works",
              }));
    ASSERT_EQ(notifier.shown.size(), 6u);
    EXPECT_EQ(notifier.shown[1].id, notifier.shown[0].id);
    EXPECT_EQ(notifier.shown[1].kind, NoticeKind::FamilyBack);
    EXPECT_EQ(notifier.shown[2].kind, NoticeKind::FamilyLost);
}

TEST(ChangeLinesTest, PrintsAFamilyLostWhileTheOtherWorksAndItsReturn)
{
    const ScopedTimeZone utc("UTC0");
    std::vector<std::string> lines;
    ChangeLines changes([&](const std::string& line) { lines.push_back(line); });
    const std::time_t t = 1'796'701'517;
    for (const auto& [offset, pattern] : std::vector<std::pair<int, std::string>>{
             {0, "uu"}, {5, "ud"}, {10, "ud"}, {15, "uu"}, {20, "dd"}, {25, "ud"}, {30, "du"}}) {
        changes.CheckRecorded(FamiliesCheck(t + offset, pattern));
    }
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "IPv6 lost at " + DateTimeText(t + 5) + "; IPv4 works",
                         "IPv6 back at " + DateTimeText(t + 15),
                         "Connection lost at " + DateTimeText(t + 20) +
                             ": the router answers, the Internet does not.",
                         "Connected again at " + DateTimeText(t + 25) + " after 5 s",
                         "IPv6 lost at " + DateTimeText(t + 25) + "; IPv4 works",
                         "IPv6 back at " + DateTimeText(t + 30),
                         "IPv4 lost at " + DateTimeText(t + 30) + "; IPv6 works",
                     }));
}

TEST(ChangeLinesTest, PrintsEveryChangeAndAFirstLoss)
{
    const ScopedTimeZone utc("UTC0");
    std::vector<std::string> lines;
    ChangeLines changes([&](const std::string& line) { lines.push_back(line); });
    const std::time_t t = 1'796'701'517;
    for (const auto& [offset, connected] : std::vector<std::pair<int, bool>>{
             {0, false}, {5, false}, {65, true}, {66, true}, {70, false}, {75, true}}) {
        CheckResult check;
        check.time = t + offset;
        check.connected = connected;
        changes.CheckRecorded(check);
    }
    ASSERT_EQ(lines.size(), 4U);
    EXPECT_EQ(lines[0], "Connection lost at " + DateTimeText(t));
    EXPECT_EQ(lines[1], "Connected again at " + DateTimeText(t + 65) + " after 1 min 5 s");
    EXPECT_EQ(lines[3], "Connected again at " + DateTimeText(t + 75) + " after 5 s");
}

TEST(ChangeLinesTest, PrintsTheStartOfADegradedPeriodAndItsRecoveryAlone)
{
    const ScopedTimeZone utc("UTC0");
    std::vector<std::string> lines;
    ChangeLines changes([&](const std::string& line) { lines.push_back(line); });
    const std::time_t t = 1'796'701'517;
    changes.QualityChanged(
        {t, true, {"loss 12%", "12 % of echoes lost in the last 10 min"}, QualityEnd::None});
    changes.QualityChanged({t + 60, false, {}, QualityEnd::Recovered});
    changes.QualityChanged(
        {t + 70, true, {"median 640 ms", "median round trip 640 ms in the last 2 min"}, QualityEnd::None});
    changes.QualityChanged({t + 80, false, {}, QualityEnd::Outage});
    EXPECT_EQ(
        lines,
        (std::vector<std::string>{
            "Connection degraded at " + DateTimeText(t) + ": 12 % of echoes lost in the last 10 min",
            "Connection normal again at " + DateTimeText(t + 60),
            "Connection degraded at " + DateTimeText(t + 70) + ": median round trip 640 ms in the last 2 min",
        }));
}

TEST(ChangeLinesTest, ALossNamesItsCauseWhereThatSaysMore)
{
    const ScopedTimeZone utc("UTC0");
    const std::time_t t = 1'796'701'517;
    const struct
    {
        const char* cause;
        const char* clause;
    } table[] = {
        {"provider", ": the router answers, the Internet does not."},
        {"local network", ": the router does not answer."},
        {"no network", ": this computer is on no network."},
        {"name lookup failed", ": names are not found."},
        {"targets silent", ""},
        {"after resume", ""},
        {"", ""},
    };
    for (const auto& row : table) {
        std::vector<std::string> lines;
        ChangeLines changes([&](const std::string& line) { lines.push_back(line); });
        CheckResult check;
        check.time = t;
        check.cause = row.cause;
        changes.CheckRecorded(check);
        ASSERT_EQ(lines.size(), 1U) << row.cause;
        EXPECT_EQ(lines[0], "Connection lost at " + DateTimeText(t) + row.clause) << row.cause;
        EXPECT_EQ(LossBody(check, t), std::string("No answer since 03:45") + row.clause) << row.cause;
    }
}

} // namespace
} // namespace pellavane
