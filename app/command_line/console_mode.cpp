#include "app/command_line/console_mode.h"

#include "app/app_config.h"
#include "app/command_line/command_line.h"
#include "app/desktop/sleep_source.h"

#include "core/guarded_handler.h"
#include "core/machine_clocks.h"
#include "engine/check/local_network.h"
#include "engine/check/probe.h"
#include "engine/history/family_history.h"
#include "engine/history/history_report.h"
#include "engine/history/outages.h"
#include "engine/listeners/connection_notices.h"
#include "engine/listeners/family_rows.h"
#include "engine/listeners/metrics_file.h"
#include "engine/listeners/monitor_journal.h"
#include "engine/monitor/journal.h"
#include "engine/monitor/recorder.h"
#include "engine/monitor/schedule.h"
#include "engine/monitor/sleep_watch.h"
#include "engine/monitor/window_controls.h"
#include "settings/display_name.h"
#include "settings/settings.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <exception>
#include <memory>
#include <ostream>
#include <thread>

namespace pellavane {

namespace {

using SteadyClock = std::chrono::steady_clock;

volatile std::sig_atomic_t g_stopRequested = 0;

extern "C" void OnStopSignal(int)
{
    g_stopRequested = 1;
}

/** Timer1 for a terminal: the loop below asks it when the next tick is due. */
class ConsoleTimer : public ITimer
{
public:
    int Interval() const override { return m_interval; }
    void SetInterval(int milliseconds) override { SetIntervalWithFirstTick(milliseconds, milliseconds); }
    void SetIntervalWithFirstTick(int milliseconds, int firstTick) override
    {
        m_interval = milliseconds;
        m_due = SteadyClock::now() + std::chrono::milliseconds(firstTick);
    }
    bool Enabled() const override { return m_enabled; }
    void SetEnabled(bool enabled) override { m_enabled = enabled; }

