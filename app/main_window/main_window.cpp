#include "app/main_window/main_window.h"

#include "app/check/report_about.h"
#include "app/history_window/history_window.h"
#include "app/main_window/qt_adapters.h"
#include "autostart/startup_entry.h"
#include "core/guarded_handler.h"
#include "engine/check/probe.h"
#include "engine/log_commands/log_file_io.h"
#include "engine/monitor/window_controls.h"
#include "settings/display_name.h"
#include "settings/settings.h"
#include "tray/qt_tray_shell.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>

#include <stdexcept>

namespace pellavane {

namespace {

const char* const kIntervalListHeading = "How often would you like to log internet connection status?";
const char* const kStatusListHeading = "Internet Connection Status";
constexpr int kFirstColumnTwips = 7000;

const char* const kNotifyItem = "Notify When the Connection Changes";

/** Where notices go when the program was given no notifier. */
class NoNotices : public INotifier
{
public:
    void Show(const Notice&) override {}
};

INotifier& NotifierOr(INotifier* notifier)
{
    static NoNotices none;
    return notifier != nullptr ? *notifier : none;
}

/** Raised in place of a status that was probed after the window was asked to close. */
class ClosingError : public std::runtime_error
{
public:
    ClosingError() : std::runtime_error("Pellavane is closing; the status is not recorded.") {}
};

} // namespace

/** A check box whose value changes run its click handling, as the box's own handlers expect. */
class MainWindow::CheckBox : public ICheckBox
{
public:
    explicit CheckBox(QCheckBox& box) : m_box(box) {}
    int Value() const override { return m_box.isChecked() ? 1 : 0; }
    void SetValue(int value) override { m_box.setChecked(value != 0); }
    void SetVisible(bool visible) override { m_box.setVisible(visible); }

private:
    QCheckBox& m_box;
};

class MainWindow::TrayWindow : public ITrayWindow
{
public:
    TrayWindow(QWidget& window, std::function<bool()> trayAvailable)
        : m_window(window), m_trayAvailable(std::move(trayAvailable))
    {}
    WindowState State() const override
    {
        const Qt::WindowStates state = m_window.windowState();
        if (state & Qt::WindowMinimized) {
            return WindowState::Minimized;
        }
        return state & Qt::WindowMaximized ? WindowState::Maximized : WindowState::Normal;
    }
    void SetState(WindowState state) override
    {
        switch (state) {
        case WindowState::Normal:
            m_window.setWindowState(Qt::WindowNoState);
            break;
        case WindowState::Minimized:
            m_window.setWindowState(m_window.windowState() | Qt::WindowMinimized);
            break;
        case WindowState::Maximized:
            m_window.setWindowState(Qt::WindowMaximized);
            break;
        }
    }
    void Hide() override
    {
        // On X11, leaving the minimised state maps the window again even while it is hidden, so the
        // restore that follows the hide would put it straight back on the desktop under a window
        // manager. Restored first, the window is then hidden for good.
        if (m_window.windowState() & Qt::WindowMinimized) {
            m_window.setWindowState(m_window.windowState() & ~Qt::WindowMinimized);
        }
        m_window.hide();
    }
    void Show() override { m_window.show(); }
    void SetFocus() override
    {
        // Wayland lets no program focus its own window without a token from a click, and a second
        // start has none; a window mapped anew is a new window, which compositors show and focus.
        if (m_window.isVisible() && !m_window.isActiveWindow() &&
            QGuiApplication::platformName().startsWith(QStringLiteral("wayland"))) {
            m_window.hide();
            m_window.show();
        }
        m_window.raise();
        m_window.activateWindow();
    }
    bool TrayAvailable() const override { return m_trayAvailable && m_trayAvailable(); }

private:
    QWidget& m_window;
    std::function<bool()> m_trayAvailable;
};

/** Timer1 as the schedule drives it. A record or a log now that the close interrupted still runs to
 *  its end and gives the timer back; after the close the timer must stay off. */
class MainWindow::ClosingTimer : public ITimer
{
public:
    ClosingTimer(ITimer& timer, const bool& closing) : m_timer(timer), m_closing(closing) {}
    int Interval() const override { return m_timer.Interval(); }
    void SetInterval(int milliseconds) override { m_timer.SetInterval(milliseconds); }
    void SetIntervalWithFirstTick(int milliseconds, int firstTick) override
    {
        m_timer.SetIntervalWithFirstTick(milliseconds, firstTick);
    }
    bool Enabled() const override { return m_timer.Enabled(); }
    void SetEnabled(bool enabled) override { m_timer.SetEnabled(enabled && !m_closing); }

private:
    ITimer& m_timer;
    const bool& m_closing;
};

/** Once the window is closing, no check starts, and one that was still running when the close came
 *  records nothing: the log gets no line after the close request. */
class MainWindow::ClosingVerdict : public IConnectivityVerdict
{
public:
    ClosingVerdict(IConnectivityVerdict& verdict, const bool& closing)
        : m_verdict(verdict), m_closing(closing)
    {}
    bool IsInternetConnected() override { return Check().connected; }
    CheckResult Check() override
    {
        // A ping would hold the close up for as long as it waits for its answer.
        if (m_closing) {
            throw ClosingError();
        }
        CheckResult check = m_verdict.Check();
        if (m_closing) {
            throw ClosingError();
        }
        return check;
    }

private:
    IConnectivityVerdict& m_verdict;
    const bool& m_closing;
};

/** After the close request only the close's own failures are shown; a handler it interrupted
 *  finishes quietly instead of putting up boxes over a window that is gone. */
class MainWindow::ClosingReporter : public IErrorReporter
{
public:
    ClosingReporter(IErrorReporter& reporter, const bool& closing) : m_reporter(reporter), m_closing(closing)
    {}
    void ReportError(const std::string& tag, int line, const std::string& description) override
    {
        if (m_closing && tag != HandlerTag("Form_QueryUnload")) {
            return;
        }
        m_reporter.ReportError(tag, line, description);
    }

private:
    IErrorReporter& m_reporter;
    const bool& m_closing;
};

/** A journal that cannot be written is told in the window's record health line, once. */
class MainWindow::JournalHealth : public IJournalHealth
{
public:
    explicit JournalHealth(IRecordHealth& line) : m_line(line) {}
    void JournalFailing(const std::string& reason) override { m_line.RecordsFailing(reason); }
    void JournalWorkingAgain() override { m_line.RecordsWorkingAgain(); }

private:
    IRecordHealth& m_line;
};

MainWindow::MainWindow(MainWindowServices services)
    : m_services(std::move(services)), m_form(StatusLine), m_text1(*m_form.Text1()),
      m_check4(std::make_unique<CheckBox>(*m_form.Check4())),
      m_check8(std::make_unique<CheckBox>(*m_form.Check8())),
      m_trayWindow(std::make_unique<TrayWindow>(m_form, m_services.trayAvailable)),
      m_timer(std::make_unique<ClosingTimer>(m_form.Timer1(), m_closing)),
      m_verdict(std::make_unique<ClosingVerdict>(m_services.verdict, m_closing)),
      m_reporter(std::make_unique<ClosingReporter>(m_services.reporter, m_closing)),
      m_journalHealth(std::make_unique<JournalHealth>(m_form.ScheduleView())),
      m_journal([this] { return m_text1.Text(); }, *m_journalHealth),
      m_journalRows(m_journal, [this] { return m_services.clock.Now(); }),
      m_sleep(m_machineClocks, m_journalRows),
      m_recorder(
          *m_verdict, m_services.clock, [this] { return m_text1.Text(); }, m_form.StatusList()),
      m_schedule({*m_timer, m_form.ScheduleView(), QtEventPump(), m_recorder, m_services.settings,
                  *m_reporter, &m_sleep, &m_machineClocks}),
      m_logCommands({m_text1, m_form.StatusList(), m_services.boxes, m_services.dialog, m_services.launcher,
                     m_services.clipboard, QtEventPump(), *m_reporter, m_services.helpHost}),
      m_tray(m_services.trayShell, QtEventPump(), SteadySeconds, QuillmoorTrayPicture()),
      m_trayStatus(
          m_tray, QuillmoorTrayPicture(), [this] { return m_schedule.State(); },
          [this] { return m_services.clock.Now(); },
          [this](const TrayPicture& picture) {
              m_form.setWindowIcon(ToQIcon(picture));
              if (m_history) {
                  m_history->setWindowIcon(m_form.windowIcon());
              }
          }),
      m_notices(NotifierOr(m_services.notifier), m_machineClocks),
      m_minimize(*m_trayWindow, m_tray, m_services.settings, m_services.tellUser),
      m_startupOptions(
          *m_check4, *m_check8, m_services.startupEntry, m_services.settings,
          [this] { return m_startupInProgress; }, m_services.tellUser)
{
    m_recorder.SetGate(&m_sleep);
    m_schedule.AddListener(m_journalRows);
    m_schedule.AddListener(m_trayStatus);
    m_schedule.AddListener(m_notices);
    m_sleep.AddObserver(m_notices);
    m_sleep.AddObserver(m_schedule);
    m_schedule.AddListener(m_summaryCause);
    if (m_services.watchSleep) {
        m_sleepSource = m_services.watchSleep(m_sleep);
    }
    Connect();
}

MainWindow::~MainWindow() = default;

void MainWindow::Connect()
{
    m_form.installEventFilter(this);
    connect(&m_form, &Form1::Timer1Tick, this, [this] {
        // A tick queued before the close can still arrive while the close lets events run.
        if (!m_closing) {
            m_schedule.Tick();
            // The tip's "for 3 min" moves on between checks.
            m_trayStatus.Update();
        }
    });
    connect(&m_form, &Form1::IntervalChosen, this,
            [this] { m_schedule.IntervalChanged(m_form.IntervalSelection().SelectedPosition()); });
    connect(m_form.PushButton1(), &QPushButton::clicked, this, [this] { m_logCommands.PushButton1_Click(); });
    connect(m_form.PushButton2(), &QPushButton::clicked, this, [this] { m_logCommands.PushButton2_Click(); });
    connect(m_form.PushButton3(), &QPushButton::clicked, this, [this] { m_logCommands.PushButton3_Click(); });
    connect(m_form.PushButton4(), &QPushButton::clicked, this, [this] { m_logCommands.PushButton4_Click(); });
    connect(m_form.PushButton5(), &QPushButton::clicked, this, [this] { m_schedule.PushButton5_Click(); });
    connect(m_form.PushButton6(), &QPushButton::clicked, this, [this] { m_schedule.PushButton6_Click(); });
    connect(m_form.PushButton7(), &QPushButton::clicked, this, [this] { m_logCommands.PushButton7_Click(); });
    connect(m_form.Text1(), &QLineEdit::textChanged, this, [this] { Text1_Change(); });
    connect(m_form.Check4(), &QCheckBox::toggled, this, [this] { m_startupOptions.Check4_Click(); });
    connect(m_form.Check8(), &QCheckBox::toggled, this,
            [this](bool checked) { m_minimize.Check8_Click(checked); });
    m_tray.MouseUp = [this](std::int16_t& button, std::int32_t& id) {
        m_minimize.cSysTray1_MouseUp(button, id);
    };
    connect(&m_form, &Form1::HistoryRequested, this, [this] { ShowHistory(); });
    connect(&m_form.StatusList(), &QAbstractItemModel::rowsInserted, this, [this] {
        if (m_history) {
            m_history->HistoryGrew();
        }
    });
    auto* historyKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), &m_form);
    historyKey->setObjectName(QStringLiteral("HistoryShortcut"));
    connect(historyKey, &QShortcut::activated, this, [this] { ShowHistory(); });
    SetUpStatusListMenu();
}

