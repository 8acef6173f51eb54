#include "engine/report/report_summary.h"

#include "engine/history/history_report.h"
#include "engine/listeners/family_rows.h"
#include "engine/report/html_text.h"

namespace pellavane {
namespace {

/** The periods' times added up, as one period. */
PeriodUptime Total(const std::vector<PeriodUptime>& periods)
{
    PeriodUptime total;
    for (const PeriodUptime& period : periods) {
        total.upSeconds += period.upSeconds;
        total.downSeconds += period.downSeconds;
        total.unknownSeconds += period.unknownSeconds;
        total.outages += period.outages;
    }
    return total;
}

std::string Item(const std::string& term, const std::string& text)
{
    return "<dt>" + HtmlEscaped(term) + "</dt><dd>" + HtmlEscaped(text) + "</dd>\n";
}

std::string UptimeSentence(const PeriodUptime& total)
{
    if (total.upSeconds + total.downSeconds == 0) {
        return "No time was watched.";
    }
    return UptimePercentForPerson(total) + " of the time watched (" + DurationText(total.upSeconds) +
           " up, " + DurationText(total.downSeconds) + " down); " + DurationText(total.unknownSeconds) +
           " not watched (the computer asleep, off or the program not logging).";
}

} // namespace

std::string RecordedIntervalText(const ReportData& data)
{
    if (data.intervalSeconds > 0) {
        return "every " + DurationText(data.intervalSeconds);
    }
    if (data.checks < 2) {
        return {};
    }
    return "about every " + DurationText((data.lastCheck - data.firstCheck) / (data.checks - 1));
}

std::string SummaryHtml(const ReportData& data)
{
    std::string out = "<dl class=\"summary\">\n";
    out += Item("Uptime", UptimeSentence(Total(data.history.periods)));
    out += Item("Outages", OutagesBlameLine(data.outages));
    PeriodQuality quality;
    for (const PeriodQuality& period : data.quality) {
        quality.echoes += period.echoes;
        quality.lost += period.lost;
        quality.degradedSeconds += period.degradedSeconds;
    }
    const std::string loss = LossPercentText(quality);
    out += Item("Degraded", DurationText(quality.degradedSeconds) +
                                " degraded while up (losing echoes or slow to answer); " +
                                (loss.empty() ? std::string("no echoes recorded.")
                                              : loss + " % of " + std::to_string(quality.echoes) +
                                                    " echoes to the first target lost."));
    for (const FamilyReport& family : data.families) {
        out += Item(FamilyName(family.family),
                    UptimeSentence(Total(family.history.periods)) + " " + OutagesBlameLine(family.outages));
    }
    return out + "</dl>\n";
}

} // namespace pellavane
