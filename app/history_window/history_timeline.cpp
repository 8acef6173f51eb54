#include "app/history_window/history_timeline.h"

#include <QDateTime>
#include <QLineF>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

namespace pellavane {

namespace {

const QColor kUnknownColour(0xd8, 0xd8, 0xd8);
// Bands are opaque, blended over white beforehand: the raster engine hands every translucent fill
// taller than about a hundred rows to its thread pool, and waiting on that for each of a month's
// outages cost more than all the rest of a repaint. Drawn before the grid, they hide it.
const QColor kOutageColour(0xee, 0x8a, 0x8a);
const QColor kDegradedColour(0xff, 0xe2, 0x8c);
const QColor kLineColour(0x1f, 0x5f, 0xb0);
const QColor kGridColour(0xe8, 0xe8, 0xe8);
constexpr int kLeftMargin = 64;
constexpr int kRightMargin = 12;
constexpr int kTopMargin = 8;
constexpr int kBottomMargin = 22;
constexpr int kLossMarkHeight = 6;
// The loss marks' shades, lightest first, each from a share of echoes lost on: any loss shows, and
// a quarter or more is the darkest.
constexpr std::array<double, 6> kLossSteps = {0, 0.01, 0.02, 0.05, 0.1, 0.25};
const QColor kLightestLoss(0xc8, 0xb4, 0xe0);
const QColor kDarkestLoss(0x3c, 0x0a, 0x6e);

// The smallest of 1, 2 and 5 times a power of ten at or above value, so the axis reads in round steps.
double NiceCeiling(double value)
{
    if (!(value > 0)) {
        return 1;
    }
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (const double step : {1.0, 2.0, 5.0, 10.0}) {
        if (step * power >= value) {
            return step * power;
        }
    }
    return 10 * power;
}

QString TimeText(std::int64_t t, const char* format)
{
    return QDateTime::fromSecsSinceEpoch(t).toString(QString::fromLatin1(format));
}

QString MsText(double ms)
{
    return QStringLiteral("%1 ms").arg(ms, 0, 'f', ms < 10 ? 2 : 1);
}

bool Inside(const std::vector<TimeSpan>& spans, std::int64_t t)
{
    const auto after = std::upper_bound(
        spans.begin(), spans.end(), t, [](std::int64_t value, const TimeSpan& s) { return value < s.start; });
    return after != spans.begin() && t <= std::prev(after)->end;
}

bool Overlaps(const std::vector<TimeSpan>& spans, std::int64_t from, std::int64_t to)
{
    return std::any_of(spans.begin(), spans.end(),
                       [&](const TimeSpan& s) { return s.start < to && s.end >= from; });
}

QColor LossShade(std::size_t step)
{
    const double f = static_cast<double>(step) / (kLossSteps.size() - 1);
    const auto mix = [f](int light, int dark) {
        return static_cast<int>(std::lround(light + (dark - light) * f));
    };
    return QColor(mix(kLightestLoss.red(), kDarkestLoss.red()),
                  mix(kLightestLoss.green(), kDarkestLoss.green()),
                  mix(kLightestLoss.blue(), kDarkestLoss.blue()));
}

} // namespace

std::vector<TimelineColumn> DecimateColumns(const std::vector<RttSample>& samples, std::int64_t start,
                                            std::int64_t end, int columns)
{
    std::vector<TimelineColumn> out(static_cast<std::size_t>(std::max(columns, 0)));
    if (columns <= 0 || end <= start) {
        return out;
    }
    const auto byTime = [](const RttSample& s, std::int64_t t) { return s.time < t; };
    auto it = std::lower_bound(samples.begin(), samples.end(), start, byTime);
    const auto stop = std::lower_bound(it, samples.end(), end, byTime);
    const std::int64_t span = end - start;
    // The column of t is (t - start) * columns / span; walking the columns' first seconds instead
    // spares a 64-bit division per sample, most of a month's decimation.
    std::size_t column = 0;
    const auto columnEnd = [&](std::size_t c) {
        return start + (static_cast<std::int64_t>(c + 1) * span + columns - 1) / columns;
    };
    std::int64_t next = columnEnd(0);
    bool previousInView = false;
    for (; it != stop; ++it) {
        while (it->time >= next) {
            next = columnEnd(++column);
        }
        TimelineColumn& c = out[column];
        const float v = it->rttMs;
        if (!c.any) {
            c.any = true;
            c.min = c.max = c.first = v;
            c.joinedToPrevious = it->joined && previousInView;
        } else {
            c.min = std::min(c.min, v);
            c.max = std::max(c.max, v);
        }
        c.last = v;
        previousInView = true;
    }
    return out;
}

std::vector<float> LossShares(const TimelineData& data, std::int64_t start, std::int64_t end, int columns)
{
    std::vector<float> out(static_cast<std::size_t>(std::max(columns, 0)));
    if (columns <= 0 || end <= start) {
        return out;
    }
    const double perSecond = static_cast<double>(columns) / static_cast<double>(end - start);
    std::vector<double> lost(out.size());
    std::vector<double> sent(out.size());
    std::vector<double> sentByLosses(out.size());
    const auto byTime = [](const EchoLoss& loss, std::int64_t t) { return loss.time < t; };
    const auto stop = std::lower_bound(data.losses.begin(), data.losses.end(), end, byTime);
    for (auto it = std::lower_bound(data.losses.begin(), data.losses.end(), start, byTime); it != stop;
         ++it) {
        const auto column = static_cast<std::size_t>((it->time - start) * columns / (end - start));
        lost[column] += it->lost;
        sentByLosses[column] += it->sent;
    }
    // A minute's echoes are spread evenly over it, and each column gets those of the part it covers.
    const auto firstBucket = std::max<std::int64_t>(0, (start - data.echoesFrom) / kEchoBucketSeconds);
    for (auto b = static_cast<std::size_t>(firstBucket); b < data.echoesSent.size(); ++b) {
        const std::int64_t from = data.echoesFrom + static_cast<std::int64_t>(b) * kEchoBucketSeconds;
        if (from >= end) {
            break;
        }
        if (data.echoesSent[b] == 0) {
            continue;
        }
        const double left = static_cast<double>(std::max(from, start) - start) * perSecond;
        const double right =
            static_cast<double>(std::min(from + kEchoBucketSeconds, end) - start) * perSecond;
        const double perColumn = data.echoesSent[b] / (static_cast<double>(kEchoBucketSeconds) * perSecond);
        for (auto c = static_cast<std::size_t>(left); c < out.size() && static_cast<double>(c) < right; ++c) {
            const double overlap = std::min(right, c + 1.0) - std::max(left, static_cast<double>(c));
            sent[c] += perColumn * overlap;
        }
    }
    for (std::size_t c = 0; c < out.size(); ++c) {
        if (lost[c] > 0) {
            out[c] = static_cast<float>(std::min(1.0, lost[c] / std::max(sent[c], sentByLosses[c])));
        }
    }
    return out;
}

TimelineView::TimelineView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Timeline"));
    setMouseTracking(true);
    setMinimumHeight(160);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TimelineView::SetData(std::shared_ptr<const TimelineData> data)
{
    m_data = std::move(data);
    update();
}

void TimelineView::SetRange(std::int64_t start, std::int64_t end)
{
    m_start = start;
    m_end = std::max(end, start + 1);
    update();
}

QRect TimelineView::PlotRect() const
{
    return rect().adjusted(kLeftMargin, kTopMargin, -kRightMargin, -kBottomMargin);
}

double TimelineView::XOf(std::int64_t t, const QRect& plot) const
{
    const std::int64_t clamped = std::clamp(t, m_start, m_end);
    return plot.left() +
           static_cast<double>(clamped - m_start) * plot.width() / static_cast<double>(m_end - m_start);
}

QString TimelineView::TextAt(int x) const
{
    const QRect plot = PlotRect();
    if (x < plot.left() || x > plot.right() || plot.width() <= 0) {
        return {};
    }
    const std::int64_t span = m_end - m_start;
    const std::int64_t from = m_start + (x - plot.left()) * span / plot.width();
    const std::int64_t to = std::max(from + 1, m_start + (x + 1 - plot.left()) * span / plot.width());
    const std::int64_t middle = from + (to - from) / 2;
    QString text = TimeText(middle, span > 86400 ? "yyyy-MM-dd HH:mm" : "yyyy-MM-dd HH:mm:ss");
    if (m_data == nullptr) {
        return text;
    }
    if (Overlaps(m_data->outages, from, to)) {
        return text + QStringLiteral("  Disconnected");
    }
    const std::vector<TimelineColumn> column = DecimateColumns(m_data->samples, from, to, 1);
    if (column[0].any) {
        text += QStringLiteral("  ") +
                (column[0].min == column[0].max
                     ? MsText(column[0].min)
                     : MsText(column[0].min) + QStringLiteral(" to ") + MsText(column[0].max));
    } else {
        text += Inside(m_data->known, middle) ? QStringLiteral("  Connected") : QStringLiteral("  no record");
    }
    if (Overlaps(m_data->degraded, from, to)) {
        text += QStringLiteral("  degraded");
    }
    const auto byTime = [](const EchoLoss& loss, std::int64_t t) { return loss.time < t; };
    int lost = 0;
    for (auto it = std::lower_bound(m_data->losses.begin(), m_data->losses.end(), from, byTime);
         it != m_data->losses.end() && it->time < to; ++it) {
        lost += it->lost;
    }
    if (lost > 0) {
        text += lost == 1 ? QStringLiteral("  1 echo lost") : QStringLiteral("  %1 echoes lost").arg(lost);
    }
    return text;
}

void TimelineView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const QRect plot = PlotRect();
    if (plot.width() <= 0 || plot.height() <= 0) {
        return;
    }
    const QFontMetrics metrics = painter.fontMetrics();
    const std::int64_t span = m_end - m_start;

