#include "app/app_config.h"
#include "app/check/app_verdict.h"
#include "app/command_line/command_line.h"
#include "app/command_line/console_mode.h"
#include "app/command_line/html_report_mode.h"
#include "app/desktop/desktop_notifier.h"
#include "app/desktop/qt_clipboard.h"
#include "app/desktop/qt_desktop_launcher.h"
#include "app/desktop/qt_file_dialog.h"
#include "app/desktop/qt_message_boxes.h"
#include "app/desktop/quit_signals.h"
#include "app/desktop/session.h"
#include "app/desktop/single_instance.h"
#include "app/desktop/sleep_source.h"
#include "app/main_window/main_window.h"
#include "app/main_window/qt_adapters.h"
#include "autostart/startup_entry.h"
#include "engine/listeners/metrics_file.h"
#include "settings/qt_settings_store.h"
#include "settings/settings.h"
#include "tray/qt_tray_shell.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace pellavane;

/** The check's setup; a host list the probe refuses would make every check "disconnected" without
 *  a word, so it is told, and nullopt returned. */
std::optional<VerdictSetup> SetupOrReason(ISettingsStore& settings, const std::optional<std::string>& hosts,
                                          std::optional<int> echoes = std::nullopt,
                                          std::optional<FamilyChoice> families = std::nullopt)
{
    try {
        return ReadVerdictSetup(settings, hosts, echoes, families);
    } catch (const ProbeTargetsError& e) {
        std::cerr << "pellavane: " << e.what() << ".\n";
        return std::nullopt;
    }
}

/** Runs a check or the console with the verdict set up from the settings; a host list it refuses
 *  ends the program with kExitUsage. */
int WithVerdict(int argc, char** argv, const CommandLineRequest& request,
                const std::function<int(IConnectivityVerdict&, IClock&, ISettingsStore&)>& run)
{
    // The web check's replies come through the event loop, which the pings' waits let run.
    QCoreApplication app(argc, argv);
    QtSettingsStore settings;
    const auto setup = SetupOrReason(settings, request.hosts, request.echoes, request.families);
    if (!setup) {
        return kExitUsage;
    }
    AppVerdict verdict(*setup, QtEventPump());
    SystemClock clock;
    return run(verdict, clock, settings);
}

int CheckMain(int argc, char** argv, const CommandLineRequest& request)
{
    return WithVerdict(argc, argv, request,
                       [&request](IConnectivityVerdict& verdict, IClock& clock, ISettingsStore&) {
                           return RunCheck(verdict, clock, request.logFile, std::cout, std::cerr);
                       });
}

int ConsoleMain(int argc, char** argv, const CommandLineRequest& request)
{
    return WithVerdict(argc, argv, request,
                       [&request](IConnectivityVerdict& verdict, IClock& clock, ISettingsStore& settings) {
                           InstallConsoleStopSignals();
                           return RunConsole({verdict, clock, settings, std::cout, std::cerr,
                                              request.intervalRow, request.logFile,
                                              StandardOutputIsTerminal(), StandardErrorIsTerminal(),
                                              request.metricsFile});
                       });
}

void WarnUser(const std::string& message)
{
    QMessageBox::warning(nullptr, QStringLiteral("Pellavane"), QString::fromStdString(message));
}

/** The metrics file the window keeps, when one is asked for; its failure is told after the check, so
 *  that no box opens inside the schedule's tick. */
std::unique_ptr<MetricsFileWriter> WindowMetrics(MainWindow& window, ISettingsStore& settings,
                                                 const std::optional<std::string>& requested)
{
    const std::string path = requested ? *requested : Settings(settings).Get(kMetricsFileSetting);
    if (path.empty()) {
        return nullptr;
    }
    auto writer =
        std::make_unique<MetricsFileWriter>(path, PELLAVANE_VERSION, [](const std::string& message) {
            QTimer::singleShot(0, [message] { WarnUser(message); });
        });
    window.Schedule().AddListener(*writer);
    return writer;
}

