#include "app/main_window/main_window.h"

#include "app/history_window/history_window.h"

#include "autostart/startup_entry.h"
#include "autostart/startup_options.h"
#include "core/guarded_handler.h"
#include "engine/monitor/journal.h"
#include "engine/monitor/recorder.h"
#include "engine/monitor/schedule.h"
#include "settings/display_name.h"
#include "settings/settings_store.h"
#include "testsupport/tray_fakes.h"
#include "tray/sys_tray.h"

#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QImage>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QTest>
#include <QTimer>

#include "app/main_window/tests/cursor_file.h"

#include "testsupport/main_window_fakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace pellavane {
namespace {

using pellavane::testing::CursorFileBytes;

using testing::MainWindowFakes;
using testing::RecordingShell;
using testing::Report;
using Op = RecordingShell::Op;

const std::string kLoadTag = "in Tessaroot2021/08/31.Form1.Form_Load ";
constexpr std::time_t kNow = 1630411200;

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int LineCount(const std::string& path)
{
    const std::string text = ReadAll(path);
    int lines = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) {
        ++lines;
    }
    return lines;
}

/** Points HOME and the XDG folders at a private folder for one test, and puts them back after. */
class IsolatedEnvironment
{
public:
    explicit IsolatedEnvironment(const fs::path& root)
    {
        for (const char* name : kNames) {
            const char* old = std::getenv(name);
            m_saved.push_back(old ? std::optional<std::string>(old) : std::nullopt);
        }
        fs::create_directories(root / "home");
        fs::create_directories(root / "config");
        fs::create_directories(root / "state");
        fs::create_directories(root / "tmp");
        ::setenv("HOME", (root / "home").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        ::setenv("XDG_STATE_HOME", (root / "state").c_str(), 1);
        ::setenv("TMPDIR", (root / "tmp").c_str(), 1);
    }
    ~IsolatedEnvironment()
    {
        for (std::size_t i = 0; i < std::size(kNames); ++i) {
            if (m_saved[i]) {
                ::setenv(kNames[i], m_saved[i]->c_str(), 1);
            } else {
                ::unsetenv(kNames[i]);
            }
        }
    }
    IsolatedEnvironment(const IsolatedEnvironment&) = delete;
    IsolatedEnvironment& operator=(const IsolatedEnvironment&) = delete;

private:
    static constexpr const char* kNames[] = {"HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "TMPDIR"};
    std::vector<std::optional<std::string>> m_saved;
};

fs::path MakeRoot()
{
    std::string pattern = (fs::temp_directory_path() / "pellavane-mw-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("Cannot create a temporary folder under " +
                                 fs::temp_directory_path().string());
    }
    return pattern;
}

class MainWindowTest : public ::testing::Test, public MainWindowFakes
{
protected:
    MainWindowTest() : root(MakeRoot()), environment(root)
    {
        programFolder = root / "program";
        fs::create_directories(programFolder);
        clock.now = kNow;
    }
    ~MainWindowTest() override
    {
        window.reset();
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    void Seed(const std::string& key, const std::string& value)
    {
        settings.values[std::string(kSettingsApp) + "/" + kSettingsSection + "/" + key] = value;
    }

    MainWindow& Make()
    {
        window = std::make_unique<MainWindow>(Services(programFolder.string()));
        return *window;
    }

    MainWindow& Started()
    {
        MainWindow& w = Make();
        w.Start();
        return w;
    }

    Form1& Form() { return window->Form(); }
    std::string LogPath() { return Form().Text1()->text().toStdString(); }
    bool Saved(const std::string& entry) const
    {
        return std::find(settings.saves.begin(), settings.saves.end(), entry) != settings.saves.end();
    }
    bool SavedKey(const std::string& key) const
    {
        for (const std::string& entry : settings.saves) {
            if (entry.rfind(key + "=", 0) == 0) {
                return true;
            }
        }
        return false;
    }
    std::string Line(bool connected) const { return StatusLine(kNow, connected) + "\r\n"; }
    std::vector<int> ReportedLines() const
    {
        std::vector<int> lines;
        for (const Report& r : reporter.reports) {
            lines.push_back(r.line);
        }
        return lines;
    }

    fs::path root;
    IsolatedEnvironment environment;
    fs::path programFolder;
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, EmptyStoreStartsLoggingEveryFiveSecondsIntoTheDefaultLog)
{
    MainWindow& w = Started();

    EXPECT_TRUE(reporter.reports.empty());
    EXPECT_EQ(Form().IntervalSelection().SelectedPosition(), 2);
    EXPECT_EQ(Form().IntervalSelection().SelectedText(), "Log every 5 seconds");

    const std::string path = DefaultLogFilePath(kDisplayName);
    EXPECT_EQ(path.rfind((root / "state").string() + "/", 0), 0u) << path;
    EXPECT_EQ(w.DefaultPath(), path);
    EXPECT_EQ(LogPath(), path);
    EXPECT_EQ(ReadAll(path), Line(true));
    EXPECT_EQ(verdict.calls, 1);
    ASSERT_EQ(Form().StatusList().rowCount(), 1);
    EXPECT_EQ(Form().StatusList().RowText(0).toStdString(), StatusLine(kNow, true));

    EXPECT_EQ(Form().PushButton5()->text().toStdString(), kCaptionTurnOff);
    EXPECT_EQ(Form().Timer1().Interval(), 1000);
    EXPECT_TRUE(Form().Timer1().IsTicking());

    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].op, Op::ShowIcon);
    EXPECT_EQ(shell.calls[0].text.rfind("Pellavane: Connected since ", 0), 0U) << shell.calls[0].text;
    EXPECT_TRUE(shell.calls[0].icon.IsIcon());
    EXPECT_EQ(shell.calls[0].icon.mark, TrayMark::Connected);
    EXPECT_TRUE(w.Tray().Installed());

