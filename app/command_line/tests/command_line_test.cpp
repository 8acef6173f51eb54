#include "app/command_line/command_line.h"

#include <QString>

#include <gtest/gtest.h>

namespace pellavane {
namespace {

using Mode = CommandLineRequest::Mode;

TEST(ParseCommandLine, NoArgumentsIsTheWindowProgram)
{
    EXPECT_EQ(ParseCommandLine({}).mode, Mode::Window);
}

TEST(ParseCommandLine, CheckTakesAnOptionalLogFile)
{
    const auto plain = ParseCommandLine({"--check"});
    EXPECT_EQ(plain.mode, Mode::Check);
    EXPECT_FALSE(plain.logFile);

    const auto logged = ParseCommandLine({"--log", "/tmp/a b.txt", "--check"});
    EXPECT_EQ(logged.mode, Mode::Check);
    EXPECT_EQ(logged.logFile, "/tmp/a b.txt");
    EXPECT_EQ(ParseCommandLine({"--check", "--log=/tmp/x.txt"}).logFile, "/tmp/x.txt");
}

TEST(ParseCommandLine, ConsoleTakesIntervalAndLogOverrides)
{
    const auto request = ParseCommandLine({"--console", "--interval", "6h", "--log", "x.txt"});
    EXPECT_EQ(request.mode, Mode::Console);
    EXPECT_EQ(request.intervalRow, 10);
    EXPECT_EQ(request.logFile, "x.txt");
    EXPECT_EQ(ParseCommandLine({"--console", "--interval=1s"}).intervalRow, 1);
    EXPECT_EQ(ParseCommandLine({"--console", "--hosts", "127.0.0.2,127.0.0.3"}).hosts, "127.0.0.2,127.0.0.3");
    EXPECT_EQ(ParseCommandLine({"--console", "--echoes", "20"}).echoes, 20);
    EXPECT_EQ(ParseCommandLine({"--check", "--echoes=1"}).echoes, 1);
    EXPECT_FALSE(ParseCommandLine({"--check"}).echoes);
    EXPECT_EQ(ParseCommandLine({"--console", "--families", "6"}).families, FamilyChoice::V6);
    EXPECT_EQ(ParseCommandLine({"--check", "--families=4", "--families=auto"}).families, FamilyChoice::Auto);
    EXPECT_FALSE(ParseCommandLine({"--check"}).families);
}

TEST(ParseCommandLine, ReportsTakeTheirRangePeriodAndFormat)
{
    const auto outages = ParseCommandLine({"--outages", "--log", "x.txt", "--from", "2026-12-01", "--csv"});
    EXPECT_EQ(outages.mode, Mode::Outages);
    EXPECT_EQ(outages.logFile, "x.txt");
    ASSERT_TRUE(outages.report.from);
    EXPECT_EQ(outages.report.from->month, 12);
    EXPECT_FALSE(outages.report.to);
    EXPECT_EQ(outages.format, ReportFormat::Csv);
    const auto uptime = ParseCommandLine({"--uptime", "--by", "month", "--to=2026-12-31", "--json"});
    EXPECT_EQ(uptime.mode, Mode::Uptime);
    EXPECT_EQ(uptime.report.by, PeriodLength::Month);
    ASSERT_TRUE(uptime.report.to);
    EXPECT_EQ(uptime.report.to->day, 31);
    EXPECT_EQ(uptime.format, ReportFormat::Json);
    const auto quality = ParseCommandLine({"--quality", "--by", "hour", "--csv"});
    EXPECT_EQ(quality.mode, Mode::Quality);
    EXPECT_EQ(quality.report.by, PeriodLength::Hour);
    EXPECT_EQ(quality.format, ReportFormat::Csv);
    EXPECT_EQ(ParseCommandLine({"--quality"}).report.by, PeriodLength::Day);
    EXPECT_EQ(ParseCommandLine({"--uptime", "--by=hour"}).report.by, PeriodLength::Hour);
    EXPECT_EQ(ParseCommandLine({"--uptime"}).report.by, PeriodLength::Day);
    EXPECT_EQ(ParseCommandLine({"--uptime"}).format, ReportFormat::Table);
    EXPECT_EQ(ParseCommandLine({"--outages", "--family", "6"}).family, AddressFamily::V6);
    EXPECT_EQ(ParseCommandLine({"--uptime", "--family=4"}).family, AddressFamily::V4);
    EXPECT_FALSE(ParseCommandLine({"--uptime"}).family);
}

TEST(ParseCommandLine, ShowHistoryGoesWithTheWindowOnly)
{
    const auto request = ParseCommandLine({"--show-history"});
    EXPECT_EQ(request.mode, Mode::Window);
    EXPECT_TRUE(request.showHistory);
    EXPECT_FALSE(ParseCommandLine({}).showHistory);
    for (const char* other : {"--check", "--console", "--outages"}) {
        EXPECT_EQ(ParseCommandLine({"--show-history", other}).mode, Mode::Error) << other;
    }
    EXPECT_EQ(ParseCommandLine({"--show-history=yes"}).message, "Option --show-history takes no value.");
}

TEST(ParseCommandLine, MetricsGoWithTheConsoleAndTheWindow)
{
    EXPECT_EQ(ParseCommandLine({"--console", "--metrics", "/m/p.prom"}).metricsFile, "/m/p.prom");
    const auto window = ParseCommandLine({"--metrics=p.prom"});
    EXPECT_EQ(window.mode, Mode::Window);
    EXPECT_EQ(window.metricsFile, "p.prom");
}

TEST(ParseCommandLine, EveryIntervalOfTheListHasItsOption)
{
    const char* options[] = {"1s", "5s", "10s", "30s", "1m", "5m", "10m", "30m", "1h", "6h", "12h", "24h"};
    for (int row = 1; row <= 12; ++row) {
        EXPECT_EQ(IntervalRowForOption(options[row - 1]), row) << options[row - 1];
    }
    for (const char* bad : {"", "2s", "60s", "1", "1S", "1d", " 5s"}) {
        EXPECT_FALSE(IntervalRowForOption(bad)) << bad;
    }
}

TEST(ParseCommandLine, OutagesMergeAndMinTakeDurationsAsTheIntervalIsWritten)
{
    const auto request = ParseCommandLine({"--outages", "--merge", "90s", "--min", "2m"});
    ASSERT_EQ(request.mode, Mode::Outages) << request.message;
    EXPECT_EQ(request.mergeSeconds, 90);
    EXPECT_EQ(request.minSeconds, 120);
    EXPECT_FALSE(ParseCommandLine({"--outages"}).mergeSeconds);
    const std::pair<const char*, std::int64_t> durations[] = {
        {"0s", 0}, {"30s", 30}, {"5m", 300}, {"1h", 3600}, {"999999999h", 999999999LL * 3600}};
    for (const auto& [text, seconds] : durations) {
        EXPECT_EQ(DurationOptionSeconds(text), seconds) << text;
    }
    for (const char* bad : {"", "s", "5", "5S", "1d", " 5s", "5s ", "1.5h", "1000000000s"}) {
        EXPECT_FALSE(DurationOptionSeconds(bad)) << bad;
    }
}

TEST(ParseCommandLine, ReportTakesItsFileTheRangeAndTheOutageOptions)
{
    const auto request = ParseCommandLine({"--report", "r\xff.html", "--log", "l.txt", "--from", "2026-12-01",
                                           "--to", "2026-12-08", "--merge", "1m", "--min", "30s"});
    ASSERT_EQ(request.mode, Mode::Report) << request.message;
    // A path keeps its bytes, as --log's does.
    EXPECT_EQ(request.reportFile, "r\xff.html");
    EXPECT_EQ(request.logFile, "l.txt");
    ASSERT_TRUE(request.report.from && request.report.to);
    EXPECT_EQ(request.report.to->day, 8);
    EXPECT_EQ(request.mergeSeconds, 60);
    EXPECT_EQ(request.minSeconds, 30);
}

TEST(ParseCommandLine, MistakesAreErrorsWithAMessage)
{
    const std::vector<std::vector<std::string>> mistakes = {
        {"--frobnicate"},
        {"-x"},
        {"extra"},
        {"--console", "--interval"},
        {"--console", "--interval", "7s"},
        {"--console", "--log"},
        {"--console", "--log="},
        {"--check", "--console"},
        {"--check", "--interval", "5s"},
        {"--interval", "5s"},
        {"--log", "x.txt"},
        {"--check=yes"},
        {"--hosts", "127.0.0.1"},
        {"--check", "--hosts"},
        {"--outages", "--uptime"},
        {"--outages", "--check"},
        {"--outages", "--csv", "--json"},
        {"--outages", "--by", "day"},
        {"--uptime", "--by", "week"},
        {"--uptime", "--by"},
        {"--uptime", "--from", "2026-02-30"},
        {"--uptime", "--from", "2026-12-8"},
        {"--uptime", "--to"},
        {"--uptime", "--from", "2026-12-09", "--to", "2026-12-08"},
        {"--uptime", "--interval", "5s"},
        {"--check", "--csv"},
        {"--json"},
        {"--uptime=yes"},
        {"--uptime", "--merge", "5m"},
        {"--check", "--min", "5m"},
        {"--outages", "--merge", "5"},
        {"--outages", "--min", "-5m"},
        {"--outages", "--min", "5d"},
        {"--outages", "--merge"},
        {"--check", "--echoes", "0"},
        {"--check", "--echoes", "21"},
        {"--console", "--echoes", "x"},
        {"--console", "--echoes", "+5"},
        {"--console", "--echoes", "05 "},
        {"--console", "--echoes", ""},
        {"--uptime", "--echoes", "5"},
        {"--check", "--families", "5"},
        {"--check", "--families", "ipv6"},
        {"--console", "--families", ""},
        {"--outages", "--families", "4"},
        {"--quality", "--outages"},
        {"--quality", "--by", "minute"},
        {"--quality", "--min", "5m"},
        {"--quality", "--interval", "5s"},
        {"--quality=yes"},
        {"--check", "--by", "hour"},
        {"--outages", "--family", "5"},
        {"--uptime", "--family", "v6"},
        {"--uptime", "--family", ""},
        {"--uptime", "--family"},
        {"--quality", "--family", "6"},
        {"--check", "--family", "4"},
        {"--family", "4"},
    };
    for (const auto& arguments : mistakes) {
        const auto request = ParseCommandLine(arguments);
        EXPECT_EQ(request.mode, Mode::Error) << arguments.front();
        EXPECT_FALSE(request.message.empty());
    }
}

TEST(ParseCommandLine, MessagesNameTheArgumentAndTheRemedy)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--frob=3"}, "Unknown option '--frob=3'; see --help."},
        {{"-x"}, "Unknown option '-x'; see --help."},
        {{"-check"}, "Unknown option '-check'; see --help."},
        {{"extra"}, "Unknown option 'extra'; see --help."},
        {{"--console", "--interval"}, "--interval needs a value such as 5s, 1m or 6h."},
        {{"--console", "--interval", "5s", "--interval", "9s"},
         "Unknown interval '9s'; use one of 1s 5s 10s 30s 1m 5m 10m 30m 1h 6h 12h 24h."},
        {{"--console", "--log"}, "--log needs the path of the log file."},
        {{"--console", "--metrics"}, "--metrics needs the path of the metrics file."},
        {{"--metrics="}, "--metrics needs the path of the metrics file."},
        {{"--check", "--metrics", "p.prom"},
         "--metrics goes with --console or the window, not with --check."},
        {{"--console=1"}, "Option --console takes no value."},
        {{"--check", "--hosts"}, "--hosts needs a list of hosts such as 192.0.2.1,192.0.2.2."},
        {{"--hosts", "127.0.0.1"}, "--hosts goes with --console or --check."},
        {{"--outages", "--min"}, "--min needs a duration such as 30s, 5m or 1h."},
        {{"--outages", "--merge", "5 m"}, "'5 m' for --merge is not a duration such as 30s, 5m or 1h."},
        {{"--uptime", "--min", "5m"}, "--merge and --min go with --outages or --report."},
        {{"--report"}, "--report needs the path of the HTML file to write."},
        {{"--report="}, "--report needs the path of the HTML file to write."},
        {{"--report", "r.html", "--by", "day"},
         "--by goes with --uptime or --quality; the report is by day."},
        {{"--report", "r.html", "--csv"},
         "--csv and --json go with --outages, --uptime or --quality; the report is HTML."},
        {{"--report", "r.html", "--outages"},
         "Only one of --check, --console, --outages, --uptime, --quality and --report can be given."},
        {{"--report", "r.html", "--family", "4"}, "--family goes with --outages or --uptime."},
        {{"--report", "r.html", "--interval", "5s"}, "--interval goes with --console, not with the reports."},
        {{"--check", "--echoes", "21"}, "'21' for --echoes is not a number of echoes from 1 to 20."},
        {{"--check", "--echoes"}, "--echoes needs a number of echoes from 1 to 20."},
        {{"--echoes", "5"}, "--echoes goes with --console or --check."},
        {{"--check", "--families", "46"}, "'46' for --families is not 4, 6 or auto."},
        {{"--console", "--families"}, "--families needs 4, 6 or auto."},
        {{"--families", "4"}, "--families goes with --console or --check."},
        {{"--uptime", "--family", "5"}, "Unknown address family '5' for --family; use 4 or 6."},
        {{"--uptime", "--family"}, "--family needs 4 or 6."},
        {{"--quality", "--family", "6"}, "--family goes with --outages or --uptime."},
    };
    for (const auto& [arguments, message] : cases) {
        EXPECT_EQ(ParseCommandLine(arguments).message, message) << arguments.front();
    }
    EXPECT_NE(UsageText("pellavane").find("with --console: 1s 5s 10s 30s 1m 5m 10m 30m 1h 6h 12h or 24h\n"),
              std::string::npos);
}