    // Unknown time first, so the grid and the line stay visible over it.
    double cursor = plot.left();
    if (m_data != nullptr) {
        for (const TimeSpan& known : m_data->known) {
            if (known.end < m_start || known.start > m_end) {
                continue;
            }
            const double from = XOf(known.start, plot);
            if (from > cursor) {
                painter.fillRect(QRectF(cursor, plot.top(), from - cursor, plot.height()), kUnknownColour);
            }
            cursor = std::max(cursor, XOf(known.end, plot));
        }
    }
    if (cursor < plot.right() + 1) {
        painter.fillRect(QRectF(cursor, plot.top(), plot.right() + 1 - cursor, plot.height()),
                         kUnknownColour);
    }

    const auto bands = [&](const std::vector<TimeSpan>& spans, const QColor& colour) {
        for (const TimeSpan& span : spans) {
            if (span.end < m_start || span.start > m_end) {
                continue;
            }
            const double from = XOf(span.start, plot);
            const double width = std::max(2.0, XOf(span.end, plot) - from);
            painter.fillRect(QRectF(from, plot.top(), width, plot.height()), colour);
        }
    };
    if (m_data != nullptr) {
        bands(m_data->degraded, kDegradedColour);
        bands(m_data->outages, kOutageColour);
    }

    // Time ticks at round local times, at most about eight of them.
    static constexpr std::array<std::int64_t, 10> kSteps = {
        300, 600, 1800, 3600, 3 * 3600, 6 * 3600, 86400, 2 * 86400, 7 * 86400, 14 * 86400};
    std::int64_t step = kSteps.back();
    for (const std::int64_t s : kSteps) {
        if (span / s <= 8) {
            step = s;
            break;
        }
    }
    const QDateTime startTime = QDateTime::fromSecsSinceEpoch(m_start);
    const std::int64_t dayStart = QDateTime(startTime.date(), QTime(0, 0)).toSecsSinceEpoch();
    const std::int64_t weekAligned =
        dayStart - (step >= 7 * 86400 ? (startTime.date().dayOfWeek() - 1) * 86400 : 0);
    painter.setPen(kGridColour);
    std::vector<std::pair<double, QString>> ticks;
    for (std::int64_t t = weekAligned + ((m_start - weekAligned + step - 1) / step) * step; t <= m_end;
         t += step) {
        const double x = XOf(t, plot);
        painter.drawLine(QLineF(x, plot.top(), x, plot.bottom()));
        ticks.emplace_back(x, TimeText(t, step >= 86400 ? "ddd dd MMM" : "HH:mm"));
    }

