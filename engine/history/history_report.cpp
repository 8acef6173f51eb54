#include "engine/history/history_report.h"

#include "core/csv.h"
#include "core/iso_time.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace pellavane {
namespace {

std::string Number(std::int64_t value)
{
    return std::to_string(value);
}

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

enum class Align
{
    Left,
    Right,
};

std::string Table(const std::vector<std::string>& header, const std::vector<Align>& align,
                  const std::vector<std::vector<std::string>>& rows)
{
    std::vector<std::size_t> widths(header.size());
    for (std::size_t i = 0; i < header.size(); ++i) {
        widths[i] = header[i].size();
        for (const auto& row : rows) {
            widths[i] = std::max(widths[i], row[i].size());
        }
    }
    std::string out;
    const auto line = [&](const std::vector<std::string>& cells) {
        std::string text;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const std::string pad(widths[i] - cells[i].size(), ' ');
            if (i > 0) {
                text += "  ";
            }
            text += align[i] == Align::Right ? pad + cells[i] : cells[i] + pad;
        }
        while (!text.empty() && text.back() == ' ') {
            text.pop_back();
        }
        out += text + "\n";
    };
    line(header);
    for (const auto& row : rows) {
        line(row);
    }
    return out;
}

// numerator / denominator to two decimals, rounded half up, by integer arithmetic: printf would
// follow LC_NUMERIC, and a report read by a program wants a point whatever the user's locale.
std::string TwoDecimals(std::uint64_t numerator, std::uint64_t denominator)
{
    if (denominator == 0) {
        return {};
    }
    const std::uint64_t hundredths = (numerator * 200 + denominator) / (2 * denominator);
    char text[32];
    std::snprintf(text, sizeof text, "%llu.%02llu", static_cast<unsigned long long>(hundredths / 100),
                  static_cast<unsigned long long>(hundredths % 100));
    return text;
}

std::string OrNull(const std::string& number)
{
    return number.empty() ? std::string("null") : number;
}

std::string OrDash(const std::string& number, const char* unit)
{
    return number.empty() ? std::string("-") : number + unit;
}

} // namespace

std::string UptimePercentText(const PeriodUptime& period)
{
    const std::int64_t known = period.upSeconds + period.downSeconds;
    if (known <= 0) {
        return {};
    }
    return TwoDecimals(static_cast<std::uint64_t>(period.upSeconds) * 100, static_cast<std::uint64_t>(known));
}

std::string UptimePercentForPerson(const PeriodUptime& period)
{
    const std::string percent = UptimePercentText(period);
    return percent.empty() ? std::string("-") : percent + " %";
}

std::string DurationText(std::int64_t seconds)
{
    const std::int64_t total = std::max<std::int64_t>(0, seconds);
    const long long h = total / 3600;
    const long long min = total / 60 % 60;
    const long long s = total % 60;
    char text[64];
    if (h > 0) {
        std::snprintf(text, sizeof text, "%lld h %02lld min %02lld s", h, min, s);
    } else if (min > 0) {
        std::snprintf(text, sizeof text, "%lld min %02lld s", min, s);
    } else {
        std::snprintf(text, sizeof text, "%lld s", s);
    }
    return text;
}

OutageValues OutageCsvValues(const Outage& outage)
{
    // The C library's local time takes a time_t, 32 bits wide on some systems: narrowed in plain sight.
    return {IsoLocalTime(static_cast<std::time_t>(outage.start)),
            outage.ongoing ? std::string() : IsoLocalTime(static_cast<std::time_t>(outage.end)),
            Number(outage.Duration()), outage.cause};
}