void MainWindow::SetUpStatusListMenu()
{
    m_statusListMenu = new QMenu(&m_form);
    m_statusListMenu->setObjectName(QStringLiteral("StatusListMenu"));
    QAction* history = m_statusListMenu->addAction(QStringLiteral("Connection History\u2026"));
    history->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(history, &QAction::triggered, this, [this] { ShowHistory(); });
    ReportListView* list = m_form.ListView1();
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this,
            [this, list](const QPoint& at) { m_statusListMenu->popup(list->viewport()->mapToGlobal(at)); });

    m_notifyAction = m_statusListMenu->addAction(QString::fromUtf8(kNotifyItem));
    m_notifyAction->setObjectName(QStringLiteral("NotifyAction"));
    m_notifyAction->setCheckable(true);
    m_notifyAction->setChecked(m_notices.Enabled());
    // Triggered, not toggled: start-up setting the mark from the stored value must not store it again.
    connect(m_notifyAction, &QAction::triggered, this, &MainWindow::Notify_Click);
}

void MainWindow::ShowHistory()
{
    if (m_closing) {
        return;
    }
    if (!m_history) {
        m_history = std::make_unique<HistoryWindow>(HistoryWindowServices{
            [this] { return m_text1.Text(); },
            [this] { return static_cast<std::int64_t>(m_services.clock.Now()); }, m_services.boxes,
            m_services.chooseFolder, m_services.dialog,
            [this](std::int64_t now) { return ThisMachinesReportAbout(m_services.settings, now); }});
        m_history->setWindowIcon(m_form.windowIcon());
    }
    m_history->ShowAndLoad();
}