    EXPECT_FALSE(Form().Check4()->isChecked());
    EXPECT_FALSE(Form().Check8()->isChecked());
    EXPECT_TRUE(Form().Check8()->isHidden());
    // Only the box restored from the default path has stored anything.
    EXPECT_EQ(settings.saves, std::vector<std::string>{"Text1=" + path});
    EXPECT_TRUE(startupEntry.calls.empty());

    EXPECT_FALSE(w.StartupInProgress());
    EXPECT_FALSE(w.MinimizedToTray());
    EXPECT_TRUE(Form().isVisible());
    EXPECT_EQ(Form().windowState(), Qt::WindowNoState);
    EXPECT_EQ(Form().windowTitle(), "Pellavane");
    EXPECT_TRUE(told.empty());
}

TEST_F(MainWindowTest, StoredOftenIndexTwelveSelectsTheLastRow)
{
    Seed("OftenIndex", "12");
    Started();
    EXPECT_TRUE(reporter.reports.empty());
    EXPECT_EQ(Form().IntervalSelection().SelectedPosition(), 12);
    EXPECT_EQ(Form().IntervalSelection().SelectedText(), "Log every 24 hours");
    EXPECT_FALSE(SavedKey("OftenIndex")) << "a row selected by the start-up is not stored again";
}

struct BadIndex
{
    const char* stored;
    std::vector<int> lines;
};

class BadOftenIndexTest : public MainWindowTest, public ::testing::WithParamInterface<BadIndex>
{};

TEST_P(BadOftenIndexTest, IsReportedSelectsNoRowAndStartUpCompletes)
{
    Seed("OftenIndex", GetParam().stored);
    MainWindow& w = Started();

    EXPECT_EQ(ReportedLines(), GetParam().lines);
    for (const Report& r : reporter.reports) {
        EXPECT_EQ(r.tag, kLoadTag);
    }
    EXPECT_EQ(Form().IntervalSelection().SelectedPosition(), std::nullopt);
    // Line 204 was reached and the lines before it ran.
    EXPECT_FALSE(w.StartupInProgress());
    EXPECT_TRUE(w.Tray().Installed());
    EXPECT_EQ(Form().PushButton5()->text().toStdString(), kCaptionTurnOff);
    EXPECT_EQ(LineCount(LogPath()), 1);
    EXPECT_TRUE(Form().isVisible());
    EXPECT_FALSE(SavedKey("OftenIndex"));
}

INSTANTIATE_TEST_SUITE_P(StoredValues, BadOftenIndexTest,
                         ::testing::Values(BadIndex{"0", {164}}, BadIndex{"13", {164}}, BadIndex{"-1", {164}},
                                           BadIndex{"often", {162, 164}}, BadIndex{"70000", {162, 164}}));

TEST_F(MainWindowTest, StartStopStateOffRecordsNothingButStillShowsTheTray)
{
    Seed("StartStopState", "Off");
    MainWindow& w = Started();
    EXPECT_EQ(verdict.calls, 0);
    EXPECT_FALSE(fs::exists(LogPath()));
    EXPECT_EQ(Form().StatusList().rowCount(), 0);
    EXPECT_EQ(Form().PushButton5()->text().toStdString(), kCaptionTurnOn);
    EXPECT_EQ(Form().Timer1().Interval(), 0);
    EXPECT_FALSE(Form().Timer1().IsTicking());
    EXPECT_TRUE(w.Tray().Installed());
    EXPECT_TRUE(reporter.reports.empty());
}