// A file name is bytes: one that is not UTF-8 (a Latin-1 name, a cut sequence, an encoded surrogate)
// must reach the file system as given, not as the U+FFFD its text shows.
const std::vector<std::string> kByteNames = {
    "/tmp/caf\xe9.log",
    "/tmp/\xe2\x82.log",
    "/tmp/\xed\xb2\x80\xed\xa0\x80.log",
    "/tmp/\xc0\xaf\xff\xfe.log",
    "\x80\xef\xbb\xbf\xf0\x9f\x98\x80\x80.log",
    "\xf0\x9f\x98.log\xf0",
    "/tmp/\xd0\xb6\xd1\x83\xd1\x80 \xc3\xa9t\xc3\xa9.txt",
};

TEST(ParseCommandLine, PathsKeepTheirBytesWhenTheyAreNotUtf8)
{
    for (const std::string& name : kByteNames) {
        EXPECT_EQ(ParseCommandLine({"--check", "--log", name}).logFile, name);
        EXPECT_EQ(ParseCommandLine({"--check", "--log=" + name}).logFile, name);
        const auto console = ParseCommandLine({"--console", "--log", name, "--metrics", name + ".prom"});
        EXPECT_EQ(console.logFile, name);
        EXPECT_EQ(console.metricsFile, name + ".prom");
        EXPECT_EQ(ParseCommandLine({"--metrics=" + name}).metricsFile, name);
        EXPECT_EQ(ParseCommandLine({"--outages", "--log", name}).logFile, name);
        EXPECT_EQ(ParseCommandLine({"--uptime", "--log=" + name, "--csv"}).logFile, name);
    }
    // A byte order mark is kept in a path; in front of an option it is dropped, as it always was.
    const std::string marked = "\xef\xbb\xbf"
                               "caf\xe9.log";
    EXPECT_EQ(ParseCommandLine({"--check", "--log", marked}).logFile, marked);
    EXPECT_EQ(ParseCommandLine({"--check", "--log=" + marked}).logFile, marked);
    EXPECT_EQ(ParseCommandLine({"\xef\xbb\xbf--log", "/tmp/caf\xe9.log", "--check"}).logFile,
              "/tmp/caf\xe9.log");
}

