#pragma once

#include "engine/check/address_families.h"
#include "engine/check/check_result.h"
#include "engine/history/history_report.h"
#include "engine/history/outages.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pellavane {

/** What the program was asked to do on its command line. */
struct CommandLineRequest
{
    enum class Mode
    {
        Window,  // no arguments: the window program
        Check,   // --check: one check, printed
        Console, // --console: the logging schedule in a terminal
        Outages, // --outages: one row per outage of the history
        Uptime,  // --uptime: up, down and unknown time per hour, day or month
        Quality, // --quality: echoes, losses, round trips and degraded time per hour, day or month
        Report,  // --report FILE: the history as one HTML page for the provider
        Help,
        Version,
        Error // an unknown option or a bad value; message says which
    };
    Mode mode = Mode::Window;
    /** --interval: the 1-based row of the interval list. */
    std::optional<int> intervalRow;
    /** --log FILE */
    std::optional<std::string> logFile;
    /** --report FILE: where the HTML report goes. */
    std::optional<std::string> reportFile;
    /** --metrics FILE: the metrics file for this run instead of the stored "MetricsFile". */
    std::optional<std::string> metricsFile;
    /** --hosts h1,h2: the check's targets for this run */
    std::optional<std::string> hosts;
    /** --echoes N: echo requests to the first target per check for this run instead of the stored
     *  "EchoesPerCheck" */
    std::optional<int> echoes;
    /** --families 4|6|auto: the families to probe for this run instead of the stored "Families" */
    std::optional<FamilyChoice> families;
    /** --from, --to, --by, --csv, --json of the reports. */
    ReportOptions report;
    /** --merge, --min of --outages and --report: outages less than this apart are joined, shorter ones left
     * out. */
    std::optional<std::int64_t> mergeSeconds;
    std::optional<std::int64_t> minSeconds;
    ReportFormat format = ReportFormat::Table;
    /** --family 4|6 of --outages and --uptime: that address family's history instead of the whole. */
    std::optional<AddressFamily> family;
    /** --show-history: the window program with "Connection History" in front, or a running one's. */
    bool showHistory = false;
    std::string message;
};

/** Parses the arguments after the program name. */
CommandLineRequest ParseCommandLine(const std::vector<std::string>& arguments);

/** A duration written like "30s", "5m" or "1h", in seconds; nullopt for anything else. */
std::optional<std::int64_t> DurationOptionSeconds(const std::string& value);

/** The 1-based interval row written like "5s", "1m" or "6h"; nullopt when it is none of the twelve. */
std::optional<int> IntervalRowForOption(const std::string& value);

/** The text --help prints. */
std::string UsageText(const std::string& programName);

/** Exit statuses of the command-line modes. */
inline constexpr int kExitConnected = 0;
inline constexpr int kExitDisconnected = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitFailure = 3;

} // namespace pellavane