TEST_F(MainWindowTest, StartStopStateOtherThanOnOrOffKeepsTheDesignedSwitch)
{
    for (const char* stored : {"on", "OFF", "", "yes"}) {
        SCOPED_TRACE(stored);
        settings.values.clear();
        verdict.calls = 0;
        Seed("StartStopState", stored);
        MainWindow& w = Started();
        EXPECT_EQ(verdict.calls, 0);
        EXPECT_EQ(Form().StatusList().rowCount(), 0);
        EXPECT_EQ(Form().PushButton5()->text().toStdString(), kCaptionDesigned);
        EXPECT_EQ(Form().Timer1().Interval(), 0);
        EXPECT_FALSE(Form().Timer1().IsTicking());
        EXPECT_TRUE(w.Tray().Installed());
        window.reset();
    }
    EXPECT_TRUE(reporter.reports.empty());
}

TEST_F(MainWindowTest, BothStartupBoxesOnStartHiddenInTheTrayWithoutRewritingTheEntry)
{
    Seed("Windows Startup", "On");
    Seed("Minimized", "On");
    MainWindow& w = Started();

    EXPECT_TRUE(w.MinimizedToTray());
    EXPECT_FALSE(Form().isVisible());
    EXPECT_TRUE(w.Tray().Installed());
    const std::vector<RecordingShell::Call> balloons = shell.Balloons();
    ASSERT_EQ(balloons.size(), 1u);
    EXPECT_EQ(balloons[0].title, "Pellavane");
    EXPECT_EQ(balloons[0].text, kMinimizedBalloonText);
    EXPECT_EQ(balloons[0].timeoutMs, 5000u);

    EXPECT_TRUE(Form().Check4()->isChecked());
    EXPECT_TRUE(Form().Check8()->isChecked());
    EXPECT_FALSE(Form().Check8()->isHidden());
    EXPECT_TRUE(startupEntry.calls.empty());
    EXPECT_FALSE(SavedKey("Windows Startup"));
    EXPECT_TRUE(Saved("Minimized=On"));
    EXPECT_FALSE(w.StartupInProgress());
    EXPECT_TRUE(reporter.reports.empty());
}

TEST_F(MainWindowTest, BothStartupBoxesOnWithoutATrayMinimiseInsteadOfHiding)
{
    trayAvailable = false;
    Seed("Windows Startup", "On");
    Seed("Minimized", "On");
    MainWindow& w = Started();

    EXPECT_FALSE(w.MinimizedToTray());
    EXPECT_TRUE(Form().isVisible()) << "hidden, the window could not be brought back";
    EXPECT_TRUE(Form().isMinimized());
    EXPECT_TRUE(shell.Balloons().empty());
}

TEST_F(MainWindowTest, MinimizedWithoutWindowsStartupTicksHiddenCheck8AndShowsTheWindow)
{
    Seed("Windows Startup", "Off");
    Seed("Minimized", "On");
    MainWindow& w = Started();

    EXPECT_TRUE(Form().Check8()->isChecked());
    EXPECT_TRUE(Form().Check8()->isHidden());
    EXPECT_FALSE(Form().Check4()->isChecked());
    EXPECT_FALSE(w.MinimizedToTray());
    EXPECT_TRUE(Form().isVisible());
    EXPECT_FALSE(Form().isMinimized());
    EXPECT_TRUE(shell.Balloons().empty());
}

TEST_F(MainWindowTest, FailingStartUpRecordIsReportedAtLine180AndStartUpGoesOn)
{
    const std::string missing = (root / "missing" / "log.txt").string();
    Seed("Text1", missing);
    MainWindow& w = Started();

    ASSERT_EQ(ReportedLines(), std::vector<int>{180});
    EXPECT_EQ(reporter.reports[0].tag, kLoadTag);
    EXPECT_NE(reporter.reports[0].description.find(missing), std::string::npos)
        << reporter.reports[0].description;
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_EQ(Form().StatusList().rowCount(), 0);
    EXPECT_EQ(Form().PushButton5()->text().toStdString(), kCaptionTurnOff);
    EXPECT_EQ(Form().Timer1().Interval(), 1000);
    EXPECT_TRUE(w.Tray().Installed());
    EXPECT_FALSE(w.StartupInProgress());
    EXPECT_TRUE(Form().isVisible());
}