void MainWindow::Notify_Click(bool on)
{
    m_notices.SetEnabled(on);
    try {
        Settings(m_services.settings).Set(kNotifySetting, on);
    } catch (const std::exception& e) {
        // Notices follow the mark for this run all the same.
        if (m_services.tellUser) {
            m_services.tellUser(e.what());
        }
    }
}

void MainWindow::Text1_Change()
{
    try {
        Settings(m_services.settings).Set(kLogFileSetting, m_text1.Text());
    } catch (const std::exception&) {
        // Stored on every keystroke: a box for each would make the box unusable. The text stays and
        // is used; only remembering it for the next start has failed.
    }
}

void MainWindow::Form_Load()
{
    GuardedHandler h(*m_reporter, HandlerTag("Form_Load"));
    const Settings settings(m_services.settings);

    // Line 100 applies a skin when its file is found; without a skin framework the file counts as
    // absent, which leaves the window as designed.
    h.Step(104, [&] { m_startupInProgress = true; });
    h.Step(106, [&] {
        m_form.setWindowTitle(QString::fromUtf8(kDisplayName));
        m_form.setWindowIcon(QIcon(QStringLiteral(":/icons/pellavane-32.png")));
        SetApplicationTitle(kDisplayName);
    });
    const std::string cursorFile = m_services.programFolder + "/HAND-M.CUR";
    if (h.Test(126, [&] { return FileExists(cursorFile); })) {
        h.Step(128,
               [&] { m_form.Pointer().SetCustomCursor(LoadCursorFile(QString::fromStdString(cursorFile))); });
    }
    h.Step(130, [&] { m_form.IntervalRows().SetHeading(QString::fromUtf8(kIntervalListHeading)); });
    h.Step(132, [&] { m_form.ListView2()->SetColumnWidth(TwipsToPixels(kFirstColumnTwips)); });
    int line = 134;
    for (const IntervalRow& row : kIntervalTable) {
        h.Step(line, [&] { m_form.IntervalRows().AppendRow(QString::fromUtf8(row.text)); });
        line += 2;
    }
    h.Step(158, [&] { m_form.StatusList().SetHeading(QString::fromUtf8(kStatusListHeading)); });
    h.Step(160, [&] { m_form.ListView1()->SetColumnWidth(TwipsToPixels(kFirstColumnTwips)); });

    int position = 0;
    h.Step(162, [&] { position = settings.Get(kIntervalRowSetting); });
    h.Step(164, [&] {
        m_form.IntervalSelection().SelectPosition(position);
        m_schedule.SetInterval(position);
    });

    h.Step(166, [&] {
        m_defaultPath = DefaultLogFilePath(kDisplayName);
        EnsureFolderOf(m_defaultPath);
    });
    h.Step(168, [&] { m_text1.SetText(settings.Get(kLogFileSetting, m_defaultPath)); });

    // Before the start-up record: a first check without connection is told, unless notices are off.
    h.Step(169, [&] {
        m_notices.SetEnabled(settings.Get(kNotifySetting));
        m_notifyAction->setChecked(m_notices.Enabled());
    });
    std::optional<bool> on;
    h.Step(170, [&] { on = settings.Get(kLoggingOnSetting); });
    if (h.Test(172, [&] { return on == false; })) {
        h.Step(174, [&] { m_schedule.SetLogging(false); });
        h.Step(176, [&] { m_form.Timer1().SetInterval(0); });
    } else if (h.Test(178, [&] { return on == true; })) {
        h.Step(180, [&] { m_schedule.RecordStatus(); });
        h.Step(182, [&] { m_schedule.SetLogging(true); });
        h.Step(184, [&] { m_form.Timer1().SetInterval(1000); });
    }
    // The record lets events run, and a close handled then has ended the program: going on would put
    // the icon it took away back and show the window again.
    if (m_closing) {
        m_startupInProgress = false;
        return;
    }

    // The mark and the tip for the state the start-up left, before the icon is shown with them.
    h.Step(186, [&] { m_trayStatus.Update(); });
    h.Step(188, [&] { m_tray.SetInTray(true); });
    h.Step(190, [&] { m_check4->SetValue(settings.Get(kStartAtLogOnSetting) ? 1 : 0); });
    h.Step(192, [&] { m_check8->SetValue(settings.Get(kMinimizedSetting) ? 1 : 0); });
    if (h.Test(194, [&] { return m_check4->Value() == 1; })) {
        h.Step(196, [&] { m_check8->SetVisible(true); });
        if (h.Test(198, [&] { return m_check8->Value() == 1; })) {
            h.Step(200, [&] { m_trayWindow->SetState(WindowState::Minimized); });
        }
    } else {
        h.Step(202, [&] { m_check8->SetVisible(false); });
    }
    h.Step(204, [&] { m_startupInProgress = false; });
}

