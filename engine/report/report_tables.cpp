#include "engine/report/report_tables.h"

#include "core/iso_time.h"
#include "engine/history/history_report.h"
#include "engine/report/html_text.h"

namespace pellavane {
namespace {

/** The head of a table; numeric columns, marked with a leading '#', are set right. */
std::string TableStart(const char* className, const std::vector<std::string>& columns)
{
    std::string out = std::string("<table class=\"") + className + "\">\n<thead><tr>";
    for (const std::string& column : columns) {
        const bool numeric = !column.empty() && column[0] == '#';
        out += numeric ? "<th class=\"n\">" + HtmlEscaped(column.substr(1)) : "<th>" + HtmlEscaped(column);
        out += "</th>";
    }
    return out + "</tr></thead>\n<tbody>\n";
}

std::string Cell(const std::string& text)
{
    return "<td>" + HtmlEscaped(text) + "</td>";
}

std::string NumberCell(const std::string& text)
{
    return "<td class=\"n\">" + HtmlEscaped(text.empty() ? std::string("-") : text) + "</td>";
}

constexpr const char* kTableEnd = "</tbody>\n</table>\n";

} // namespace

std::string OutageTableHtml(const std::vector<Outage>& outages)
{
    if (outages.empty()) {
        return "<p>No outages.</p>\n";
    }
    std::string out = TableStart("outages", {"Start", "End", "#Duration", "Cause"});
    for (const Outage& outage : outages) {
        const OutageValues values = OutageCsvValues(outage);
        out += "<tr class=\"outage\" data-start=\"" + HtmlEscaped(values.start) + "\" data-end=\"" +
               HtmlEscaped(values.end) + "\" data-duration-s=\"" + HtmlEscaped(values.durationSeconds) +
               "\" data-cause=\"" + HtmlEscaped(values.cause) + "\">" +
               Cell(IsoLocalTimeWithoutZone(outage.start)) +
               Cell(outage.ongoing ? std::string("still going") : IsoLocalTimeWithoutZone(outage.end)) +
               NumberCell(DurationText(outage.Duration())) + Cell(outage.cause) + "</tr>\n";
    }
    return out + kTableEnd;
}

std::string UptimeTableHtml(const std::vector<PeriodUptime>& periods)
{
    std::string out =
        TableStart("uptime", {"Day", "#Up", "#Down", "#Unknown", "#Outages", "#Longest", "#Uptime"});
    for (const PeriodUptime& period : periods) {
        out += "<tr>" + Cell(period.Label()) + NumberCell(DurationText(period.upSeconds)) +
               NumberCell(DurationText(period.downSeconds)) +
               NumberCell(DurationText(period.unknownSeconds)) + NumberCell(std::to_string(period.outages)) +
               NumberCell(DurationText(period.longestSeconds)) + NumberCell(UptimePercentForPerson(period)) +
               "</tr>\n";
    }
    return out + kTableEnd;
}

std::string QualityTableHtml(const std::vector<PeriodQuality>& periods)
{
    std::string out = TableStart("quality", {"Day", "#Echoes", "#Lost", "#Loss %", "#Median ms", "#95th % ms",
                                             "#Jitter ms", "#Degraded"});
    for (const PeriodQuality& period : periods) {
        out += "<tr>" + Cell(period.Label()) + NumberCell(std::to_string(period.echoes)) +
               NumberCell(std::to_string(period.lost)) + NumberCell(LossPercentText(period)) +
               NumberCell(MillisecondsText(period.rttMedianUs)) +
               NumberCell(MillisecondsText(period.rttP95Us)) + NumberCell(JitterText(period)) +
               NumberCell(DurationText(period.degradedSeconds)) + "</tr>\n";
    }
    return out + kTableEnd;
}

} // namespace pellavane