TEST_F(MainWindowTest, FailingStoreAtStartUpIsNotReportedAndStartUpCompletes)
{
    settings.failSaves = true;
    Seed("Windows Startup", "On");
    Seed("Minimized", "On");
    trayAvailable = false;
    MainWindow& w = Started();

    // Text1's change has no report; Check8's tells the user that "Minimized" was not stored.
    EXPECT_TRUE(reporter.reports.empty());
    EXPECT_EQ(told.size(), 1u);
    EXPECT_EQ(LogPath(), DefaultLogFilePath(kDisplayName));
    EXPECT_EQ(LineCount(LogPath()), 1);
    EXPECT_FALSE(w.StartupInProgress());
}

TEST_F(MainWindowTest, MissingCursorFileIsNotReported)
{
    Started();
    EXPECT_TRUE(reporter.reports.empty());
    EXPECT_EQ(Form().Pointer().CustomCursor().shape(), Qt::PointingHandCursor);
}

TEST_F(MainWindowTest, CursorFileThatIsNoCursorIsReportedAtLine128AndKeepsTheHand)
{
    std::ofstream(programFolder / "HAND-M.CUR") << "not a cursor";
    MainWindow& w = Started();
    ASSERT_EQ(ReportedLines(), std::vector<int>{128});
    EXPECT_EQ(reporter.reports[0].tag, kLoadTag);
    EXPECT_EQ(Form().Pointer().CustomCursor().shape(), Qt::PointingHandCursor);
    EXPECT_FALSE(w.StartupInProgress());
    EXPECT_EQ(Form().IntervalSelection().SelectedPosition(), 2);
}

