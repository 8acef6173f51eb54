#pragma once

#include "engine/history/history_load.h"

#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

namespace pellavane {

/** The samples that fall in one pixel column. */
struct TimelineColumn
{
    float min = 0;
    float max = 0;
    float first = 0;
    float last = 0;
    bool any = false;
    /** The column's first sample is joined to the last sample of the previous column holding any. */
    bool joinedToPrevious = false;
};

/** The samples of [start, end) in columns equal spans of time wide: their min and max, first and last,
 *  so that a month of checks is drawn as a few hundred strokes. */
std::vector<TimelineColumn> DecimateColumns(const std::vector<RttSample>& samples, std::int64_t start,
                                            std::int64_t end, int columns);

/** Per pixel column of [start, end): the share of the first target's echoes lost in it, 0 where none
 *  was. The echoes sent are counted per minute, so a column narrower than that gets its part of a
 *  minute's by time. */
std::vector<float> LossShares(const TimelineData& data, std::int64_t start, std::int64_t end, int columns);

/** The round trips as a line, outages as red bands, degraded time as amber ones and unknown time in
 *  grey over a stretch of time, with a mark at the top of each column that lost echoes (darker for
 *  more), and the time and value under the pointer. Draws with QPainter alone. */
class TimelineView : public QWidget
{
    Q_OBJECT
public:
    explicit TimelineView(QWidget* parent = nullptr);

    void SetData(std::shared_ptr<const TimelineData> data);
    /** The stretch of time shown, from start to end. */
    void SetRange(std::int64_t start, std::int64_t end);
    std::int64_t RangeStart() const noexcept { return m_start; }
    std::int64_t RangeEnd() const noexcept { return m_end; }

    /** Where the timeline itself is drawn, inside the axes' labels. */
    QRect PlotRect() const;
    /** What the pointer at x tells: the time, and the round trip, "Disconnected" or "no record". */
    QString TextAt(int x) const;

    QSize sizeHint() const override { return {800, 240}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    double XOf(std::int64_t t, const QRect& plot) const;

    std::shared_ptr<const TimelineData> m_data;
    std::int64_t m_start = 0;
    std::int64_t m_end = 1;
    int m_hoverX = -1;
};

} // namespace pellavane