    // Round trips: one stroke from min to max per column, joined to the column before when no gap or
    // failed check lies between.
    std::vector<TimelineColumn> columns;
    double scale = 1;
    if (m_data != nullptr) {
        columns = DecimateColumns(m_data->samples, m_start, m_end, plot.width());
        float highest = 0;
        for (const TimelineColumn& c : columns) {
            if (c.any) {
                highest = std::max(highest, c.max);
            }
        }
        scale = NiceCeiling(highest);
    }
    const auto yOf = [&](float v) { return plot.bottom() - static_cast<double>(v) / scale * plot.height(); };
    for (int i = 1; i <= 4; ++i) {
        const double y = plot.bottom() - plot.height() * i / 4.0;
        painter.drawLine(QLineF(plot.left(), y, plot.right(), y));
    }

    std::vector<QLineF> lines;
    lines.reserve(columns.size() * 2);
    int previous = -1;
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        const TimelineColumn& c = columns[static_cast<std::size_t>(i)];
        if (!c.any) {
            continue;
        }
        const double x = plot.left() + i + 0.5;
        if (c.joinedToPrevious && previous >= 0) {
            lines.emplace_back(plot.left() + previous + 0.5,
                               yOf(columns[static_cast<std::size_t>(previous)].last), x, yOf(c.first));
        }
        lines.emplace_back(x, yOf(c.min), x, yOf(c.max) - (c.min == c.max ? 1 : 0));
        previous = i;
    }
    painter.setPen(QPen(kLineColour, 1));
    painter.drawLines(lines.data(), static_cast<int>(lines.size()));

    // Loss marks over the line's top, one drawing call per shade.
    if (m_data != nullptr && !m_data->losses.empty()) {
        std::array<std::vector<QLine>, kLossSteps.size()> marks;
        const std::vector<float> shares = LossShares(*m_data, m_start, m_end, plot.width());
        for (int i = 0; i < static_cast<int>(shares.size()); ++i) {
            const float share = shares[static_cast<std::size_t>(i)];
            if (share > 0) {
                const auto step = static_cast<std::size_t>(
                    std::upper_bound(kLossSteps.begin(), kLossSteps.end(), share) - kLossSteps.begin() - 1);
                marks[step].emplace_back(plot.left() + i, plot.top(), plot.left() + i,
                                         plot.top() + kLossMarkHeight - 1);
            }
        }
        for (std::size_t step = 0; step < marks.size(); ++step) {
            painter.setPen(QPen(LossShade(step), 1));
            painter.drawLines(marks[step].data(), static_cast<int>(marks[step].size()));
        }
    }

    painter.setPen(QColor(0x80, 0x80, 0x80));
    painter.drawRect(plot.adjusted(0, 0, -1, -1));
    painter.setPen(Qt::black);
    for (int i = 0; i <= 4; i += 2) {
        const double y = plot.bottom() - plot.height() * i / 4.0;
        const QString label = i == 0 ? QStringLiteral("0") : MsText(scale * i / 4.0);
        painter.drawText(QRectF(0, y - metrics.height() / 2.0, kLeftMargin - 6, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, label);
    }
    for (const auto& [x, label] : ticks) {
        const int width = metrics.horizontalAdvance(label);
        if (x - width / 2.0 >= 0 && x + width / 2.0 <= this->width()) {
            painter.drawText(QPointF(x - width / 2.0, plot.bottom() + metrics.ascent() + 4), label);
        }
    }

    if (m_hoverX >= plot.left() && m_hoverX <= plot.right()) {
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawLine(m_hoverX, plot.top(), m_hoverX, plot.bottom());
        const QString text = TextAt(m_hoverX);
        const QRect box = metrics.boundingRect(text).adjusted(-4, -2, 4, 2);
        const int left = std::min(m_hoverX + 6, plot.right() - box.width());
        const QRect placed(QPoint(std::max(plot.left(), left), plot.top() + 4), box.size());
        painter.fillRect(placed, QColor(255, 255, 240));
        painter.setPen(Qt::black);
        painter.drawRect(placed.adjusted(0, 0, -1, -1));
        painter.drawText(placed, Qt::AlignCenter, text);
    }
}

void TimelineView::mouseMoveEvent(QMouseEvent* event)
{
    m_hoverX = static_cast<int>(event->position().x());
    update();
}

void TimelineView::leaveEvent(QEvent*)
{
    m_hoverX = -1;
    update();
}

} // namespace pellavane