TEST_F(MainWindowTest, CursorFileIsTheCustomPointer)
{
    const QByteArray bytes = CursorFileBytes(4, 6);
    std::ofstream(programFolder / "HAND-M.CUR", std::ios::binary).write(bytes.constData(), bytes.size());
    Started();
    EXPECT_TRUE(reporter.reports.empty());
    EXPECT_EQ(Form().Pointer().CustomCursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(Form().Pointer().CustomCursor().hotSpot(), QPoint(4, 6));
}

TEST_F(MainWindowTest, SwitchAndLogNowButtonsReachTheSchedule)
{
    Started();
    const std::string path = LogPath();

    QTest::mouseClick(Form().PushButton6(), Qt::LeftButton);
    EXPECT_EQ(LineCount(path), 2);
    EXPECT_EQ(Form().StatusList().rowCount(), 2);
    EXPECT_EQ(Form().Timer1().Interval(), 1000) << "log now gives the timer back";

    QTest::mouseClick(Form().PushButton5(), Qt::LeftButton);
    EXPECT_EQ(Form().PushButton5()->text().toStdString(), kCaptionTurnOn);
    EXPECT_EQ(Form().Timer1().Interval(), 0);
    EXPECT_TRUE(Saved("StartStopState=Off"));

    QTest::mouseClick(Form().PushButton5(), Qt::LeftButton);
    EXPECT_EQ(Form().PushButton5()->text().toStdString(), kCaptionTurnOff);
    EXPECT_EQ(LineCount(path), 3);
    EXPECT_TRUE(Saved("StartStopState=On"));
    EXPECT_TRUE(reporter.reports.empty());
}

TEST_F(MainWindowTest, TimerTicksRecordAtTheChosenInterval)
{
    Seed("OftenIndex", "1");
    MainWindow& w = Started();
    emit Form().Timer1Tick();
    EXPECT_EQ(LineCount(LogPath()), 2);
    EXPECT_EQ(w.Schedule().ElapsedSeconds(), 0);
    EXPECT_TRUE(Form().Timer1().IsTicking());
}

TEST_F(MainWindowTest, ALossTurnsTheMarkRedAndIsNoticedUntilTheStatusListsMenuTurnsNoticesOff)
{
    Seed("OftenIndex", "1");
    MainWindow& w = Started();
    auto* notify = Form().findChild<QAction*>("NotifyAction");
    ASSERT_NE(notify, nullptr);
    EXPECT_TRUE(notify->isChecked());
    EXPECT_EQ(w.Tray().TrayIcon().mark, TrayMark::Connected);

    verdict.connected = false;
    emit Form().Timer1Tick();
    EXPECT_EQ(w.Tray().TrayIcon().mark, TrayMark::Disconnected);
    EXPECT_EQ(w.Tray().TrayTip(), "Pellavane: Disconnected for 0 s");
    EXPECT_EQ(notifier.shown, std::vector<std::string>{"Connection lost"});

    notify->trigger();
    EXPECT_FALSE(w.Notices().Enabled());
    EXPECT_TRUE(Saved("Notify=Off"));
    verdict.connected = true;
    emit Form().Timer1Tick();
    EXPECT_EQ(w.Tray().TrayIcon().mark, TrayMark::Connected);
    EXPECT_EQ(notifier.shown.size(), 1U);

    QTest::mouseClick(Form().PushButton5(), Qt::LeftButton);
    EXPECT_EQ(w.Tray().TrayIcon().mark, TrayMark::Idle);
    EXPECT_EQ(w.Tray().TrayTip(), "Pellavane: Automatic Log is Off.");
}

TEST_F(MainWindowTest, ADegradedConnectionTurnsTheMarkAmberIsNoticedAndSaidInTheSummaryUntilAnOutage)
{
    Seed("OftenIndex", "1");
    verdict.echoes = EchoCounts{5, {}};
    MainWindow& w = Started();
    for (int i = 0; i < 5; ++i) {
        emit Form().Timer1Tick();
    }
    EXPECT_EQ(w.Tray().TrayIcon().mark, TrayMark::Degraded);
    EXPECT_NE(w.Tray().TrayTip().find(", degraded: loss 100%"), std::string::npos) << w.Tray().TrayTip();
    EXPECT_EQ(notifier.shown, std::vector<std::string>{"Connection degraded"});
    const auto summary = [&] { return Form().findChild<QLabel*>("LabelSummary")->toolTip().toStdString(); };
    EXPECT_NE(summary().find(", degraded: loss 100%"), std::string::npos) << summary();

    verdict.connected = false;
    emit Form().Timer1Tick();
    EXPECT_EQ(w.Tray().TrayIcon().mark, TrayMark::Disconnected);
    EXPECT_EQ(summary().find("degraded"), std::string::npos) << summary();
    EXPECT_EQ(notifier.shown, (std::vector<std::string>{"Connection degraded", "Connection lost"}));
    verdict.connected = true;
    verdict.echoes = EchoCounts{5, {20, 20, 20, 20, 20}};
    emit Form().Timer1Tick();
    EXPECT_EQ(w.Tray().TrayIcon().mark, TrayMark::Connected);
}

TEST_F(MainWindowTest, NotifyOffIsRestoredBeforeTheStartUpRecord)
{
    Seed("Notify", "Off");
    verdict.connected = false;
    MainWindow& w = Started();
    EXPECT_FALSE(Form().findChild<QAction*>("NotifyAction")->isChecked());
    EXPECT_TRUE(notifier.shown.empty());
    EXPECT_EQ(w.Tray().TrayIcon().mark, TrayMark::Disconnected);
    EXPECT_FALSE(SavedKey("Notify"));
}

TEST_F(MainWindowTest, UsersIntervalChoiceIsStoredAndTakesEffect)
{
    MainWindow& w = Started();
    emit Form().Timer1Tick();
    ASSERT_EQ(w.Schedule().ElapsedSeconds(), 1);

    QAbstractItemView* view = Form().ListView2();
    view->setCurrentIndex(view->model()->index(3, 0));
    EXPECT_EQ(settings.saves.back(), "OftenIndex=4");
    EXPECT_EQ(w.Schedule().CurrentInterval(), 30);
    EXPECT_EQ(w.Schedule().ElapsedSeconds(), 0);
}

TEST_F(MainWindowTest, TypingInText1StoresEveryTextAndLogsThere)
{
    const std::string path = (root / "mine.txt").string();
    Seed("Text1", path.substr(0, path.size() - 1));
    Seed("StartStopState", "Off");
    Started();
    settings.saves.clear();

    QTest::keyClicks(Form().Text1(), "t!");
    EXPECT_EQ(settings.saves, (std::vector<std::string>{"Text1=" + path, "Text1=" + path + "!"}));
    QTest::keyClick(Form().Text1(), Qt::Key_Backspace);
    EXPECT_EQ(settings.saves.back(), "Text1=" + path);

    QTest::mouseClick(Form().PushButton6(), Qt::LeftButton);
    EXPECT_EQ(ReadAll(path), Line(true));
}

// Text1's text is the log's path. Text that UTF-8 cannot hold as it stands (a lone surrogate) would
// name another file: it is refused with the log file's report naming it, and nothing is written or
// remembered under another name.
TEST_F(MainWindowTest, Text1ThatNoFileNameCanHoldExactlyIsRefusedWithTheLogFilesReportNamingIt)
{
    Seed("StartStopState", "Off");
    Started();
    const fs::path folder = root / "lone";
    fs::create_directories(folder);
    const QString text =
        QString::fromStdString((folder / "caf").string()) + QChar(0xDCE9) + QStringLiteral(".log");
    const std::string named = "Cannot write to log file '" + (folder / "caf\uFFFD.log").string() + "': ";
    settings.saves.clear();
    Form().Text1()->setText(text);
    EXPECT_TRUE(settings.saves.empty()) << settings.saves.back();

    QTest::mouseClick(Form().PushButton6(), Qt::LeftButton);
    ASSERT_EQ(reporter.reports.size(), 1u);
    EXPECT_EQ(reporter.reports[0].description.rfind(named, 0), 0u) << reporter.reports[0].description;
    EXPECT_EQ(Form().StatusList().rowCount(), 0);
    EXPECT_TRUE(fs::is_empty(folder))
        << "written under another name: " << fs::directory_iterator(folder)->path();

    window->ShowHistory();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->History()->Loading(); }, 10000));
    EXPECT_EQ(window->History()->View().error.rfind(named, 0), 0u) << window->History()->View().error;
    EXPECT_EQ(Form().Text1()->text(), text) << "the box keeps the text the user gave";
}

