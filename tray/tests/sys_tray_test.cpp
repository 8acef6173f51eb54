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

const TrayPicture kIconQ{PictureType::Icon, ":/q.png"};
const TrayPicture kIconR{PictureType::Icon, ":/r.png"};

class SysTrayTest : public ::testing::Test
{
protected:
    SysTrayTest()
    {
        tray.PropertyChanged = [this](const std::string& key) { notices.push_back(key); };
    }

    RecordingShell shell;
    FakeTime time;
    cSysTray tray{shell, time.Pump(), time.Clock()};
    std::vector<std::string> notices;
};

TEST_F(SysTrayTest, InTrayTrueTwiceAddsOnceAndNotifiesOnce)
{
    tray.SetInTray(true);
    tray.SetInTray(true);

    ASSERT_EQ(shell.calls.size(), 1U);
    EXPECT_EQ(shell.calls[0].message, kNimAdd);
    EXPECT_TRUE(tray.Installed());
    EXPECT_TRUE(tray.InTray());
    EXPECT_EQ(notices, std::vector<std::string>{"InTray"});
}

TEST_F(SysTrayTest, AddCarriesCallbackMessageIconAndTipAndFalseDeletesIt)
{
    tray.SetTrayIcon(kIconQ);
    tray.SetTrayTip("Pellavane");
    ASSERT_TRUE(shell.calls.empty()) << "nothing is sent while the icon is not shown";

    tray.SetInTray(true);
    tray.SetInTray(false);

    ASSERT_EQ(shell.calls.size(), 2U);
    NotifyIconData add;
    add.flags = kNifMessage | kNifIcon | kNifTip;
    add.callbackMessage = kTrayCallbackMessage;
    add.icon = kIconQ;
    add.tip = "Pellavane";
    EXPECT_EQ(shell.calls[0].message, kNimAdd);
    EXPECT_EQ(shell.calls[0].record, add);
    EXPECT_EQ(shell.calls[1].message, kNimDelete);
    EXPECT_EQ(shell.calls[1].record, NotifyIconData{});
    EXPECT_FALSE(tray.Installed());
    EXPECT_FALSE(shell.callback) << "no mouse activity reaches a removed icon";
}

TEST_F(SysTrayTest, EmptyTipAddsWithoutTipFlagAndLaterTipSendsOnlyTip)
{
    tray.SetInTray(true);
    ASSERT_EQ(shell.calls.size(), 1U);
    EXPECT_EQ(shell.calls[0].record.flags, kNifMessage) << "no icon, no tip";

    tray.SetTrayTip("Pellavane");
    tray.SetTrayTip("Pellavane"); // unchanged, still sent

    ASSERT_EQ(shell.calls.size(), 3U);
    for (int i : {1, 2}) {
        EXPECT_EQ(shell.calls[i].message, kNimModify);
        EXPECT_EQ(shell.calls[i].record.flags, kNifTip);
        EXPECT_EQ(shell.calls[i].record.tip, "Pellavane");
    }
}

TEST_F(SysTrayTest, BitmapOrNoPictureKeepsTheIconSilently)
{
    tray.SetTrayIcon(kIconQ);
    tray.SetInTray(true);
    shell.calls.clear();
    notices.clear();

    tray.SetTrayIcon({PictureType::Bitmap, ":/b.bmp"});
    tray.SetTrayIcon({});
    EXPECT_TRUE(shell.calls.empty());
    EXPECT_TRUE(notices.empty());
    EXPECT_EQ(tray.TrayIcon(), kIconQ);

    tray.SetTrayIcon(kIconR);
    ASSERT_EQ(shell.calls.size(), 1U);
    EXPECT_EQ(shell.calls[0].record.flags, kNifIcon);
    EXPECT_EQ(shell.calls[0].record.icon, kIconR);
    EXPECT_EQ(notices, std::vector<std::string>{"TrayIcon"});
}

