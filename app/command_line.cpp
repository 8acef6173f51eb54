#include "app/command_line.h"

#include "engine/schedule.h"

#include <array>

namespace pellavane {

namespace {

constexpr std::array<const char*, 12> kIntervalOptions{"1s",  "5s",  "10s", "30s", "1m",  "5m",
                                                       "10m", "30m", "1h",  "6h",  "12h", "24h"};
static_assert(kIntervalOptions.size() == kIntervalTable.size());

CommandLineRequest Failure(std::string message)
{
    CommandLineRequest request;
    request.mode = CommandLineRequest::Mode::Error;
    request.message = std::move(message);
    return request;
}

} // namespace

std::optional<int> IntervalRowForOption(const std::string& value)
{
    for (std::size_t i = 0; i < kIntervalOptions.size(); ++i) {
        if (value == kIntervalOptions[i]) {
            return static_cast<int>(i) + 1;
        }
    }
    return std::nullopt;
}

CommandLineRequest ParseCommandLine(const std::vector<std::string>& arguments)
{
    CommandLineRequest request;
    std::optional<CommandLineRequest::Mode> mode;
    auto setMode = [&](CommandLineRequest::Mode wanted) {
        if (mode && *mode != wanted) {
            return false;
        }
        mode = wanted;
        return true;
    };

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string option = arguments[i];
        std::optional<std::string> inlineValue;
        if (option.rfind("--", 0) == 0) {
            if (const auto eq = option.find('='); eq != std::string::npos) {
                inlineValue = option.substr(eq + 1);
                option.resize(eq);
            }
        }
        auto value = [&]() -> std::optional<std::string> {
            if (inlineValue) {
                return inlineValue;
            }
            if (i + 1 < arguments.size()) {
                return arguments[++i];
            }
            return std::nullopt;
        };

        if (option == "--help" || option == "-h") {
            request.mode = CommandLineRequest::Mode::Help;
            return request;
        }
        if (option == "--version") {
            request.mode = CommandLineRequest::Mode::Version;
            return request;
        }
        if (option == "--check" || option == "--console") {
            if (inlineValue) {
                return Failure("Option " + option + " takes no value.");
            }
            const auto wanted =
                option == "--check" ? CommandLineRequest::Mode::Check : CommandLineRequest::Mode::Console;
            if (!setMode(wanted)) {
                return Failure("--check and --console cannot be used together.");
            }
        } else if (option == "--interval") {
            const auto text = value();
            if (!text) {
                return Failure("--interval needs a value such as 5s, 1m or 6h.");
            }
            request.intervalRow = IntervalRowForOption(*text);
            if (!request.intervalRow) {
                return Failure("Unknown interval '" + *text +
                               "'; use one of 1s 5s 10s 30s 1m 5m 10m 30m 1h 6h 12h 24h.");
            }
        } else if (option == "--log") {
            const auto text = value();
            if (!text || text->empty()) {
                return Failure("--log needs the path of the log file.");
            }
            request.logFile = *text;
        } else {
            return Failure("Unknown option '" + arguments[i] + "'; see --help.");
        }
    }

    request.mode = mode.value_or(CommandLineRequest::Mode::Window);
    if (request.mode == CommandLineRequest::Mode::Window && (request.intervalRow || request.logFile)) {
        return Failure("--interval and --log go with --console or --check.");
    }
    if (request.mode == CommandLineRequest::Mode::Check && request.intervalRow) {
        return Failure("--interval goes with --console, not with --check.");
    }
    return request;
}

std::string UsageText(const std::string& programName)
{
    return "Usage: " + programName +
           " [--check | --console] [--interval N] [--log FILE]\n"
           "Records whether this computer can reach the Internet.\n"
           "\n"
           "  (no option)      the window program, in the notification area\n"
           "  --check          one check: prints the status line; exit status 0 when connected,\n"
           "                   1 when not; appends to the log only with --log\n"
           "  --console        logs at the chosen interval in this terminal until interrupted\n"
           "  --interval N     with --console: 1s 5s 10s 30s 1m 5m 10m 30m 1h 6h 12h or 24h\n"
           "                   instead of the stored interval, for this run only\n"
           "  --log FILE       the log file for this run, instead of the stored one\n"
           "  --help           this text\n"
           "  --version        the program's version\n"
           "\n"
           "PELLAVANE_PROBE_HOST names the host to ping instead of the built-in one.\n";
}

} // namespace pellavane