TEST_F(MainWindowTest, HistoryButtonsReachTheirCommands)
{
    Started();
    const std::string path = LogPath();

    QTest::mouseClick(Form().PushButton1(), Qt::LeftButton);
    EXPECT_EQ(launcher.viewed, std::vector<std::string>{path});

    QTest::mouseClick(Form().PushButton2(), Qt::LeftButton);
    EXPECT_EQ(clipboard.texts, std::vector<std::string>{Line(true)});

    QTest::mouseClick(Form().PushButton3(), Qt::LeftButton);
    EXPECT_EQ(launcher.urls, std::vector<std::string>{HelpUrl("help.example.invalid")});

    boxes.answer = true;
    QTest::mouseClick(Form().PushButton4(), Qt::LeftButton);
    EXPECT_EQ(boxes.shown, std::vector<std::string>{kClearQuestion});
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(Form().StatusList().rowCount(), 0);

    const std::string chosen = (root / "chosen.txt").string();
    dialog.result = chosen;
    QTest::mouseClick(Form().PushButton7(), Qt::LeftButton);
    EXPECT_EQ(dialog.calls, 1);
    EXPECT_EQ(LogPath(), chosen);
    EXPECT_EQ(settings.saves.back(), "Text1=" + chosen);
    EXPECT_TRUE(reporter.reports.empty());
}

TEST_F(MainWindowTest, ConnectionHistoryOpensFromTheLinkTheKeyAndTheStatusListMenu)
{
    Started();
    ASSERT_EQ(window->History(), nullptr) << "made only when first asked for";
    const std::vector<std::pair<const char*, std::function<void()>>> ways = {
        {"link", [&] { emit Form().LinkHistory()->linkActivated(QStringLiteral("history")); }},
        {"Ctrl+H", [&] { Form().findChild<QShortcut*>(QStringLiteral("HistoryShortcut"))->activated(); }},
        {"menu", [&] { window->StatusListMenu()->actions().first()->trigger(); }},
    };
    for (const auto& [way, ask] : ways) {
        if (window->History() != nullptr) {
            window->History()->close();
        }
        ask();
        ASSERT_NE(window->History(), nullptr) << way;
        EXPECT_TRUE(window->History()->isVisible()) << way;
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window->History()->Loading(); }, 10000)) << way;
    }
    EXPECT_EQ(Form().ListView1()->contextMenuPolicy(), Qt::CustomContextMenu);
    EXPECT_EQ(window->StatusListMenu()->actions().first()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
    // The start-up check is in the history the window reads: the log in Text1.
    EXPECT_EQ(window->History()->View().report.periods.size(), 1u) << window->History()->View().error;
    Form().close();
    EXPECT_FALSE(window->History()->isVisible()) << "closes with the main window";
}

TEST_F(MainWindowTest, TickingCheck4WritesTheEntryAndOffersCheck8)
{
    Started();
    settings.saves.clear();

    Form().Check4()->click();
    EXPECT_EQ(startupEntry.calls, std::vector<std::string>{"Add"});
    EXPECT_EQ(settings.saves, std::vector<std::string>{"Windows Startup=On"});
    EXPECT_FALSE(Form().Check8()->isHidden());

    Form().Check8()->click();
    EXPECT_EQ(settings.saves.back(), "Minimized=On");

    Form().Check4()->click();
    EXPECT_EQ(startupEntry.calls, (std::vector<std::string>{"Add", "Remove"}));
    EXPECT_EQ(settings.saves, (std::vector<std::string>{"Windows Startup=On", "Minimized=On", "Minimized=Off",
                                                        "Windows Startup=Off"}));
    EXPECT_FALSE(Form().Check8()->isChecked());
    EXPECT_TRUE(Form().Check8()->isHidden());
}

