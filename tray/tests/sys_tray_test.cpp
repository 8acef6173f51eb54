#include "tray/sys_tray.h"

#include "testsupport/tray_fakes.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace pellavane {
namespace {

using testing::FakeTime;
using testing::RecordingShell;
using Op = RecordingShell::Op;

const TrayPicture kIconQ{":/q.png"};
const TrayPicture kIconR{":/r.png"};

class SysTrayTest : public ::testing::Test
{
protected:
    RecordingShell shell;
    FakeTime time;
    cSysTray tray{shell, time.Pump(), time.Clock()};
};

TEST_F(SysTrayTest, InTrayTrueTwiceShowsOnce)
{
    tray.SetInTray(true);
    tray.SetInTray(true);

    ASSERT_EQ(shell.calls.size(), 1U);
    EXPECT_EQ(shell.calls[0].op, Op::ShowIcon);
    EXPECT_TRUE(tray.Installed());
    EXPECT_TRUE(tray.InTray());
}

TEST_F(SysTrayTest, ShowCarriesIconAndTipAndFalseHidesIt)
{
    tray.SetTrayIcon(kIconQ);
    tray.SetTrayTip("Pellavane");
    ASSERT_TRUE(shell.calls.empty()) << "nothing is sent while the icon is not shown";

    tray.SetInTray(true);
    EXPECT_TRUE(shell.Listening());
    tray.SetInTray(false);

    ASSERT_EQ(shell.calls.size(), 2U);
    EXPECT_EQ(shell.calls[0].op, Op::ShowIcon);
    EXPECT_EQ(shell.calls[0].icon, kIconQ);
    EXPECT_EQ(shell.calls[0].text, "Pellavane");
    EXPECT_EQ(shell.calls[1].op, Op::HideIcon);
    EXPECT_FALSE(tray.Installed());
    EXPECT_FALSE(shell.Listening()) << "no mouse activity reaches a removed icon";
}

TEST_F(SysTrayTest, TipAndIconChangesReachOnlyAShownIconAndAreAlwaysSent)
{
    tray.SetInTray(true);
    EXPECT_FALSE(shell.calls[0].icon.IsIcon()) << "no icon set";
    EXPECT_EQ(shell.calls[0].text, "") << "no tip set";

    tray.SetTrayTip("Pellavane");
    tray.SetTrayTip("Pellavane"); // unchanged, still sent
    tray.SetTrayIcon(kIconR);

    ASSERT_EQ(shell.calls.size(), 4U);
    for (int i : {1, 2}) {
        EXPECT_EQ(shell.calls[i].op, Op::SetTip);
        EXPECT_EQ(shell.calls[i].text, "Pellavane");
    }
    EXPECT_EQ(shell.calls[3].op, Op::SetIcon);
    EXPECT_EQ(shell.calls[3].icon, kIconR);
}

TEST_F(SysTrayTest, NoPictureKeepsTheIconSilently)
{
    cSysTray own(shell, {}, SteadySeconds, kIconQ);
    EXPECT_EQ(own.TrayIcon(), kIconQ) << "the control's own picture until one is set";
    own.SetInTray(true);
    shell.calls.clear();

    own.SetTrayIcon({});
    EXPECT_TRUE(shell.calls.empty());
    EXPECT_EQ(own.TrayIcon(), kIconQ);
}

TEST_F(SysTrayTest, LongTipReachesShellCutToItsFieldButIsKeptWhole)
{
    const std::string tip(200, 'x');
    tray.SetTrayTip(tip);
    tray.SetInTray(true);
    tray.SetTrayTip(tip);

    EXPECT_EQ(shell.calls.at(0).text, std::string(127, 'x'));
    EXPECT_EQ(shell.calls.at(1).text, std::string(127, 'x'));
    EXPECT_EQ(tray.TrayTip(), tip);
}

TEST(CutToCharactersTest, NeverCutsInsideAUtf8Character)
{
    std::string accented;
    for (int i = 0; i < 200; ++i) {
        accented += "\xC3\xA9"; // é
    }
    const std::string cut = CutToCharacters(accented, kMaxTipChars);
    EXPECT_EQ(cut.size(), 2 * kMaxTipChars);
    EXPECT_EQ(CutToCharacters("a\xE2\x82\xAC"
                              "b",
                              2),
              "a\xE2\x82\xAC");
    EXPECT_EQ(CutToCharacters("short", 63), "short");
}

TEST_F(SysTrayTest, BalloonTextsAreCutToTheirFields)
{
    tray.ShowBalloon(std::string(300, 'i'), std::string(100, 't'), 0, false);

    EXPECT_EQ(shell.calls.at(0).text, std::string(255, 'i'));
    EXPECT_EQ(shell.calls.at(0).title, std::string(63, 't'));
}

TEST_F(SysTrayTest, ShowOnceShowsOncePerInstanceWhileOthersAlwaysShow)
{
    tray.ShowBalloon("a", "A", 0, true);
    tray.ShowBalloon("b", "B", 0, true);
    tray.ShowBalloon("c", "C", 0, false);
    tray.ShowBalloon("d", "D", 0, false);

    ASSERT_EQ(shell.calls.size(), 3U);
    EXPECT_EQ(shell.calls[0].text, "a");
    EXPECT_EQ(shell.calls[1].text, "c");
    EXPECT_EQ(shell.calls[2].text, "d");
    EXPECT_EQ(tray.BalloonCount(), 1);
}

TEST_F(SysTrayTest, ShowTimerZeroSendsNoTimeoutAndReturnsAtOnce)
{
    tray.ShowBalloon("text", "title", 0, false);

    ASSERT_EQ(shell.calls.size(), 1U);
    EXPECT_EQ(shell.calls[0].op, Op::ShowMessage);
    EXPECT_EQ(shell.calls[0].text, "text");
    EXPECT_EQ(shell.calls[0].title, "title");
    EXPECT_EQ(shell.calls[0].timeoutMs, 0U);
    EXPECT_EQ(time.pumps, 0);
    EXPECT_TRUE(tray.BalloonUp());
}

TEST_F(SysTrayTest, BalloonNobodyClosesIsWaitedForFullyThenTakenDown)
{
    // Not installed: the shell knows no such icon, so nothing can report the balloon gone.
    tray.ShowBalloon("text", "title", 5, true);

    EXPECT_EQ(time.pumps, 5);
    ASSERT_EQ(shell.calls.size(), 2U);
    EXPECT_EQ(shell.calls[0].timeoutMs, 5000U);
    EXPECT_EQ(shell.calls[1].op, Op::HideMessage);
    EXPECT_TRUE(tray.BalloonUp()) << "only the shell's notice clears it";
}

struct WaitEndCase
{
    const char* name;
    void (*during)(RecordingShell&, cSysTray&);
};

TEST_F(SysTrayTest, BalloonClickOrIconRemovalEndsTheWaitAtOnceWithoutTakeDown)
{
    const WaitEndCase cases[] = {
        {"click", [](RecordingShell& s, cSysTray&) { s.EndMessage(); }},
        // What a close does: the wait must never hold it up.
        {"removal", [](RecordingShell&, cSysTray& t) { t.SetInTray(false); }},
    };
    for (const WaitEndCase& c : cases) {
        RecordingShell s;
        FakeTime t;
        cSysTray control{s, t.Pump(), t.Clock()};
        control.SetInTray(true);
        t.onPump = [&](int pass) {
            if (pass == 2) {
                c.during(s, control);
            }
        };

        control.ShowBalloon("text", "title", 5, false);

        EXPECT_EQ(t.pumps, 2) << c.name;
        EXPECT_EQ(s.Count(Op::HideMessage), 0) << c.name;
        EXPECT_FALSE(control.BalloonUp()) << c.name;
    }
}

TEST_F(SysTrayTest, ShowTimerPastLimitThrowsOverflowBeforeAnyRequest)
{
    EXPECT_THROW(tray.ShowBalloon("t", "T", kMaxShowTimer + 1, true), std::overflow_error);
    EXPECT_TRUE(shell.calls.empty());
    EXPECT_EQ(tray.BalloonCount(), 0);

    time.onPump = [this](int) { time.now += 1e7; };
    tray.ShowBalloon("t", "T", kMaxShowTimer, false);
    EXPECT_EQ(shell.calls.at(0).timeoutMs, 2147483000U);
}

TEST_F(SysTrayTest, LeftAndRightClicksRaiseMouseUpWithTheirButtonMiddleNothing)
{
    std::vector<int> buttons;
    tray.MouseUp = [&](std::int16_t& button, std::int32_t& id) {
        buttons.push_back(button);
        EXPECT_EQ(id, 0);
    };
    tray.SetInTray(true);

    shell.Click(TrayButton::Left);
    shell.Click(TrayButton::Right);
    shell.Click(TrayButton::Middle);

    EXPECT_EQ(buttons, (std::vector<int>{1, 2}));
}

TEST(SysTrayLifetimeTest, DestructionRemovesAShownIcon)
{
    RecordingShell shell;
    {
        cSysTray tray(shell);
        tray.SetInTray(true);
    }
    ASSERT_EQ(shell.calls.size(), 2U);
    EXPECT_EQ(shell.calls[1].op, Op::HideIcon);
    EXPECT_FALSE(shell.Listening());
}

} // namespace
} // namespace pellavane