TEST_F(SysTrayTest, LongTipReachesShellCutToItsFieldButIsKeptWhole)
{
    const std::string tip(200, 'x');
    tray.SetTrayTip(tip);
    tray.SetInTray(true);

    EXPECT_EQ(shell.calls.back().record.tip, std::string(127, 'x'));
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

    const NotifyIconData& record = shell.calls.at(0).record;
    EXPECT_EQ(record.info, std::string(255, 'i'));
    EXPECT_EQ(record.infoTitle, std::string(63, 't'));
}

TEST_F(SysTrayTest, ShowOnceShowsOncePerInstanceWhileOthersAlwaysShow)
{
    tray.ShowBalloon("a", "A", 0, true);
    tray.ShowBalloon("b", "B", 0, true);
    tray.ShowBalloon("c", "C", 0, false);
    tray.ShowBalloon("d", "D", 0, false);

    ASSERT_EQ(shell.calls.size(), 3U);
    EXPECT_EQ(shell.calls[0].record.info, "a");
    EXPECT_EQ(shell.calls[1].record.info, "c");
    EXPECT_EQ(shell.calls[2].record.info, "d");
    EXPECT_EQ(tray.BalloonCount(), 1);
}

TEST_F(SysTrayTest, ShowTimerZeroSendsNoTimeoutAndReturnsAtOnce)
{
    tray.ShowBalloon("text", "title", 0, false);

    ASSERT_EQ(shell.calls.size(), 1U);
    NotifyIconData balloon;
    balloon.flags = kNifInfo;
    balloon.info = "text";
    balloon.infoTitle = "title";
    EXPECT_EQ(shell.calls[0].message, kNimModify);
    EXPECT_EQ(shell.calls[0].record, balloon);
    EXPECT_EQ(time.pumps, 0);
    EXPECT_TRUE(tray.BalloonUp());
}

TEST_F(SysTrayTest, BalloonNobodyClosesIsWaitedForFullyThenTakenDown)
{
    // Not installed: the shell knows no such icon, so nothing can report the balloon gone.
    tray.ShowBalloon("text", "title", 5, true);

    EXPECT_EQ(time.pumps, 5);
    ASSERT_EQ(shell.calls.size(), 2U);
    EXPECT_EQ(shell.calls[0].record.timeoutMs, 5000U);
    const NotifyIconData& takeDown = shell.calls[1].record;
    EXPECT_EQ(shell.calls[1].message, kNimModify);
    EXPECT_EQ(takeDown.flags, kNifInfo);
    EXPECT_TRUE(takeDown.info.empty());
    EXPECT_TRUE(takeDown.infoTitle.empty());
    EXPECT_EQ(takeDown.timeoutMs, 5000U);
    EXPECT_TRUE(tray.BalloonUp()) << "only the shell's notice clears it";
}

TEST_F(SysTrayTest, ClickOnBalloonEndsWaitWithoutTakeDown)
{
    tray.SetInTray(true);
    shell.calls.clear();
    time.onPump = [this](int pass) {
        if (pass == 2) {
            shell.Report(kNinBalloonUserClick);
        }
    };

    tray.ShowBalloon("text", "title", 5, false);

    EXPECT_EQ(time.pumps, 2);
    EXPECT_EQ(shell.calls.size(), 1U);
    EXPECT_FALSE(tray.BalloonUp());
}

TEST_F(SysTrayTest, BalloonShownNoticeDoesNotEndTheWait)
{
    tray.SetInTray(true);
    time.onPump = [this](int) { shell.Report(kNinBalloonShow); };

    tray.ShowBalloon("text", "title", 3, false);

    EXPECT_EQ(time.pumps, 3);
    EXPECT_TRUE(tray.BalloonUp());
}

TEST_F(SysTrayTest, ShowTimerPastLimitThrowsOverflowBeforeAnyRequest)
{
    EXPECT_THROW(tray.ShowBalloon("t", "T", kMaxShowTimer + 1, true), std::overflow_error);
    EXPECT_TRUE(shell.calls.empty());
    EXPECT_EQ(tray.BalloonCount(), 0);

    time.onPump = [this](int) { time.now += 1e7; };
    tray.ShowBalloon("t", "T", kMaxShowTimer, false);
    EXPECT_EQ(shell.calls.at(0).record.timeoutMs, 2147483000U);
}

