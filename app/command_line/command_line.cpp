#include "app/command_line/command_line.h"

#include "app/command_line/echoes_option.h"
#include "app/command_line/families_option.h"
#include "app/command_line/family_option.h"
#include "app/command_line/html_report_option.h"
#include "app/command_line/path_arguments.h"
#include "engine/monitor/schedule.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDate>
#include <QStringList>

#include <string_view>

namespace pellavane {

namespace {

/** How an interval is written on the command line: "5s", "10m", "6h". */
std::string IntervalOptionName(int seconds)
{
    if (seconds % 3600 == 0) {
        return std::to_string(seconds / 3600) + "h";
    }
    if (seconds % 60 == 0) {
        return std::to_string(seconds / 60) + "m";
    }
    return std::to_string(seconds) + "s";
}

/** Every interval's name in list order, the last one after lastSeparator instead of a space. */
std::string IntervalOptionNames(const std::string& lastSeparator)
{
    std::string names;
    for (std::size_t i = 0; i < kIntervalTable.size(); ++i) {
        if (i > 0) {
            names += i + 1 == kIntervalTable.size() ? lastSeparator : " ";
        }
        names += IntervalOptionName(kIntervalTable[i].seconds);
    }
    return names;
}

/** A value in single quotes, as the messages quote one. Appended to a string rather than added to
 *  "'": GCC 12 optimising warns of an overlap that "'" + std::string cannot have (-Wrestrict). */
std::string Quoted(const QString& value)
{
    std::string quoted(1, '\'');
    quoted += value.toStdString();
    quoted += '\'';
    return quoted;
}

CommandLineRequest Failure(std::string message)
{
    CommandLineRequest request;
    request.mode = CommandLineRequest::Mode::Error;
    request.message = std::move(message);
    return request;
}

/** Why the parser refused arguments, in the program's own words; the parser's text names no remedy.
 *  It refuses an unknown option, a value option at the end, or a value given to a switch. */
CommandLineRequest Refusal(const QCommandLineParser& parser, const std::vector<std::string>& arguments,
                           const QStringList& switches)
{
    if (!parser.unknownOptionNames().isEmpty()) {
        // Named as it was written: with the value it was given, or the cluster of letters ("-check")
        // the parser took one letter of.
        const std::string name = parser.unknownOptionNames().first().toStdString();
        const bool letter = name.size() == 1;
        std::string written = (letter ? "-" : "--") + name;
        for (const std::string& argument : arguments) {
            const bool cluster = letter && argument.rfind("--", 0) != 0 && argument.rfind('-', 0) == 0 &&
                                 argument.find(name, 1) != std::string::npos;
            if (cluster || argument.rfind(written + "=", 0) == 0) {
                written = argument;
                break;
            }
        }
        return Failure("Unknown option '" + written + "'; see --help.");
    }
    for (const std::string& argument : arguments) {
        const QString text = QString::fromStdString(argument);
        if (text.startsWith(QLatin1String("--")) && text.contains(QLatin1Char('=')) &&
            switches.contains(text.mid(2).section(QLatin1Char('='), 0, 0))) {
            return Failure("Option " + text.section(QLatin1Char('='), 0, 0).toStdString() +
                           " takes no value.");
        }
    }
    for (const char* option : {"--from", "--to", "--by"}) {
        if (!arguments.empty() && arguments.back() == option) {
            return Failure(std::string(option) + (std::string(option) == "--by"
                                                      ? " needs hour, day or month."
                                                      : " needs a day as YYYY-MM-DD."));
        }
    }
    if (!arguments.empty() && arguments.back() == "--interval") {
        return Failure("--interval needs a value such as 5s, 1m or 6h.");
    }
    for (const char* option : {"--merge", "--min"}) {
        if (!arguments.empty() && arguments.back() == option) {
            return Failure(std::string(option) + " needs a duration such as 30s, 5m or 1h.");
        }
    }
    if (!arguments.empty() && arguments.back() == "--metrics") {
        return Failure("--metrics needs the path of the metrics file.");
    }
    if (!arguments.empty() && arguments.back() == "--report") {
        return Failure(kReportNeedsFile);
    }
    for (const auto& [option, message] :
         {std::pair{"--echoes", kEchoesNeedsValue}, std::pair{"--families", kFamiliesNeedsValue},
          std::pair{"--family", kFamilyNeedsValue}}) {
        if (!arguments.empty() && arguments.back() == option) {
            return Failure(message);
        }
    }
    if (!arguments.empty() && arguments.back() == "--hosts") {
        return Failure("--hosts needs a list of hosts such as 192.0.2.1,192.0.2.2.");
    }
    return Failure("--log needs the path of the log file.");
}

/** A local day written YYYY-MM-DD, and a real one. */
std::optional<LocalDate> DayOption(const QString& text)
{
    const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid() || text.size() != 10) {
        return std::nullopt;
    }
    return LocalDate{date.year(), date.month(), date.day()};
}

} // namespace

