#include "engine/report/report_page.h"

#include "core/iso_time.h"
#include "engine/check/local_network.h"
#include "engine/history/history_report.h"
#include "engine/report/html_text.h"
#include "engine/report/report_summary.h"
#include "engine/report/report_tables.h"
#include "engine/report/report_timeline.h"

namespace pellavane {
namespace {

// The page may load nothing at all: the policy says so to the browser as well.
constexpr const char* kHead = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; style-src 'unsafe-inline'">
<meta name="viewport" content="width=device-width, initial-scale=1">
)";

// No size in @page: the printer's paper, A4 or Letter, is used, and the margins leave 180 mm of
// width, which both have.
constexpr const char* kStyle = R"(<style>
body { font-family: sans-serif; font-size: 10.5pt; color: #111; max-width: 60em; margin: 1.5em auto; padding: 0 1em; }
h1 { font-size: 1.5em; margin-bottom: 0.2em; }
h2 { font-size: 1.2em; margin-top: 1.6em; border-bottom: 1px solid #999; }
table { border-collapse: collapse; width: 100%; }
th, td { text-align: left; padding: 0.15em 0.5em; border-bottom: 1px solid #ddd; }
th.n, td.n { text-align: right; }
dl.summary dt { font-weight: bold; margin-top: 0.4em; }
dl.summary dd { margin-left: 1.5em; }
dl.glossary dt { font-weight: bold; margin-top: 0.3em; }
.about td:first-child { width: 10em; color: #444; }
.timeline tbody th, .timeline thead th:first-child { width: 7em; white-space: nowrap; font-weight: normal; }
.timeline td { padding: 1px 0; }
.timeline svg { display: block; width: 100%; height: 0.9em; }
.axis { display: flex; justify-content: space-between; font-weight: normal; font-size: 0.85em; }
.up { fill: #3c9a4e; }
.unk { fill: #b8b8b8; }
.deg { fill: #e8a317; }
.down { fill: #d42a2a; }
.key span { display: inline-block; width: 1em; height: 0.8em; margin: 0 0.3em 0 1em; vertical-align: middle; }
.key .up, .key .unk, .key .deg, .key .down { background: currentColor; }
.key .up { color: #3c9a4e; } .key .unk { color: #b8b8b8; } .key .deg { color: #e8a317; } .key .down { color: #d42a2a; }
p.blame { font-weight: bold; }
footer { margin-top: 2em; font-size: 0.85em; color: #555; }
* { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
@page { margin: 15mm; }
@media print {
  body { max-width: none; margin: 0; padding: 0; font-size: 9.5pt; }
  thead { display: table-header-group; }
  tr { break-inside: avoid; page-break-inside: avoid; }
  h2 { break-after: avoid; page-break-after: avoid; }
}
</style>
</head>
<body>
)";

/** What each cause means for a reader at the provider; the sentences are those the program tells its
 *  user. */
constexpr const char* kCauses[] = {"provider",        "local network",       "no network",
                                   "targets silent",  "name lookup failed",  "captive portal",
                                   "no ping program", "first target silent", "echo filtered"};

std::string AboutRow(const std::string& name, const std::string& value)
{
    return "<tr><td>" + HtmlEscaped(name) + "</td><td>" + HtmlEscaped(value) + "</td></tr>\n";
}

std::string PeriodText(const ReportData& data)
{
    if (data.history.periods.empty()) {
        return "no checks recorded";
    }
    return data.history.periods.front().Label() + " to " + data.history.periods.back().Label();
}

std::string Glossary()
{
    std::string out = "<dl class=\"glossary\">\n";
    for (const char* cause : kCauses) {
        std::string sentence = CauseSentence(cause);
        sentence[0] = static_cast<char>(sentence[0] - 'a' + 'A');
        out += "<dt>" + HtmlEscaped(cause) + "</dt><dd>" + HtmlEscaped(sentence) + ".</dd>\n";
    }
    out += "<dt>not watched</dt><dd>No check was made: the computer slept or was off, or logging was "
           "off. Such time counts neither as up nor as down.</dd>\n"
           "<dt>degraded</dt><dd>The connection answered, but lost echoes or answered slowly for long "
           "enough to matter.</dd>\n";
    return out + "</dl>\n";
}

} // namespace

std::string ReportPage(const ReportData& data, const ReportAbout& about)
{
    const std::string period = PeriodText(data);
    std::string out = kHead;
    out += "<title>Internet connection report: " + HtmlEscaped(about.machine) + ", " + HtmlEscaped(period) +
           "</title>\n";
    out += kStyle;
    out += "<h1>Internet connection report</h1>\n<table class=\"about\">\n";
    out += AboutRow("Computer", about.machine);
    out += AboutRow("Period", period);
    out += AboutRow("Made", IsoLocalTimeWithoutZone(about.madeAt) + " by Pellavane " + about.version);
    const std::string interval = RecordedIntervalText(data);
    out += AboutRow("Checks", interval.empty() ? std::string("too few to tell their interval")
                                               : interval + ", " + std::to_string(data.checks) + " in all");
    out += AboutRow("Targets", about.targets);
    out += AboutRow("How it decides",
                    "Each check sends echo requests to the targets in turn: the connection is up when one "
                    "of them answers and down when none does. When none answers, the check asks the "
                    "router and this computer's own network, so that each outage names where the fault "
                    "lay: on this side of the router, or beyond it.");
    out += "</table>\n<h2>Summary</h2>\n" + SummaryHtml(data);
    const std::string timeline = TimelineHtml(data);
    if (!timeline.empty()) {
        out += "<h2>Timeline</h2>\n<p class=\"key\"><span class=\"up\"></span>up<span class=\"down\"></span>"
               "down<span class=\"deg\"></span>degraded<span class=\"unk\"></span>not watched</p>\n" +
               timeline;
    }
    out += "<h2>Outages</h2>\n" + OutageTableHtml(data.outages);
    out += "<p class=\"blame\">" + HtmlEscaped(OutagesBlameLine(data.outages)) + "</p>\n";
    out += "<h2>Uptime by day</h2>\n" + UptimeTableHtml(data.history.periods);
    out += "<h2>Quality by day</h2>\n" + QualityTableHtml(data.quality);
    out += "<h2>What the causes mean</h2>\n" + Glossary();
    out += "<footer>Times are local to the computer. Made by Pellavane " + HtmlEscaped(about.version) +
           ".</footer>\n</body>\n</html>\n";
    return out;
}

} // namespace pellavane