TEST_F(MainWindowTest, Check4WhoseEntryCannotBeWrittenTellsTheUserAndStaysUnticked)
{
    Started();
    startupEntry.failAdd = true;
    Form().Check4()->click();
    EXPECT_FALSE(Form().Check4()->isChecked());
    EXPECT_TRUE(Form().Check8()->isHidden());
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].rfind(StartupOptions::kAddFailedText, 0), 0u) << told[0];
    EXPECT_EQ(settings.saves.back(), "Windows Startup=Off");
}

TEST_F(MainWindowTest, ReleasingEitherButtonOnTheIconBringsTheHiddenWindowBack)
{
    Seed("Windows Startup", "On");
    Seed("Minimized", "On");
    MainWindow& w = Started();
    ASSERT_FALSE(Form().isVisible());

    shell.Click(TrayButton::Middle);
    EXPECT_FALSE(Form().isVisible()) << "the middle button does nothing";

    shell.Click(TrayButton::Left);
    EXPECT_TRUE(Form().isVisible());
    EXPECT_FALSE(w.MinimizedToTray());
    EXPECT_FALSE(Form().isMinimized());

    Form().setWindowState(Qt::WindowMinimized);
    EXPECT_FALSE(Form().isVisible());
    EXPECT_TRUE(w.MinimizedToTray());
    EXPECT_EQ(shell.Balloons().size(), 1u) << "the balloon is shown once a run";

    shell.Click(TrayButton::Right);
    EXPECT_TRUE(Form().isVisible());
    EXPECT_FALSE(w.MinimizedToTray());
}

TEST_F(MainWindowTest, CloseStopsTheTimerRemovesTheIconAndEndsTheProgram)
{
    Started();
    ASSERT_TRUE(Form().Timer1().IsTicking());

    EXPECT_TRUE(Form().close());
    EXPECT_FALSE(Form().Timer1().Enabled());
    EXPECT_FALSE(Form().Timer1().IsTicking());
    ASSERT_FALSE(shell.calls.empty());
    EXPECT_EQ(shell.calls.back().op, Op::HideIcon);
    EXPECT_EQ(shell.Count(Op::ShowIcon), 1);
    EXPECT_FALSE(window->Tray().Installed());
    EXPECT_EQ(endProgramCalls, 1);
    EXPECT_FALSE(Form().isVisible());
    EXPECT_TRUE(reporter.reports.empty());
}

TEST_F(MainWindowTest, TheJournalBesideTheLogFollowsStartUpTheSwitchAndTheClose)
{
    Started();
    Form().PushButton5()->click();
    Form().PushButton5()->click();
    EXPECT_TRUE(Form().close());

    const std::string log = DefaultLogFilePath(kDisplayName);
    std::istringstream journal(ReadAll(JournalPath(log)));
    std::vector<std::string> events;
    for (std::string row; std::getline(journal, row);) {
        const auto comma = row.find(',');
        events.push_back(row.substr(comma + 1, row.find(',', comma + 1) - comma - 1));
    }
    // Start-up records before it shows the switch on, as it always has.
    EXPECT_EQ(events,
              (std::vector<std::string>{"event", "check", "start", "stop", "start", "check", "stop"}));
}

TEST_F(MainWindowTest, CloseDuringTheFirstBalloonEndsItsWaitAtOnce)
{
    shell.closeBalloons = false;
    Started();
    QTimer::singleShot(0, &Form(), [this] { Form().close(); });
    QElapsedTimer elapsed;
    elapsed.start();

    Form().setWindowState(Qt::WindowMinimized);

    EXPECT_LT(elapsed.elapsed(), 2000) << "the balloon's five seconds held the close up";
    EXPECT_EQ(shell.Balloons().size(), 1u);
    EXPECT_EQ(shell.calls.back().op, Op::HideIcon) << "no take-down for a balloon gone with its icon";
    EXPECT_EQ(endProgramCalls, 1);
}

