#include "tray/minimize_to_tray.h"

#include "testsupport/tray_fakes.h"
#include "tray/sys_tray.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pellavane {
namespace {

using testing::FakeSettings;
using testing::FakeTime;
using testing::RecordingShell;

class FakeWindow : public ITrayWindow
{
public:
    WindowState State() const override { return state; }
    void SetState(WindowState s) override { state = s; }
    void Hide() override { visible = false; }
    void Show() override { visible = true; }
    void SetFocus() override { ++focusCount; }
    bool TrayAvailable() const override { return trayAvailable; }

    WindowState state = WindowState::Normal;
    bool visible = true;
    int focusCount = 0;
    bool trayAvailable = true;
};

class MinimizeToTrayTest : public ::testing::Test
{
protected:
    MinimizeToTrayTest()
    {
        // Wired as the main window wires it.
        tray.MouseUp = [this](std::int16_t& button, std::int32_t& id) {
            minimize.cSysTray1_MouseUp(button, id);
        };
        tray.SetTrayTip("Pellavane");
        tray.SetInTray(true);
        shell.calls.clear();
    }

    void Minimise()
    {
        window.state = WindowState::Minimized;
        minimize.Form_Resize();
    }

    std::vector<RecordingShell::Call> Balloons() const { return shell.Messages(); }

    RecordingShell shell;
    FakeTime time;
    cSysTray tray{shell, time.Pump(), time.Clock()};
    FakeWindow window;
    FakeSettings settings;
    std::vector<std::string> told;
    MinimizeToTray minimize{window, tray, settings, [this](const std::string& m) { told.push_back(m); }};
};

TEST_F(MinimizeToTrayTest, FirstMinimiseHidesAndShowsTheBalloonLaterOnesAreSilent)
{
    Minimise();

    EXPECT_FALSE(window.visible);
    EXPECT_EQ(window.state, WindowState::Normal);
    EXPECT_TRUE(minimize.MinimizedToTray());
    auto balloons = Balloons();
    ASSERT_EQ(balloons.size(), 1U);
    EXPECT_EQ(balloons[0].title, "Pellavane");
    EXPECT_EQ(balloons[0].text, "has been minimized to the system tray.\r\nClick on the blue 'Q' icon (Q for "
                                "Quillmoor) to bring the software back.");
    EXPECT_EQ(balloons[0].timeoutMs, 5000U);
    EXPECT_EQ(time.pumps, 5) << "the balloon nobody closed is waited for five seconds";

    shell.Click(TrayButton::Left);
    EXPECT_TRUE(window.visible);
    EXPECT_FALSE(minimize.MinimizedToTray());

    time.pumps = 0;
    Minimise();
    EXPECT_FALSE(window.visible);
    EXPECT_EQ(Balloons().size(), 1U);
    EXPECT_EQ(time.pumps, 0) << "later minimises return at once";
}

TEST_F(MinimizeToTrayTest, EitherButtonBringsTheWindowBackTheMiddleOneDoesNot)
{
    for (TrayButton button : {TrayButton::Left, TrayButton::Right}) {
        Minimise();
        shell.Click(TrayButton::Middle);
        EXPECT_FALSE(window.visible);

        const int focusBefore = window.focusCount;
        shell.Click(button);
        EXPECT_TRUE(window.visible) << static_cast<int>(button);
        EXPECT_EQ(window.focusCount, focusBefore + 1);
        EXPECT_FALSE(minimize.MinimizedToTray());
    }
}

TEST_F(MinimizeToTrayTest, MaximisedWindowComesBackNormal)
{
    window.state = WindowState::Maximized;
    minimize.Form_Resize();
    EXPECT_TRUE(window.visible) << "a maximise is not a minimise";

    Minimise();
    shell.Click(TrayButton::Right);

    EXPECT_TRUE(window.visible);
    EXPECT_EQ(window.state, WindowState::Normal);
}

TEST_F(MinimizeToTrayTest, ClickWhileShownOnlyGivesFocus)
{
    shell.Click(TrayButton::Left);

    EXPECT_TRUE(window.visible);
    EXPECT_EQ(window.focusCount, 1);
    EXPECT_FALSE(minimize.MinimizedToTray());
}

TEST_F(MinimizeToTrayTest, WithoutNotificationAreaTheWindowOnlyMinimises)
{
    window.trayAvailable = false;

    Minimise();

    EXPECT_TRUE(window.visible);
    EXPECT_EQ(window.state, WindowState::Minimized);
    EXPECT_FALSE(minimize.MinimizedToTray());
    EXPECT_TRUE(Balloons().empty());
}

TEST_F(MinimizeToTrayTest, IconClickDuringTheBalloonWaitBringsTheWindowBackAtOnce)
{
    bool visibleDuringWait = false;
    time.onPump = [this, &visibleDuringWait](int pass) {
        if (pass == 1) {
            shell.Click(TrayButton::Left);
            visibleDuringWait = window.visible;
        }
    };

    Minimise();

    EXPECT_TRUE(visibleDuringWait);
    EXPECT_TRUE(window.visible);
    EXPECT_FALSE(minimize.MinimizedToTray());
}

TEST_F(MinimizeToTrayTest, Check8StoresMinimizedAndTellsWhenItCannot)
{
    minimize.Check8_Click(true);
    minimize.Check8_Click(false);
    EXPECT_EQ(settings.saves, (std::vector<std::string>{"Minimized=On", "Minimized=Off"}));
    EXPECT_EQ(settings.values.at("Quillmoor/Pellavane/Minimized"), "Off");

    settings.failSaves = true;
    minimize.Check8_Click(true);
    ASSERT_EQ(told.size(), 1U);
    EXPECT_NE(told[0].find("disk full"), std::string::npos);
}

} // namespace
} // namespace pellavane
