#pragma once

#include "app/main_window/main_window.h"
#include "autostart/startup_entry.h"
#include "engine/check/probe.h"
#include "engine/listeners/connection_notices.h"
#include "testsupport/desktop_fakes.h"
#include "testsupport/recording_reporter.h"
#include "testsupport/tray_fakes.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// Every service the main window is handed, as a fake that records what it is asked, and the one way
// the tests build the window's services from them.

namespace pellavane::testing {

/** Answers as told, at once. */
struct FakeVerdict : IConnectivityVerdict
{
    bool connected = true;
    int calls = 0;
    /** Runs inside the check, as events delivered while the child process is waited for would. */
    std::function<void()> during;
    bool IsInternetConnected() override
    {
        ++calls;
        if (during) {
            during();
        }
        return connected;
    }
    /** The first target's echoes a connected check carries; nullopt for a check that says nothing
     *  of them. */
    std::optional<EchoCounts> echoes;
    CheckResult Check() override
    {
        CheckResult result = IConnectivityVerdict::Check();
        if (result.connected) {
            result.echoes = echoes;
        }
        return result;
    }
};

struct FixedClock : IClock
{
    std::time_t now = 1'790'000'000;
    std::time_t Now() override { return now; }
};

struct RecordingNotifier : INotifier
{
    void Show(const Notice& notice) override { shown.push_back(notice.summary); }
    std::vector<std::string> shown;
};

struct FakeStartupEntry : IStartupEntry
{
    std::vector<std::string> calls;
    bool failAdd = false;
    void Add() override
    {
        calls.push_back("Add");
        if (failAdd) {
            throw std::runtime_error("Cannot write '/x/autostart/pellavane.desktop': Read-only file system");
        }
    }
    void Remove() override { calls.push_back("Remove"); }
};

/** The recording shell, whose balloons go away as soon as events run: the start-up's balloon wait
 *  then ends at its first pass instead of after five seconds. */
class BalloonClosingShell : public RecordingShell
{
public:
    void ShowMessage(const std::string& title, const std::string& text, std::uint32_t timeoutMs) override
    {
        RecordingShell::ShowMessage(title, text, timeoutMs);
        if (closeBalloons) {
            QTimer::singleShot(0, &m_context, [this] { EndMessage(); });
        }
    }
    std::vector<Call> Balloons() const { return Messages(); }

    /** Off: balloons stay up until their time is over, as Qt's own do. */
    bool closeBalloons = true;

private:
    QObject m_context;
};

/** The fakes of every service the main window is handed. */
struct MainWindowFakes
{
    /** The services over these fakes, reading and saving the settings in store when one is given.
     *  The machine's sleep is found by the clocks alone, and the history's CSV folder is asked of
     *  the system's dialog. */
    MainWindowServices Services(const std::string& programFolder, ISettingsStore* store = nullptr)
    {
        return {.settings = store != nullptr ? *store : settings,
                .verdict = verdict,
                .clock = clock,
                .reporter = reporter,
                .boxes = boxes,
                .dialog = dialog,
                .launcher = launcher,
                .clipboard = clipboard,
                .trayShell = shell,
                .startupEntry = startupEntry,
                .trayAvailable = [this] { return trayAvailable; },
                .tellUser = [this](const std::string& message) { told.push_back(message); },
                .endProgram = [this] { ++endProgramCalls; },
                .programFolder = programFolder,
                .helpHost = "help.example.invalid",
                .notifier = &notifier};
    }

    FakeSettings settings;
    FakeVerdict verdict;
    FixedClock clock;
    RecordingReporter reporter;
    FakeBoxes boxes;
    FakeDialog dialog;
    FakeLauncher launcher;
    FakeClipboard clipboard;
    BalloonClosingShell shell;
    FakeStartupEntry startupEntry;
    RecordingNotifier notifier;
    bool trayAvailable = true;
    /** What the window told the user outside a failure report. */
    std::vector<std::string> told;
    int endProgramCalls = 0;
};

} // namespace pellavane::testing
