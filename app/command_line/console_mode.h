#pragma once

#include "app/command_line/command_line.h"

#include <iosfwd>
#include <optional>
#include <string>

namespace pellavane {

class IConnectivityVerdict;
class IClock;
class ISettingsStore;

/** What a console run is given: the services, the streams, and the command line's overrides. */
struct ConsoleRun
{
    IConnectivityVerdict& verdict;
    IClock& clock;
    ISettingsStore& settings;
    std::ostream& out;
    std::ostream& err;
    /** The 1-based interval row for this run instead of the stored "OftenIndex". */
    std::optional<int> intervalRow;
    /** The log file for this run instead of the stored "Text1". */
    std::optional<std::string> logFile;
    /** Whether out is a terminal: then the countdown is shown on one updating line. */
    bool terminal = false;
    /** Whether err is a terminal: only a terminal gets the line erase before a message. */
    bool errTerminal = false;
    /** The metrics file for this run instead of the stored "MetricsFile". */
    std::optional<std::string> metricsFile = std::nullopt;
};

/** One check: prints the status line, appends it to logFile when one is given. Returns the exit
 *  status: 0 connected, 1 disconnected, 3 when the line could not be appended. */
int RunCheck(IConnectivityVerdict& verdict, IClock& clock, const std::optional<std::string>& logFile,
             std::ostream& out, std::ostream& err);

/** The log a report reads: --log's, else the one the settings name. */
std::string ReportLogPath(ISettingsStore& settings, const CommandLineRequest& request);

/** What reading a history found besides its records, told on err: the notes and the count of lines
 *  not understood. */
void TellReadSummary(const HistoryReadSummary& summary, std::ostream& err);

/** --outages, --uptime or --quality: the report of the history of logFile, else of the log the settings name,
 *  on out; what was not understood on err. Returns 0, or 3 when the history cannot be read. */
int RunReport(ISettingsStore& settings, const CommandLineRequest& request, std::ostream& out,
              std::ostream& err);

/** The logging schedule in a terminal until RequestConsoleStop() (SIGINT and SIGTERM call it).
 *  Records one status at once, then one at every interval. Returns the exit status. */
int RunConsole(ConsoleRun run);

/** Ends a running console loop after the record in progress, if any. Safe in a signal handler. */
void RequestConsoleStop() noexcept;

/** Lets SIGINT and SIGTERM end the console loop between records. */
void InstallConsoleStopSignals();

} // namespace pellavane