std::optional<std::int64_t> DurationOptionSeconds(const std::string& value)
{
    // Nine digits at most: a billion hours still fits, and no number overflows on the way.
    if (value.size() < 2 || value.size() > 10) {
        return std::nullopt;
    }
    std::int64_t number = 0;
    for (std::size_t i = 0; i + 1 < value.size(); ++i) {
        if (value[i] < '0' || value[i] > '9') {
            return std::nullopt;
        }
        number = number * 10 + (value[i] - '0');
    }
    switch (value.back()) {
    case 's':
        return number;
    case 'm':
        return number * 60;
    case 'h':
        return number * 3600;
    default:
        return std::nullopt;
    }
}

std::optional<int> IntervalRowForOption(const std::string& value)
{
    const auto seconds = DurationOptionSeconds(value);
    for (std::size_t i = 0; seconds && i < kIntervalTable.size(); ++i) {
        // Each interval is written one way only: "1m", never "60s".
        if (kIntervalTable[i].seconds == *seconds && value == IntervalOptionName(kIntervalTable[i].seconds)) {
            return static_cast<int>(i) + 1;
        }
    }
    return std::nullopt;
}

CommandLineRequest ParseCommandLine(const std::vector<std::string>& arguments)
{
    using Mode = CommandLineRequest::Mode;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption check(QStringLiteral("check"));
    const QCommandLineOption console(QStringLiteral("console"));
    const QCommandLineOption interval(QStringLiteral("interval"), {}, QStringLiteral("N"));
    const QCommandLineOption log(QStringLiteral("log"), {}, QStringLiteral("FILE"));
    const QCommandLineOption outages(QStringLiteral("outages"));
    const QCommandLineOption uptime(QStringLiteral("uptime"));
    const QCommandLineOption quality(QStringLiteral("quality"));
    const QCommandLineOption report(QStringLiteral("report"), {}, QStringLiteral("FILE"));
    const QCommandLineOption from(QStringLiteral("from"), {}, QStringLiteral("DAY"));
    const QCommandLineOption to(QStringLiteral("to"), {}, QStringLiteral("DAY"));
    const QCommandLineOption by(QStringLiteral("by"), {}, QStringLiteral("PERIOD"));
    const QCommandLineOption csv(QStringLiteral("csv"));
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption hosts(QStringLiteral("hosts"), {}, QStringLiteral("LIST"));
    const QCommandLineOption metrics(QStringLiteral("metrics"), {}, QStringLiteral("FILE"));
    const QCommandLineOption merge(QStringLiteral("merge"), {}, QStringLiteral("DURATION"));
    const QCommandLineOption min(QStringLiteral("min"), {}, QStringLiteral("DURATION"));
    const QCommandLineOption showHistory(QStringLiteral("show-history"));
    const QCommandLineOption echoes(QStringLiteral("echoes"), {}, QStringLiteral("N"));
    const QCommandLineOption families(QStringLiteral("families"), {}, QStringLiteral("4|6|auto"));
    const QCommandLineOption family(QStringLiteral("family"), {}, QStringLiteral("4|6"));
    const QList<QCommandLineOption> options{
        help, version, check, console, interval, log, hosts,       metrics, outages,  uptime, quality, from,
        to,   by,      csv,   json,    merge,    min, showHistory, echoes,  families, family, report};
    QCommandLineParser parser;
    parser.addOptions(options);

    // parse(), not process(): this runs before any application object exists, and process() would
    // print Qt's own texts and end the program with status 1.
    QStringList list{QStringLiteral("pellavane")};
    // The same arguments with every byte kept, for the paths, which must reach the file system as the
    // bytes they were given; everything else is read from the text, as it always was.
    QStringList exactList{QStringLiteral("pellavane")};
    for (const std::string& argument : arguments) {
        list << QString::fromStdString(argument);
        // The text drops a byte order mark in front of an argument; in front of an option, so does
        // this reading, so that the two parsers take the arguments alike.
        std::string_view bytes = argument;
        if (bytes.substr(0, 4) == "\xEF\xBB\xBF-") {
            bytes.remove_prefix(3);
        }
        exactList << ArgumentText(bytes);
    }
    QCommandLineParser exact;
    exact.addOptions(options);
    // What it refuses, parser refuses as well and tells.
    static_cast<void>(exact.parse(exactList));
    if (!parser.parse(list)) {
        return Refusal(parser, arguments,
                       {QStringLiteral("help"), QStringLiteral("version"), QStringLiteral("check"),
                        QStringLiteral("console"), QStringLiteral("outages"), QStringLiteral("uptime"),
                        QStringLiteral("quality"), QStringLiteral("csv"), QStringLiteral("json"),
                        QStringLiteral("show-history")});
    }

    CommandLineRequest request;
    if (parser.isSet(help)) {
        request.mode = Mode::Help;
        return request;
    }
    if (parser.isSet(version)) {
        request.mode = Mode::Version;
        return request;
    }
    if (!parser.positionalArguments().isEmpty()) {
        return Failure("Unknown option '" + parser.positionalArguments().first().toStdString() +
                       "'; see --help.");
    }
    const int modes = (parser.isSet(check) ? 1 : 0) + (parser.isSet(console) ? 1 : 0) +
                      (parser.isSet(outages) ? 1 : 0) + (parser.isSet(uptime) ? 1 : 0) +
                      (parser.isSet(quality) ? 1 : 0) + (parser.isSet(report) ? 1 : 0);
    if (modes > 1) {
        return Failure(
            "Only one of --check, --console, --outages, --uptime, --quality and --report can be given.");
    }
    if (const std::string refusal = HtmlReportOptionsRefusal(parser.isSet(report), parser.isSet(by),
                                                             parser.isSet(csv) || parser.isSet(json));
        !refusal.empty()) {
        return Failure(refusal);
    }
    const bool reporting =
        parser.isSet(outages) || parser.isSet(uptime) || parser.isSet(quality) || parser.isSet(report);
    if (!reporting && (parser.isSet(from) || parser.isSet(to) || parser.isSet(by) || parser.isSet(csv) ||
                       parser.isSet(json))) {
        return Failure("--from, --to, --by, --csv and --json go with --outages, --uptime or --quality.");
    }
    if (parser.isSet(csv) && parser.isSet(json)) {
        return Failure("--csv and --json cannot be used together.");
    }
    if (parser.isSet(by) && parser.isSet(outages)) {
        return Failure("--by goes with --uptime or --quality.");
    }
    if ((parser.isSet(merge) || parser.isSet(min)) && !parser.isSet(outages) && !parser.isSet(report)) {
        return Failure("--merge and --min go with --outages or --report.");
    }
    for (const auto& [option, seconds] :
         {std::pair{&merge, &request.mergeSeconds}, std::pair{&min, &request.minSeconds}}) {
        for (const QString& value : parser.values(*option)) {
            *seconds = DurationOptionSeconds(value.toStdString());
            if (!*seconds) {
                return Failure(Quoted(value) + " for --" + option->names().first().toStdString() +
                               " is not a duration such as 30s, 5m or 1h.");
            }
        }
    }
    request.format = parser.isSet(csv)    ? ReportFormat::Csv
                     : parser.isSet(json) ? ReportFormat::Json
                                          : ReportFormat::Table;
    for (const QString& value : parser.values(by)) {
        if (value == QLatin1String("hour")) {
            request.report.by = PeriodLength::Hour;
        } else if (value == QLatin1String("day")) {
            request.report.by = PeriodLength::Day;
        } else if (value == QLatin1String("month")) {
            request.report.by = PeriodLength::Month;
        } else {
            return Failure("Unknown period '" + value.toStdString() + "' for --by; use hour, day or month.");
        }
    }
    for (const auto& [option, day] :
         {std::pair{&from, &request.report.from}, std::pair{&to, &request.report.to}}) {
        for (const QString& value : parser.values(*option)) {
            *day = DayOption(value);
            if (!*day) {
                return Failure(Quoted(value) + " for --" + option->names().first().toStdString() +
                               " is not a day written YYYY-MM-DD.");
            }
        }
    }
    if (request.report.from && request.report.to &&
        QDate(request.report.from->year, request.report.from->month, request.report.from->day) >
            QDate(request.report.to->year, request.report.to->month, request.report.to->day)) {
        return Failure("--from comes after --to.");
    }
    for (const QString& value : parser.values(interval)) {
        request.intervalRow = IntervalRowForOption(value.toStdString());
        if (!request.intervalRow) {
            return Failure("Unknown interval '" + value.toStdString() + "'; use one of " +
                           IntervalOptionNames(" ") + ".");
        }
    }
    for (std::string& value : PathValues(parser, exact, log)) {
        if (value.empty()) {
            return Failure("--log needs the path of the log file.");
        }
        request.logFile = std::move(value);
    }

    for (const QString& value : parser.values(hosts)) {
        request.hosts = value.toStdString();
    }
    for (std::string& value : PathValues(parser, exact, report)) {
        if (value.empty()) {
            return Failure(kReportNeedsFile);
        }
        request.reportFile = std::move(value);
    }
    for (std::string& value : PathValues(parser, exact, metrics)) {
        if (value.empty()) {
            return Failure("--metrics needs the path of the metrics file.");
        }
        request.metricsFile = std::move(value);
    }

    request.mode = parser.isSet(check)     ? Mode::Check
                   : parser.isSet(console) ? Mode::Console
                   : parser.isSet(outages) ? Mode::Outages
                   : parser.isSet(uptime)  ? Mode::Uptime
                   : parser.isSet(quality) ? Mode::Quality
                   : parser.isSet(report)  ? Mode::Report
                                           : Mode::Window;
    if (reporting && request.intervalRow) {
        return Failure("--interval goes with --console, not with the reports.");
    }
    if (request.mode == Mode::Window && (request.intervalRow || request.logFile)) {
        return Failure("--interval and --log go with --console or --check.");
    }
    if (request.metricsFile && request.mode != Mode::Console && request.mode != Mode::Window) {
        return Failure("--metrics goes with --console or the window, not with --check.");
    }
    request.showHistory = parser.isSet(showHistory);
    if (request.showHistory && request.mode != Mode::Window) {
        return Failure("--show-history goes with the window, not with --check, --console or the reports.");
    }
    if (request.mode == Mode::Window && request.hosts) {
        return Failure("--hosts goes with --console or --check.");
    }
    if (request.mode == Mode::Check && request.intervalRow) {
        return Failure("--interval goes with --console, not with --check.");
    }
    for (std::string refusal : {ReadEchoesOption(parser.values(echoes), request),
                                ReadFamiliesOption(parser.values(families), request),
                                ReadFamilyOption(parser.values(family), request)}) {
        if (!refusal.empty()) {
            return Failure(std::move(refusal));
        }
    }
    return request;
}

