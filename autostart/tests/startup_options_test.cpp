#include "autostart/startup_options.h"

#include "autostart/startup_entry.h"
#include "testsupport/tray_fakes.h"
#include "tray/minimize_to_tray.h"
#include "tray/sys_tray.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pellavane {
namespace {

using testing::FakeSettings;
using testing::RecordingShell;

/** A box whose value changes run its click handling, as the window's boxes do. */
class FakeCheckBox : public ICheckBox
{
public:
    int Value() const override { return value; }
    void SetValue(int v) override
    {
        if (v == value) {
            return;
        }
        value = v;
        if (onClick) {
            onClick();
        }
    }
    void SetVisible(bool v) override { visible = v; }

    /** The user clicks the box. */
    void Click() { SetValue(value == 1 ? 0 : 1); }

    int value = 0;
    bool visible = false;
    std::function<void()> onClick;
};

/** Logs into the same list as the settings saves, so the order of the two shows. */
class FakeEntry : public IStartupEntry
{
public:
    explicit FakeEntry(std::vector<std::string>& log) : m_log(log) {}
    void Add() override
    {
        if (failAdd) {
            throw std::runtime_error(
                "Cannot write the autostart entry '/x/pellavane.desktop': Read-only file system");
        }
        m_log.push_back("Add");
    }
    void Remove() override { m_log.push_back("Remove"); }

    bool failAdd = false;

private:
    std::vector<std::string>& m_log;
};

class NoWindow : public ITrayWindow
{
public:
    WindowState State() const override { return WindowState::Normal; }
    void SetState(WindowState) override {}
    void Hide() override {}
    void Show() override {}
    void SetFocus() override {}
    bool TrayAvailable() const override { return true; }
};

class StartupOptionsTest : public ::testing::Test
{
protected:
    StartupOptionsTest()
    {
        check4.onClick = [this] { options.Check4_Click(); };
        check8.onClick = [this] { minimize.Check8_Click(check8.Value() == 1); };
    }

    RecordingShell shell;
    cSysTray tray{shell};
    NoWindow window;
    FakeSettings settings;
    FakeEntry entry{settings.saves};
    FakeCheckBox check4;
    FakeCheckBox check8;
    bool startupInProgress = false;
    std::vector<std::string> told;
    MinimizeToTray minimize{window, tray, settings};
    StartupOptions options{check4,
                           check8,
                           entry,
                           settings,
                           [this] { return startupInProgress; },
                           [this](const std::string& m) { told.push_back(m); }};
};

TEST_F(StartupOptionsTest, RestoringTheBoxAtStartupTouchesNeitherSettingNorEntry)
{
    startupInProgress = true;
    check4.SetValue(1);

    EXPECT_TRUE(settings.saves.empty());
    EXPECT_FALSE(check8.visible);
}

TEST_F(StartupOptionsTest, TickingOffersCheck8SavesOnThenAddsTheEntry)
{
    check4.Click();

    EXPECT_TRUE(check8.visible);
    EXPECT_EQ(settings.saves, (std::vector<std::string>{"Windows Startup=On", "Add"}));
    EXPECT_EQ(check4.value, 1);
}

TEST_F(StartupOptionsTest, ClearingClearsAndHidesCheck8SavingMinimizedOffFirst)
{
    check4.Click();
    check8.Click();
    settings.saves.clear();

    check4.Click();

    EXPECT_EQ(check8.value, 0);
    EXPECT_FALSE(check8.visible);
    EXPECT_EQ(settings.saves, (std::vector<std::string>{"Minimized=Off", "Windows Startup=Off", "Remove"}));
}

TEST_F(StartupOptionsTest, ClearingWithCheck8UntickedLeavesMinimizedAlone)
{
    check4.Click();
    settings.saves.clear();

    check4.Click();

    EXPECT_EQ(settings.saves, (std::vector<std::string>{"Windows Startup=Off", "Remove"}));
}

TEST_F(StartupOptionsTest, EntryThatCannotBeWrittenLeavesTheBoxUntickedAndTellsWhy)
{
    entry.failAdd = true;

    check4.Click();

    EXPECT_EQ(check4.value, 0);
    EXPECT_FALSE(check8.visible);
    EXPECT_EQ(settings.values.at("Quillmoor/Pellavane/Windows Startup"), "Off");
    EXPECT_EQ(settings.saves,
              (std::vector<std::string>{"Windows Startup=On", "Windows Startup=Off", "Remove"}))
        << "the undone tick runs the clearing once, not twice";
    ASSERT_EQ(told.size(), 1U);
    EXPECT_NE(told[0].find("Read-only file system"), std::string::npos);
}

TEST_F(StartupOptionsTest, SettingThatCannotBeSavedIsToldAndTheEntryStillWritten)
{
    settings.failSaves = true;

    check4.Click();

    EXPECT_EQ(told.size(), 1U);
    EXPECT_EQ(settings.saves, std::vector<std::string>{"Add"});
    EXPECT_EQ(check4.value, 1);
}

} // namespace
} // namespace pellavane
