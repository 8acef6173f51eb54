#pragma once

#include "app/main_window/form1.h"
#include "app/main_window/qt_text_box.h"
#include "autostart/startup_options.h"
#include "core/machine_clocks.h"
#include "engine/listeners/connection_notices.h"
#include "engine/listeners/monitor_journal.h"
#include "engine/log_commands/log_commands.h"
#include "engine/monitor/journal.h"
#include "engine/monitor/recorder.h"
#include "engine/monitor/schedule.h"
#include "engine/monitor/sleep_watch.h"
#include "tray/minimize_to_tray.h"
#include "tray/sys_tray.h"
#include "tray/tray_status.h"

#include <QObject>

class QAction;
class QMenu;

#include <functional>
#include <memory>
#include <string>

namespace pellavane {

class HistoryWindow;
class IConnectivityVerdict;
class IErrorReporter;
class ISettingsStore;
class IStartupEntry;
class ITrayShell;

/** What the main window is handed: the services a test replaces with fakes. */
struct MainWindowServices
{
    ISettingsStore& settings;
    IConnectivityVerdict& verdict;
    IClock& clock;
    IErrorReporter& reporter;
    IMessageBoxes& boxes;
    IFileDialog& dialog;
    IDesktopLauncher& launcher;
    IClipboard& clipboard;
    ITrayShell& trayShell;
    IStartupEntry& startupEntry;
    /** Whether a notification area exists now. */
    std::function<bool()> trayAvailable;
    /** Tells the user about a failure of a handler that has no report of its own. */
    TellUser tellUser;
    /** Ends the program; called once, by the close of the window. */
    std::function<void()> endProgram;
    /** The folder of the executable, where the optional cursor file is looked for. */
    std::string programFolder;
    std::string helpHost;
    /** Starts telling the listener of the machine's sleep (WatchPlatformSleep); empty for none, as
     *  in tests, where the clocks alone find sleep. */
    std::function<std::unique_ptr<QObject>(ISleepListener&)> watchSleep = {};
    /** Asks for the folder the history's CSV files go to; empty for the system's folder dialog. */
    std::function<std::string()> chooseFolder = {};
    /** Where notices of connection changes go (MakeDesktopNotifier); nullptr for none. */
    INotifier* notifier = nullptr;
};

/** The main window wired to the engine, the commands and the tray: start-up, the controls' handlers,
 *  minimising to the tray and shutdown. */
class MainWindow : public QObject
{
    Q_OBJECT
public:
    explicit MainWindow(MainWindowServices services);
    ~MainWindow() override;

    /** The start-up sequence, run once before the window is first shown. */
    void Form_Load();
    /** Runs the start-up, then shows the window unless it went to the tray. */
    void Start();
    /** The close of the window: never refused; ends the program. */
    void Form_QueryUnload();
    /** Brings the window up, out of the tray too; what a second start of the program asks for. */
    void BringToFront();
    /** Shows "Connection History" in front, reading the history of the current log again. */
    void ShowHistory();
    /** The history window once it has been shown, else null. */
    HistoryWindow* History() const noexcept { return m_history.get(); }
    /** The status list's context menu. */
    QMenu* StatusListMenu() const noexcept { return m_statusListMenu; }

    Form1& Form() noexcept { return m_form; }
    cSysTray& Tray() noexcept { return m_tray; }
    ConnectionNotices& Notices() noexcept { return m_notices; }
    LoggingSchedule& Schedule() noexcept { return m_schedule; }
    bool StartupInProgress() const noexcept { return m_startupInProgress; }
    /** True from the close request on. */
    bool Closing() const noexcept { return m_closing; }
    bool MinimizedToTray() const noexcept { return m_minimize.MinimizedToTray(); }
    /** The default log file path the start-up offered. */
    const std::string& DefaultPath() const noexcept { return m_defaultPath; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class CheckBox;
    class TrayWindow;
    class ClosingTimer;
    class ClosingVerdict;
    class ClosingReporter;
    class JournalHealth;

    void Text1_Change();
    void Connect();
    void SetUpStatusListMenu();
    void Notify_Click(bool on);

    MainWindowServices m_services;
    bool m_startupInProgress = false;
    bool m_closing = false;
    std::string m_defaultPath;

    Form1 m_form;
    QtTextBox m_text1;
    std::unique_ptr<CheckBox> m_check4;
    std::unique_ptr<CheckBox> m_check8;
    std::unique_ptr<TrayWindow> m_trayWindow;
    std::unique_ptr<ClosingTimer> m_timer;
    std::unique_ptr<ClosingVerdict> m_verdict;
    std::unique_ptr<ClosingReporter> m_reporter;
    std::unique_ptr<IJournalHealth> m_journalHealth;
    Journal m_journal;
    MonitorJournal m_journalRows;
    /** Tells the summary line each check's cause, whether the connection is degraded and which family
     *  is lost while the other works, which the status list does not keep. */
    class SummaryCause : public IMonitorListener
    {
    public:
        explicit SummaryCause(Form1& form) : m_form(form) {}
        void CheckRecorded(const CheckResult& check) override
        {
            m_form.SetSummaryCause(check.cause);
            m_families.Follow(check);
            const auto& lost = m_families.Lost();
            m_form.SetSummaryFamilyLost(
                lost ? FamilyLostText(lost->family, ClockTimeText(lost->at, check.time)) : std::string());
        }
        void QualityChanged(const QualityChange& change) override
        {
            m_form.SetSummaryDegraded(change.degraded ? change.reason.brief : std::string());
        }

    private:
        Form1& m_form;
        FamilySplit m_families;
    } m_summaryCause{m_form};
    SystemMachineClocks m_machineClocks;
    SleepWatch m_sleep;
    StatusRecorder m_recorder;
    LoggingSchedule m_schedule;
    std::unique_ptr<QObject> m_sleepSource;
    LogCommands m_logCommands;
    cSysTray m_tray;
    TrayStatus m_trayStatus;
    ConnectionNotices m_notices;
    MinimizeToTray m_minimize;
    StartupOptions m_startupOptions;
    std::unique_ptr<HistoryWindow> m_history;
    QMenu* m_statusListMenu = nullptr;
    QAction* m_notifyAction = nullptr;
};

} // namespace pellavane
