#include "engine/report/report_timeline.h"

#include "core/iso_time.h"
#include "engine/history/local_period.h"
#include "engine/report/html_text.h"

#include <algorithm>
#include <array>

namespace pellavane {
namespace {

/** The width of a row in the SVG's own units: whole numbers keep the drawing free of the locale's
 *  decimal sign, and a ten-thousandth of a day (under 9 s) is finer than any screen or printer. */
constexpr std::int64_t kWidth = 10000;
/** The narrowest mark drawn, so that an outage of a few seconds stays visible on a day's row. */
constexpr std::int64_t kNarrowest = 8;

enum Layer : std::size_t
{
    Unknown,
    Degraded,
    Down,
    kLayers
};

constexpr std::array<const char*, kLayers> kLayerClass{"unk", "deg", "down"};

struct Row
{
    std::int64_t start = 0;
    std::int64_t end = 0;
    std::string label;
    std::array<std::string, kLayers> marks;
};

/** The rows: local days, or seven local days each, from the range's first day to its last. */
std::vector<Row> Rows(const std::vector<PeriodUptime>& days)
{
    const std::size_t step = days.size() > static_cast<std::size_t>(kDailyTimelineDays) ? 7 : 1;
    std::vector<Row> rows;
    for (std::size_t i = 0; i < days.size(); i += step) {
        const std::size_t last = std::min(days.size(), i + step) - 1;
        Row row;
        row.start = days[i].start;
        // A week's row is seven days wide even when the range ends inside it, so the last one lines
        // up with the others.
        row.end = i + step < days.size()
                      ? days[i + step].start
                      : std::max(days[last].end, days[i].start + static_cast<std::int64_t>(step) * 86400);
        row.label = IsoDate(days[i].year, days[i].month, days[i].day);
        rows.push_back(std::move(row));
    }
    return rows;
}

void Mark(std::vector<Row>& rows, Layer layer, const TimeSpan& span)
{
    // The first row whose end is past the span's start.
    auto row = std::upper_bound(rows.begin(), rows.end(), span.start,
                                [](std::int64_t t, const Row& r) { return t < r.end; });
    for (; row != rows.end() && row->start < span.end; ++row) {
        const std::int64_t length = row->end - row->start;
        const std::int64_t from = std::max(span.start, row->start) - row->start;
        const std::int64_t to = std::min(span.end, row->end) - row->start;
        std::int64_t x = from * kWidth / length;
        std::int64_t width = std::max(kNarrowest, (to - from) * kWidth / length);
        x = std::min(x, kWidth - width);
        row->marks[layer] +=
            "<rect x=\"" + std::to_string(x) + "\" width=\"" + std::to_string(width) + "\" height=\"10\"/>";
    }
}

/** The time in range that is not known. */
std::vector<TimeSpan> UnknownSpans(const std::vector<TimeSpan>& known, const TimeSpan& range)
{
    std::vector<TimeSpan> unknown;
    std::int64_t at = range.start;
    for (const TimeSpan& span : known) {
        if (span.start > at) {
            unknown.push_back({at, std::min(span.start, range.end)});
        }
        at = std::max(at, span.end);
        if (at >= range.end) {
            break;
        }
    }
    if (at < range.end) {
        unknown.push_back({at, range.end});
    }
    return unknown;
}

std::string Axis(bool weekly)
{
    std::string out = "<div class=\"axis\">";
    if (weekly) {
        for (int day = 0; day <= 7; ++day) {
            out += "<span>+" + std::to_string(day) + " d</span>";
        }
    } else {
        for (int hour = 0; hour <= 24; hour += 6) {
            out += "<span>" + std::string(hour < 10 ? "0" : "") + std::to_string(hour) + ":00</span>";
        }
    }
    return out + "</div>";
}

} // namespace

std::string TimelineHtml(const ReportData& data)
{
    const TimeSpan range = data.Range();
    if (range.end <= range.start) {
        return {};
    }
    std::vector<Row> rows = Rows(data.history.periods);
    const bool weekly = rows.size() < data.history.periods.size();
    for (const TimeSpan& span : UnknownSpans(data.history.known, range)) {
        Mark(rows, Unknown, span);
    }
    for (const TimeSpan& span : data.degraded) {
        Mark(rows, Degraded, span);
    }
    for (const Outage& outage : data.history.outages) {
        Mark(rows, Down, {outage.start, outage.end});
    }
    std::string out = "<table class=\"timeline\">\n<thead><tr><th>" +
                      std::string(weekly ? "Week from" : "Day") + "</th><th>" + Axis(weekly) +
                      "</th></tr></thead>\n<tbody>\n";
    for (const Row& row : rows) {
        out += "<tr><th>" + HtmlEscaped(row.label) + "</th><td><svg viewBox=\"0 0 " + std::to_string(kWidth) +
               " 10\" preserveAspectRatio=\"none\" role=\"img\"><rect class=\"up\" width=\"" +
               std::to_string(kWidth) + "\" height=\"10\"/>";
        for (std::size_t layer = 0; layer < kLayers; ++layer) {
            if (!row.marks[layer].empty()) {
                out += std::string("<g class=\"") + kLayerClass[layer] + "\">" + row.marks[layer] + "</g>";
            }
        }
        out += "</svg></td></tr>\n";
    }
    return out + "</tbody>\n</table>\n";
}

} // namespace pellavane