std::string OutagesBlameLine(const std::vector<Outage>& outages)
{
    if (outages.empty()) {
        return "No outages.";
    }
    std::int64_t total = 0;
    for (const Outage& o : outages) {
        total += o.Duration();
    }
    std::string out = std::to_string(outages.size()) + (outages.size() == 1 ? " outage, " : " outages, ") +
                      DurationText(total) + " in all";
    // The line a provider is shown: how much of it the router saw the provider's side fail. A history
    // from before the router was asked says nothing of it.
    int provider = 0;
    std::int64_t providerTotal = 0;
    bool routerAsked = false;
    for (const Outage& o : outages) {
        routerAsked =
            routerAsked || o.cause == "provider" || o.cause == "local network" || o.cause == "no network";
        if (o.cause == "provider") {
            ++provider;
            providerTotal += o.Duration();
        }
    }
    if (outages.size() == 1 && provider == 1) {
        out += "; the router answered and the Internet did not";
    } else if (provider > 0) {
        out += "; in " + std::to_string(provider) + " of them (" + DurationText(providerTotal) +
               ") the router answered and the Internet did not";
    } else if (routerAsked && outages.size() > 1) {
        out += "; in none of them the router answered and the Internet did not";
    }
    return out + ".";
}

std::string OutagesText(const std::vector<Outage>& outages, ReportFormat format)
{
    std::string out;
    switch (format) {
    case ReportFormat::Csv:
        out = "start,end,duration_s,cause\n";
        // A report is read whole, so the cause keeps its text as the history held it.
        for (const Outage& o : outages) {
            const OutageValues values = OutageCsvValues(o);
            out += values.start + "," + values.end + "," + values.durationSeconds + "," +
                   CsvField(values.cause, CsvControls::Keep) + "\n";
        }
        return out;
    case ReportFormat::Json:
        out = "[";
        for (std::size_t i = 0; i < outages.size(); ++i) {
            const Outage& o = outages[i];
            out += std::string(i == 0 ? "\n" : ",\n") + "  {\"start\": " + JsonString(IsoLocalTime(o.start)) +
                   ", \"end\": " + (o.ongoing ? std::string("null") : JsonString(IsoLocalTime(o.end))) +
                   ", \"duration_s\": " + Number(o.Duration()) + ", \"cause\": " + JsonString(o.cause) + "}";
        }
        return out + (outages.empty() ? "]\n" : "\n]\n");
    case ReportFormat::Table:
        break;
    }
    if (outages.empty()) {
        return "No outages.\n";
    }
    std::vector<std::vector<std::string>> rows;
    for (const Outage& o : outages) {
        rows.push_back({IsoLocalTimeWithoutZone(o.start),
                        o.ongoing ? std::string("still going") : IsoLocalTimeWithoutZone(o.end),
                        DurationText(o.Duration()), o.cause});
    }
    out = Table({"Start", "End", "Duration", "Cause"}, {Align::Left, Align::Left, Align::Right, Align::Left},
                rows);
    return out + OutagesBlameLine(outages) + "\n";
}

std::string UptimeText(const std::vector<PeriodUptime>& periods, ReportFormat format)
{
    std::string out;
    switch (format) {
    case ReportFormat::Csv:
        out = "period,up_s,down_s,unknown_s,outages,longest_s,uptime_pct\n";
        for (const PeriodUptime& p : periods) {
            out += p.Label() + "," + Number(p.upSeconds) + "," + Number(p.downSeconds) + "," +
                   Number(p.unknownSeconds) + "," + Number(p.outages) + "," + Number(p.longestSeconds) + "," +
                   UptimePercentText(p) + "\n";
        }
        return out;
    case ReportFormat::Json:
        out = "[";
        for (std::size_t i = 0; i < periods.size(); ++i) {
            const PeriodUptime& p = periods[i];
            const std::string percent = UptimePercentText(p);
            out += std::string(i == 0 ? "\n" : ",\n") + "  {\"period\": " + JsonString(p.Label()) +
                   ", \"up_s\": " + Number(p.upSeconds) + ", \"down_s\": " + Number(p.downSeconds) +
                   ", \"unknown_s\": " + Number(p.unknownSeconds) + ", \"outages\": " + Number(p.outages) +
                   ", \"longest_s\": " + Number(p.longestSeconds) + ", \"uptime_pct\": " + OrNull(percent) +
                   "}";
        }
        return out + (periods.empty() ? "]\n" : "\n]\n");
    case ReportFormat::Table:
        break;
    }
    if (periods.empty()) {
        return "No history in this range.\n";
    }
    std::vector<std::vector<std::string>> rows;
    for (const PeriodUptime& p : periods) {
        rows.push_back({p.Label(), DurationText(p.upSeconds), DurationText(p.downSeconds),
                        DurationText(p.unknownSeconds), Number(p.outages), DurationText(p.longestSeconds),
                        UptimePercentForPerson(p)});
    }
    return Table(
        {"Period", "Up", "Down", "Unknown", "Outages", "Longest", "Uptime"},
        {Align::Left, Align::Right, Align::Right, Align::Right, Align::Right, Align::Right, Align::Right},
        rows);
}