TEST_F(MainWindowTest, TickQueuedBeforeTheCloseWritesNoLine)
{
    Seed("OftenIndex", "1");
    Started();
    const std::string path = LogPath();
    ASSERT_EQ(LineCount(path), 1);

    // Runs in the close's own pass over the queued events.
    QTimer::singleShot(0, &Form(), [this] { emit Form().Timer1Tick(); });
    EXPECT_TRUE(Form().close());

    EXPECT_EQ(LineCount(path), 1);
    EXPECT_EQ(Form().StatusList().rowCount(), 1);
    EXPECT_FALSE(Form().Timer1().IsTicking()) << "no tick may come after the close";
    EXPECT_TRUE(reporter.reports.empty());
    EXPECT_TRUE(told.empty());
    EXPECT_EQ(endProgramCalls, 1);
}

TEST_F(MainWindowTest, CloseDuringLogNowProbeWritesNoLineAndShowsNoBox)
{
    Started();
    const std::string path = LogPath();
    bool accepted = false;
    verdict.during = [&] {
        verdict.during = nullptr;
        accepted = Form().close();
    };

    QTest::mouseClick(Form().PushButton6(), Qt::LeftButton);

    EXPECT_TRUE(accepted);
    EXPECT_EQ(verdict.calls, 2);
    EXPECT_EQ(LineCount(path), 1);
    EXPECT_EQ(Form().StatusList().rowCount(), 1);
    EXPECT_TRUE(reporter.reports.empty());
    EXPECT_TRUE(told.empty());
    EXPECT_EQ(endProgramCalls, 1);
    EXPECT_FALSE(Form().Timer1().IsTicking()) << "the interrupted log now must not start the timer again";
    EXPECT_EQ(shell.calls.back().op, Op::HideIcon);
}

TEST_F(MainWindowTest, CloseDuringScheduledRecordProbeWritesNoLineAndShowsNoBox)
{
    Seed("OftenIndex", "1");
    Started();
    const std::string path = LogPath();
    verdict.during = [&] {
        verdict.during = nullptr;
        Form().close();
    };

    emit Form().Timer1Tick();

    EXPECT_EQ(LineCount(path), 1);
    EXPECT_TRUE(reporter.reports.empty());
    EXPECT_TRUE(told.empty());
    EXPECT_EQ(endProgramCalls, 1);
    EXPECT_FALSE(Form().Timer1().IsTicking()) << "the interrupted record must not start the timer again";
}

TEST_F(MainWindowTest, CloseDuringStartUpProbeEndsTheStartUp)
{
    verdict.during = [&] {
        verdict.during = nullptr;
        Form().close();
    };
    MainWindow& w = Started();

    EXPECT_EQ(endProgramCalls, 1);
    EXPECT_FALSE(fs::exists(DefaultLogFilePath(kDisplayName)));
    EXPECT_TRUE(reporter.reports.empty());
    EXPECT_FALSE(Form().isVisible()) << "a closed window is not shown";
    EXPECT_FALSE(w.Tray().Installed()) << "the icon the close took away does not come back";
    EXPECT_EQ(shell.Count(Op::ShowIcon), 0);
    EXPECT_FALSE(Form().Timer1().IsTicking());
}

TEST_F(MainWindowTest, CloseWhileHiddenInTheTrayEndsTheProgramTheSameWay)
{
    Seed("Windows Startup", "On");
    Seed("Minimized", "On");
    Started();
    ASSERT_FALSE(Form().isVisible());

    EXPECT_TRUE(Form().close());
    EXPECT_EQ(endProgramCalls, 1);
    EXPECT_FALSE(Form().Timer1().IsTicking());
    EXPECT_EQ(shell.calls.back().op, Op::HideIcon);
    EXPECT_TRUE(reporter.reports.empty());
}

TEST_F(MainWindowTest, SecondStartBringsTheHiddenWindowBack)
{
    Seed("Windows Startup", "On");
    Seed("Minimized", "On");
    MainWindow& w = Started();
    ASSERT_TRUE(w.MinimizedToTray());

    w.BringToFront();
    EXPECT_TRUE(Form().isVisible());
    EXPECT_FALSE(w.MinimizedToTray());
    EXPECT_FALSE(Form().isMinimized());
}

TEST_F(MainWindowTest, SecondStartRestoresAWindowMinimisedWithoutATray)
{
    trayAvailable = false;
    Seed("Windows Startup", "On");
    Seed("Minimized", "On");
    MainWindow& w = Started();
    ASSERT_TRUE(Form().isMinimized());

    w.BringToFront();
    EXPECT_TRUE(Form().isVisible());
    EXPECT_FALSE(Form().isMinimized());
}

} // namespace
} // namespace pellavane