struct MouseCase
{
    std::int32_t message;
    const char* event;
    std::int16_t button;
};

TEST_F(SysTrayTest, MouseMessagesRaiseTheirEventsWithButtonAndId)
{
    std::vector<std::string> raised;
    std::int16_t lastButton = 0;
    const auto record = [&](const char* name) {
        return [&, name](std::int16_t& button, std::int32_t& id) {
            raised.push_back(name);
            lastButton = button;
            EXPECT_EQ(id, 0);
        };
    };
    tray.MouseDown = record("down");
    tray.MouseUp = record("up");
    tray.MouseDblClick = record("dbl");
    tray.MouseMove = [&](std::int32_t&) { raised.push_back("move"); };
    tray.SetInTray(true);

    const MouseCase cases[] = {
        {kWmLButtonDown, "down", 1}, {kWmLButtonUp, "up", 1}, {kWmLButtonDblClk, "dbl", 1},
        {kWmRButtonDown, "down", 2}, {kWmRButtonUp, "up", 2}, {kWmRButtonDblClk, "dbl", 2},
    };
    for (const MouseCase& c : cases) {
        raised.clear();
        shell.Report(c.message);
        EXPECT_EQ(raised, std::vector<std::string>{c.event}) << std::hex << c.message;
        EXPECT_EQ(lastButton, c.button) << std::hex << c.message;
    }

    raised.clear();
    shell.Report(kWmMouseMove);
    EXPECT_EQ(raised, std::vector<std::string>{"move"});

    raised.clear();
    for (std::int32_t silent : {0x207, 0x208, 0x209, kNinBalloonShow, kNinBalloonHide, kNinBalloonTimeout}) {
        shell.Report(silent);
    }
    EXPECT_TRUE(raised.empty()) << "middle button and balloon notices raise nothing";
}

TEST_F(SysTrayTest, StoredInTrayTrueInstallsFirstThenModifiesIconAndTip)
{
    tray.ReadProperties({true, kIconQ, std::string("Pellavane")});

    ASSERT_EQ(shell.calls.size(), 3U);
    EXPECT_EQ(shell.calls[0].message, kNimAdd);
    EXPECT_EQ(shell.calls[0].record.flags, kNifMessage);
    EXPECT_EQ(shell.calls[1].message, kNimModify);
    EXPECT_EQ(shell.calls[1].record.flags, kNifIcon);
    EXPECT_EQ(shell.calls[2].message, kNimModify);
    EXPECT_EQ(shell.calls[2].record.flags, kNifTip);
    EXPECT_EQ(notices, (std::vector<std::string>{"InTray", "TrayIcon", "TrayTip"}));
}

TEST(SysTrayPropertiesTest, AbsentStoredPropertiesTakeDefaultsAndAllAreWrittenBack)
{
    RecordingShell shell;
    cSysTray tray(shell, {}, SteadySeconds, kIconR);

    tray.ReadProperties({});

    EXPECT_TRUE(shell.calls.empty());
    const TrayStoredProperties written = tray.WriteProperties();
    EXPECT_EQ(written, (TrayStoredProperties{false, kIconR, std::string(kDefaultTrayTip)}));

    tray.ReadProperties({false, std::nullopt, std::string()});
    EXPECT_EQ(tray.TrayTip(), "") << "a stored empty tip is not the default";
}

TEST(SysTrayLifetimeTest, DestructionRemovesAShownIcon)
{
    RecordingShell shell;
    {
        cSysTray tray(shell);
        tray.SetInTray(true);
    }
    ASSERT_EQ(shell.calls.size(), 2U);
    EXPECT_EQ(shell.calls[1].message, kNimDelete);
    EXPECT_FALSE(shell.callback);
}

} // namespace
} // namespace pellavane