std::string MillisecondsText(const std::optional<std::uint32_t>& microseconds)
{
    if (!microseconds) {
        return {};
    }
    std::string text = std::to_string(*microseconds / 1000);
    if (const std::uint32_t fraction = *microseconds % 1000; fraction != 0) {
        char digits[8];
        std::snprintf(digits, sizeof digits, ".%03u", fraction);
        text += digits;
        while (text.back() == '0') {
            text.pop_back();
        }
    }
    return text;
}

std::string LossPercentText(const PeriodQuality& period)
{
    return period.echoes <= 0 ? std::string()
                              : TwoDecimals(static_cast<std::uint64_t>(period.lost) * 100,
                                            static_cast<std::uint64_t>(period.echoes));
}

std::string JitterText(const PeriodQuality& period)
{
    return TwoDecimals(period.jitterSumUs, static_cast<std::uint64_t>(period.jitterPairs) * 1000);
}

std::string QualityText(const std::vector<PeriodQuality>& periods, ReportFormat format)
{
    std::string out;
    switch (format) {
    case ReportFormat::Csv:
        out = "period,echoes,lost,loss_pct,rtt_median_ms,rtt_p95_ms,jitter_ms,degraded_s\n";
        for (const PeriodQuality& p : periods) {
            out += p.Label() + "," + Number(p.echoes) + "," + Number(p.lost) + "," + LossPercentText(p) +
                   "," + MillisecondsText(p.rttMedianUs) + "," + MillisecondsText(p.rttP95Us) + "," +
                   JitterText(p) + "," + Number(p.degradedSeconds) + "\n";
        }
        return out;
    case ReportFormat::Json:
        out = "[";
        for (std::size_t i = 0; i < periods.size(); ++i) {
            const PeriodQuality& p = periods[i];
            out += std::string(i == 0 ? "\n" : ",\n") + "  {\"period\": " + JsonString(p.Label()) +
                   ", \"echoes\": " + Number(p.echoes) + ", \"lost\": " + Number(p.lost) +
                   ", \"loss_pct\": " + OrNull(LossPercentText(p)) +
                   ", \"rtt_median_ms\": " + OrNull(MillisecondsText(p.rttMedianUs)) +
                   ", \"rtt_p95_ms\": " + OrNull(MillisecondsText(p.rttP95Us)) +
                   ", \"jitter_ms\": " + OrNull(JitterText(p)) +
                   ", \"degraded_s\": " + Number(p.degradedSeconds) + "}";
        }
        return out + (periods.empty() ? "]\n" : "\n]\n");
    case ReportFormat::Table:
        break;
    }
    if (periods.empty()) {
        return "No history in this range.\n";
    }
    std::vector<std::vector<std::string>> rows;
    for (const PeriodQuality& p : periods) {
        rows.push_back({p.Label(), Number(p.echoes), Number(p.lost), OrDash(LossPercentText(p), " %"),
                        OrDash(MillisecondsText(p.rttMedianUs), " ms"),
                        OrDash(MillisecondsText(p.rttP95Us), " ms"), OrDash(JitterText(p), " ms"),
                        DurationText(p.degradedSeconds)});
    }
    return Table({"Period", "Echoes", "Lost", "Loss", "Median", "95th pct", "Jitter", "Degraded"},
                 {Align::Left, Align::Right, Align::Right, Align::Right, Align::Right, Align::Right,
                  Align::Right, Align::Right},
                 rows);
}

} // namespace pellavane