std::string UsageText(const std::string& programName)
{
    return "Usage: " + programName +
           " [--check | --console] [--interval N] [--log FILE] [--hosts LIST] [--echoes N]\n"
           "                 [--families 4|6|auto] [--metrics FILE]\n"
           "       " +
           programName +
           " --outages | --uptime | --quality [--log FILE] [--from DAY] [--to DAY] [--csv | --json]\n"
           "       " +
           programName +
           " --uptime | --quality [--by hour|day|month] ...\n"
           "       " +
           programName +
           " --outages [--merge DURATION] [--min DURATION] ...\n"
           "       " +
           programName +
           " --outages | --uptime [--family 4|6] ...\n"
           "       " +
           programName +
           " --report FILE.html [--log FILE] [--from DAY] [--to DAY] [--merge DURATION] [--min DURATION]\n"
           "       " +
           programName +
           " --show-history\n"
           "Records whether this computer can reach the Internet.\n"
           "\n"
           "  (no option)      the window program, in the notification area\n"
           "  --check          one check: prints the status line; exit status 0 when connected,\n"
           "                   1 when not; appends to the log only with --log\n"
           "  --console        logs at the chosen interval in this terminal until interrupted\n"
           "  --interval N     with --console: " +
           IntervalOptionNames(" or ") +
           "\n"
           "                   instead of the stored interval, for this run only\n"
           "  --log FILE       the log file for this run, instead of the stored one\n"
           "  --hosts LIST     with --check or --console: the hosts to ping, comma-separated, first\n"
           "                   first, instead of PELLAVANE_PROBE_HOSTS or the stored ProbeHosts\n"
           "  --echoes N       with --check or --console: N echo requests (1 to 20) to the first host\n"
           "                   per check, instead of the stored EchoesPerCheck\n"
           "  --families 4|6|auto with --check or --console: ping over IPv4 alone, IPv6 alone or every\n"
           "                   configured family, instead of the stored Families\n"
           "  --metrics FILE   with --console or the window: writes Prometheus metrics to FILE\n"
           "                   (ending in .prom) after every check, for node_exporter's textfile collector\n"
           "  --outages        one row per outage of the log's history: start, end, duration, cause\n"
           "  --uptime         per day (--by day), hour or month: time up, down and unknown,\n"
           "                   outages, the longest, uptime in percent of the known time\n"
           "  --quality        per day (--by day), hour or month, while connected: echoes sent to the\n"
           "                   first target and lost, loss in percent, median and 95th percentile round\n"
           "                   trip, jitter, and the seconds the connection was degraded\n"
           "  --report FILE    writes the history as one HTML page to hand to the provider: the summary,\n"
           "                   a timeline, the outages, uptime and quality by day; readable offline\n"
           "  --merge DURATION with --outages or --report: joins outages less than DURATION (30s, 5m, 1h) "
           "apart\n"
           "  --min DURATION   with --outages or --report: leaves out outages shorter than DURATION\n"
           "  --family 4|6     with --outages or --uptime: the history of IPv4 or IPv6 alone\n"
           "  --from, --to DAY the first and last local day of the report (YYYY-MM-DD), both included\n"
           "  --csv, --json    the report as CSV or as JSON instead of a table\n"
           "  --show-history   shows the Connection History window of the running program, or\n"
           "                   starts the window program with it shown\n"
           "  --help           this text\n"
           "  --version        the program's version\n"
           "\n"
           "PELLAVANE_PROBE_HOSTS (h1,h2,...) or PELLAVANE_PROBE_HOST names the hosts to ping instead\n"
           "of the built-in ones; PELLAVANE_CHECK_URL sets the web check's address, empty turns it off.\n";
}

} // namespace pellavane