int WindowMain(int argc, char** argv, const CommandLineRequest& request)
{
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(PELLAVANE_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/pellavane-32.png")));
    // The window may be hidden in the tray while a message box closes; that must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);

    SingleInstance instance(SingleInstance::DefaultFolder());
    if (!instance.BecomePrimary(request.showHistory ? SingleInstance::Request::ShowHistory
                                                    : SingleInstance::Request::BringUp)) {
        if (instance.HandedOver()) {
            std::cerr << (request.showHistory
                              ? "Pellavane is already running; its Connection History has been brought up.\n"
                              : "Pellavane is already running; its window has been brought up.\n");
            return 0;
        }
        std::cerr << "Pellavane is already running but does not answer.\n";
        return kExitFailure;
    }

    QtSettingsStore settings;
    // The window still starts with a refused list: its status list shows the checks failing.
    AppVerdict verdict(
        SetupOrReason(settings, std::nullopt).value_or(VerdictSetup{{{}, TargetSource::BuiltIn}, {}}),
        QtEventPump());
    SystemClock clock;
    MessageBoxErrorReporter reporter(nullptr, PELLAVANE_SUPPORT_EMAIL);
    QtMessageBoxes boxes(nullptr);
    QtFileDialog dialog(nullptr);
    QtDesktopLauncher launcher;
    QtClipboard clipboard;
    QtTrayShell trayShell;
    const auto notifier = MakeDesktopNotifier(trayShell);
    const auto startupEntry = MakeStartupEntry(QCoreApplication::applicationFilePath().toStdString());
    // A close can come while the start-up's record lets events run, before the event loop exists to
    // be left; exit() alone would then be lost and the program would run on with no window.
    bool ended = false;
    MainWindow window({.settings = settings,
                       .verdict = verdict,
                       .clock = clock,
                       .reporter = reporter,
                       .boxes = boxes,
                       .dialog = dialog,
                       .launcher = launcher,
                       .clipboard = clipboard,
                       .trayShell = trayShell,
                       .startupEntry = *startupEntry,
                       .trayAvailable = &NotificationAreaAvailable,
                       .tellUser = &WarnUser,
                       .endProgram =
                           [&ended] {
                               ended = true;
                               QCoreApplication::exit(0);
                           },
                       .programFolder = QCoreApplication::applicationDirPath().toStdString(),
                       .helpHost = PELLAVANE_HELP_HOST,
                       .watchSleep = &WatchPlatformSleep,
                       .notifier = notifier.get()});
    QObject::connect(&instance, &SingleInstance::ActivationRequested, &window,
                     [&window] { window.BringToFront(); });
    QObject::connect(&instance, &SingleInstance::HistoryRequested, &window,
                     [&window] { window.ShowHistory(); });
    // A terminating signal closes the window as its close button does: icon removed, clean exit.
    QuitSignals quitSignals([&window] { window.Form().close(); });
    const auto metrics = WindowMetrics(window, settings, request.metricsFile);
    window.Start();
    if (ended) {
        return 0;
    }
    if (request.showHistory) {
        window.ShowHistory();
    }
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv)
{
    using Mode = CommandLineRequest::Mode;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const CommandLineRequest request = ParseCommandLine(arguments);
    switch (request.mode) {
    case Mode::Help:
        std::cout << UsageText("pellavane");
        return 0;
    case Mode::Version:
        std::cout << "pellavane " << PELLAVANE_VERSION << '\n';
        return 0;
    case Mode::Error:
        std::cerr << "pellavane: " << request.message << '\n';
        return kExitUsage;
    case Mode::Outages:
    case Mode::Uptime:
    case Mode::Quality: {
        QCoreApplication app(argc, argv);
        QtSettingsStore settings;
        return RunReport(settings, request, std::cout, std::cerr);
    }
    case Mode::Report: {
        QCoreApplication app(argc, argv);
        QtSettingsStore settings;
        return RunHtmlReport(settings, request, std::cout, std::cerr);
    }
    case Mode::Check:
    case Mode::Console:
    case Mode::Window:
        break;
    }
    if (request.mode == Mode::Check) {
        return CheckMain(argc, argv, request);
    }
    if (request.mode == Mode::Window && request.showHistory && NoDisplay()) {
        std::cerr << "No display is available to show the Connection History on; see pellavane --outages and "
                     "--uptime.\n";
        return kExitFailure;
    }
    if (request.mode == Mode::Window && NoDisplay()) {
        std::cerr << "No display is available; logging in the console instead (pellavane --console).\n";
        return ConsoleMain(argc, argv, request);
    }
    return request.mode == Mode::Console ? ConsoleMain(argc, argv, request) : WindowMain(argc, argv, request);
}