    bool Ticking() const { return m_enabled && m_interval > 0; }
    SteadyClock::time_point Due() const { return m_due; }
    /** Moves to the next period; after a suspend the missed ticks are not made up in a burst. */
    void Advance()
    {
        const auto now = SteadyClock::now();
        m_due += std::chrono::milliseconds(m_interval);
        if (m_due < now) {
            m_due = now + std::chrono::milliseconds(m_interval);
        }
    }

private:
    int m_interval = 0;
    bool m_enabled = true;
    SteadyClock::time_point m_due{};
};

/** The schedule in a terminal: the countdown on one line that each tick rewrites when the output is a
 *  terminal, record failures on the error stream. The switch, the bar and the pointer have no place
 *  there. */
class ConsoleView : public IScheduleView
{
public:
    ConsoleView(std::ostream& out, std::ostream& err, bool terminal, bool errTerminal)
        : m_out(out), m_err(err), m_terminal(terminal), m_erase(errTerminal ? "\r\x1b[K" : "")
    {}
    void ShowCountdown(const std::string& text) override
    {
        if (m_terminal) {
            m_out << "\r\x1b[K" << text << std::flush;
        }
    }
    void ShowProgress(int, int) override {}
    void ShowSwitch(bool) override {}
    void ShowBusy(bool) override {}
    void RecordsFailing(const std::string& reason) override
    {
        m_err << m_erase << "Status lines cannot be recorded: " << reason << '\n' << std::flush;
    }
    void RecordsWorkingAgain() override
    {
        m_err << m_erase << "Status lines are recorded again.\n" << std::flush;
    }

private:
    std::ostream& m_out;
    std::ostream& m_err;
    bool m_terminal;
    const char* m_erase;
};

/** Each status line recorded is printed as the log carries it. */
class PrintedStatusList : public IStatusList
{
public:
    PrintedStatusList(std::ostream& out, bool terminal) : m_out(out), m_terminal(terminal) {}
    void AppendStatusRow(std::time_t t, bool connected) override
    {
        if (m_terminal) {
            m_out << "\r\x1b[K";
        }
        m_out << StatusLine(t, connected) << '\n' << std::flush;
    }
    void RemoveAllRows() override {}

private:
    std::ostream& m_out;
    bool m_terminal;
};

class StreamReporter : public IErrorReporter
{
public:
    StreamReporter(std::ostream& err, bool terminal) : m_err(err), m_erase(terminal ? "\r\x1b[K" : "") {}
    void ReportError(const std::string&, int, const std::string& description) override
    {
        m_err << m_erase << description << '\n' << std::flush;
    }

private:
    std::ostream& m_err;
    // Clears the countdown line off a terminal; a file or a pipe gets no control sequences.
    const char* m_erase;
};

int StoredIntervalRow(ISettingsStore& settings, std::ostream& err)
{
    const int fallback = Settings::Default(kIntervalRowSetting);
    try {
        const int row = Settings(settings).Get(kIntervalRowSetting);
        if (row >= 1 && row <= static_cast<int>(kIntervalTable.size())) {
            return row;
        }
        err << "The stored interval position '" << row << "' is not a row of the interval list; ";
    } catch (const std::exception& e) {
        err << e.what() << ' ';
    }
    err << "logging " << kIntervalTable[static_cast<std::size_t>(fallback - 1)].text + 4 << ".\n";
    return fallback;
}

std::string LogPath(ISettingsStore& settings, const std::optional<std::string>& logFile, std::ostream& err)
{
    if (logFile) {
        return *logFile;
    }
    const std::string defaultPath = DefaultLogFilePath(kDisplayName);
    const std::string path = Settings(settings).Get(kLogFileSetting, defaultPath);
    if (path == defaultPath) {
        try {
            EnsureFolderOf(path);
        } catch (const std::exception& e) {
            err << e.what() << '\n';
        }
    }
    return path;
}

} // namespace

void RequestConsoleStop() noexcept
{
    g_stopRequested = 1;
}

void InstallConsoleStopSignals()
{
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
}

namespace {

/** Journal faults on standard error, once until the journal works again. */
class StreamJournalHealth : public IJournalHealth
{
public:
    /** errTerminal: the error stream is a terminal, where a countdown line may have to be erased. */
    StreamJournalHealth(std::ostream& err, bool errTerminal)
        : m_err(err), m_erase(errTerminal ? "\r\x1b[K" : "")
    {}
    void JournalFailing(const std::string& reason) override
    {
        m_err << m_erase << "Journal rows cannot be written: " << reason << '\n' << std::flush;
    }
    void JournalWorkingAgain() override
    {
        m_err << m_erase << "Journal rows are written again.\n" << std::flush;
    }

private:
    std::ostream& m_err;
    const char* m_erase;
};

// The report's text, and what reading the history found besides its records.
std::string ReportText(const std::string& path, const CommandLineRequest& request,
                       HistoryReadSummary& summary)
{
    if (request.mode == CommandLineRequest::Mode::Quality) {
        return QualityText(AnalyseQuality(path, request.report, &summary), request.format);
    }
    const HistoryReport report = request.family
                                     ? AnalyseFamilyHistory(path, request.report, *request.family, &summary)
                                     : AnalyseHistory(path, request.report, &summary);
    if (request.mode != CommandLineRequest::Mode::Outages) {
        return UptimeText(report.periods, request.format);
    }
    return OutagesText(OutagesAsAsked(report.outages, request.mergeSeconds, request.minSeconds),
                       request.format);
}

} // namespace

std::string ReportLogPath(ISettingsStore& settings, const CommandLineRequest& request)
{
    return request.logFile ? *request.logFile
                           : Settings(settings).Get(kLogFileSetting, DefaultLogFilePath(kDisplayName));
}

void TellReadSummary(const HistoryReadSummary& summary, std::ostream& err)
{
    for (const std::string& note : summary.notes) {
        err << note << '\n';
    }
    if (summary.notUnderstood > 0) {
        err << summary.notUnderstood << (summary.notUnderstood == 1 ? " line was" : " lines were")
            << " not understood.\n";
    }
}

int RunReport(ISettingsStore& settings, const CommandLineRequest& request, std::ostream& out,
              std::ostream& err)
{
    try {
        HistoryReadSummary summary;
        const std::string text = ReportText(ReportLogPath(settings, request), request, summary);
        TellReadSummary(summary, err);
        out << text;
        out.flush();
        return out ? 0 : kExitFailure;
    } catch (const HistoryReadError& e) {
        err << e.what() << '\n';
        return kExitFailure;
    }
}

int RunCheck(IConnectivityVerdict& verdict, IClock& clock, const std::optional<std::string>& logFile,
             std::ostream& out, std::ostream& err)
{
    CheckResult check = verdict.Check();
    check.time = clock.Now();
    const bool connected = check.connected;
    const std::string line = StatusLine(check.time, connected);
    out << line << '\n' << std::flush;
    // On standard error, so that a script reading the status line finds it as it always was.
    if (!connected && !check.cause.empty()) {
        err << "Cause: " << CauseSentence(check.cause) << " (" << check.cause << ")\n" << std::flush;
    }
    // With one family configured its line would only repeat the check's own.
    if (check.families.size() > 1 && std::any_of(check.families.begin(), check.families.end(),
                                                 [](const FamilyResult& f) { return !f.connected; })) {
        for (const FamilyResult& family : check.families) {
            err << FamilyName(family.family) << ": " << (family.connected ? "connected" : "disconnected");
            if (!family.connected && !family.cause.empty()) {
                err << " (" << family.cause << ')';
            }
            err << '\n';
        }
        err << std::flush;
    }
    if (logFile) {
        try {
            AppendLogLine(*logFile, line);
        } catch (const std::exception& e) {
            err << e.what() << '\n';
            return kExitFailure;
        }
        // The row goes with the line; a journal fault is told but is no failure of the check.
        StreamJournalHealth health(err, false);
        Journal journal([&] { return *logFile; }, health);
        std::vector<JournalRow> rows = CheckRows(check);
        for (JournalRow& row : LoneCheckFamilyRows(check)) {
            rows.push_back(std::move(row));
        }
        journal.Append(rows);
    }
    return connected ? 0 : 1;
}

int RunConsole(ConsoleRun run)
{
    g_stopRequested = 0;
    const int row = run.intervalRow.value_or(StoredIntervalRow(run.settings, run.err));
    const std::string path = LogPath(run.settings, run.logFile, run.err);

    ConsoleTimer timer;
    ConsoleView view(run.out, run.err, run.terminal, run.errTerminal);
    PrintedStatusList list(run.out, run.terminal);
    StreamReporter reporter(run.err, run.errTerminal);
    StatusRecorder recorder(
        run.verdict, run.clock, [&path] { return path; }, list);
    StreamJournalHealth journalHealth(run.err, run.errTerminal);
    Journal journal([&path] { return path; }, journalHealth);
    MonitorJournal rows(journal, [&run] { return run.clock.Now(); });
    SystemMachineClocks clocks;
    SleepWatch sleep(clocks, rows);
    recorder.SetGate(&sleep);
    LoggingSchedule schedule({timer, view, {}, recorder, run.settings, reporter, &sleep, &clocks});
    sleep.AddObserver(schedule);
    schedule.SetInterval(row);
    const std::string metricsPath =
        run.metricsFile ? *run.metricsFile : Settings(run.settings).Get(kMetricsFileSetting);
    std::unique_ptr<MetricsFileWriter> metrics;
    if (!metricsPath.empty()) {
        metrics = std::make_unique<MetricsFileWriter>(
            metricsPath, PELLAVANE_VERSION,
            [&reporter](const std::string& m) { reporter.ReportError({}, 0, m); },
            schedule.State().intervalSeconds);
        schedule.AddListener(*metrics);
    }
    schedule.AddListener(rows);
    // Each change on a line of its own among the status lines, clear of the countdown line.
    ChangeLines changes([&run](const std::string& line) {
        if (run.terminal) {
            run.out << "\r\x1b[K";
        }
        run.out << line << '\n' << std::flush;
    });
    schedule.AddListener(changes);
    // logind's signals arrive through the Qt event loop, which the loop below runs between ticks.
    const auto sleepSource = WatchPlatformSleep(sleep);

    run.err << "Logging " << kIntervalTable[row - 1].text + 4 << " to " << path << "; Ctrl+C ends.\n"
            << std::flush;

    // Logging starts as the window starts it with logging on: one record at once, then counting.
    // The switch first, so the journal's start row comes before the first check's.
    schedule.SetLogging(true);
    try {
        schedule.RecordStatus();
    } catch (const std::exception& e) {
        reporter.ReportError({}, 0, e.what());
    }
    timer.SetInterval(1000);

    while (!g_stopRequested) {
        if (QCoreApplication::instance() != nullptr) {
            QCoreApplication::processEvents();
        }
        const auto now = SteadyClock::now();
        if (timer.Ticking() && now >= timer.Due()) {
            timer.Advance();
            schedule.Tick();
            continue;
        }
        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(timer.Due() - now);
        std::this_thread::sleep_for(
            std::clamp(wait, std::chrono::milliseconds(1), std::chrono::milliseconds(100)));
    }
    rows.LoggingStopped();
    if (run.terminal) {
        run.out << "\r\x1b[K" << std::flush;
    }
    return 0;
}

} // namespace pellavane