void MainWindow::Start()
{
    Form_Load();
    // Closed while starting (a signal during the start-up record), or started hidden in the tray.
    if (m_closing || m_minimize.MinimizedToTray()) {
        return;
    }
    if (m_trayWindow->State() == WindowState::Minimized) {
        m_form.showMinimized();
    } else {
        m_form.show();
    }
}

void MainWindow::Form_QueryUnload()
{
    m_closing = true;
    if (m_schedule.State().logging) {
        m_journalRows.LoggingStopped();
    }
    GuardedHandler h(*m_reporter, HandlerTag("Form_QueryUnload"));
    h.Step(100, [&] { m_form.Timer1().SetEnabled(false); });
    // The history window goes with the main one: left open it would keep a program without a log.
    if (m_history) {
        m_history->close();
    }
    h.Step(102, [&] { m_tray.SetInTray(false); });
    h.Step(104, [&] { QCoreApplication::processEvents(); });
    h.Step(106, [&] {
        if (m_services.endProgram) {
            m_services.endProgram();
        }
    });
}

void MainWindow::BringToFront()
{
    m_minimize.ShowFromTray();
    if (m_trayWindow->State() == WindowState::Minimized) {
        m_trayWindow->SetState(WindowState::Normal);
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_form) {
        if (event->type() == QEvent::Close) {
            // The close is never refused, whoever asks: the user, the session manager at log-out.
            if (!m_closing) {
                Form_QueryUnload();
            }
            event->accept();
            return false;
        }
        if (event->type() == QEvent::WindowStateChange && !m_closing) {
            m_minimize.Form_Resize();
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace pellavane