// Everything else reads the arguments as text as it always did, bytes that are not UTF-8 as U+FFFD.
TEST(ParseCommandLine, MessagesQuoteArgumentsThatAreNotUtf8AsBefore)
{
    for (const std::string& name : kByteNames) {
        const std::string shown = QString::fromStdString(name).toStdString();
        EXPECT_EQ(ParseCommandLine({name}).message, "Unknown option '" + shown + "'; see --help.");
        EXPECT_EQ(ParseCommandLine({"--console", "--interval", name}).message,
                  "Unknown interval '" + shown + "'; use one of 1s 5s 10s 30s 1m 5m 10m 30m 1h 6h 12h 24h.");
        EXPECT_EQ(ParseCommandLine({"--check", "--hosts", name}).hosts, shown);
    }
    EXPECT_EQ(ParseCommandLine({"--fr\xe9=1"}).message, "Unknown option '--fr\xef\xbf\xbd'; see --help.");
    // A byte order mark in front of an option is dropped, as it always was.
    EXPECT_EQ(ParseCommandLine({"\xef\xbb\xbf--check"}).mode, Mode::Check);
}

TEST(ParseCommandLine, HelpAndVersionWinOverEverythingElse)
{
    EXPECT_EQ(ParseCommandLine({"--console", "--help"}).mode, Mode::Help);
    EXPECT_EQ(ParseCommandLine({"-h"}).mode, Mode::Help);
    EXPECT_EQ(ParseCommandLine({"--version"}).mode, Mode::Version);
}

} // namespace
} // namespace pellavane
