#include "app/main_window/report_list_view.h"

#include <QEvent>
#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionViewItem>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace pellavane {

namespace {

int ClampToInt(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min() / 2,
                                                     std::numeric_limits<int>::max() / 2));
}

} // namespace

ReportListView::ReportListView(QWidget* parent)
    : QAbstractItemView(parent), m_header(new QHeaderView(Qt::Horizontal, this))
{
    m_header->setSectionsClickable(false);
    m_header->setSectionsMovable(false);
    m_header->setHighlightSections(false);
    m_header->setStretchLastSection(false);
    m_header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(m_header, &QHeaderView::sectionResized, this, [this] {
        updateGeometries();
        viewport()->update();
    });
    setSelectionMode(SingleSelection);
    setSelectionBehavior(SelectRows);
    setEditTriggers(NoEditTriggers);
    setVerticalScrollMode(ScrollPerItem);
    setHorizontalScrollMode(ScrollPerPixel);
    UpdateRowHeight();
}

void ReportListView::setModel(QAbstractItemModel* model)
{
    QAbstractItemView::setModel(model);
    m_header->setModel(model);
    if (model != nullptr) {
        // The header rebuilds its sections on a reset; this runs after it and restores the width.
        connect(model, &QAbstractItemModel::modelReset, this, [this] {
            if (m_columnWidth >= 0 && m_header->count() > 0)
                m_header->resizeSection(0, m_columnWidth);
            updateGeometries();
        });
    }
    if (m_columnWidth >= 0 && m_header->count() > 0)
        m_header->resizeSection(0, m_columnWidth);
    updateGeometries();
}

void ReportListView::SetColumnWidth(int pixels)
{
    m_columnWidth = std::max(0, pixels);
    if (m_header->count() > 0)
        m_header->resizeSection(0, m_columnWidth);
    updateGeometries();
}

int ReportListView::ColumnWidth() const
{
    return m_header->count() > 0 ? m_header->sectionSize(0) : std::max(0, m_columnWidth);
}

int ReportListView::RowCount() const
{
    return model() != nullptr ? model()->rowCount(rootIndex()) : 0;
}

int ReportListView::VisibleRows() const
{
    return std::max(1, viewport()->height() / m_rowHeight);
}

int ReportListView::TopRow() const
{
    return verticalScrollBar()->value();
}

void ReportListView::UpdateRowHeight()
{
    m_rowHeight = std::max(1, fontMetrics().height() + 4);
}

QRect ReportListView::visualRect(const QModelIndex& index) const
{
    if (!index.isValid() || index.column() != 0)
        return {};
    const std::int64_t y = static_cast<std::int64_t>(index.row() - TopRow()) * m_rowHeight;
    const int width = std::max(ColumnWidth(), viewport()->width() + horizontalOffset());
    return QRect(-horizontalOffset(), ClampToInt(y), width, m_rowHeight);
}

void ReportListView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (!index.isValid())
        return;
    const int row = index.row();
    const int top = TopRow();
    const int visible = VisibleRows();
    int newTop = top;
    switch (hint) {
    case PositionAtTop:
        newTop = row;
        break;
    case PositionAtBottom:
        newTop = row - visible + 1;
        break;
    case PositionAtCenter:
        newTop = row - visible / 2;
        break;
    case EnsureVisible:
        if (row < top)
            newTop = row;
        else if (row >= top + visible)
            newTop = row - visible + 1;
        break;
    }
    verticalScrollBar()->setValue(newTop);
}

QModelIndex ReportListView::indexAt(const QPoint& point) const
{
    if (model() == nullptr || point.y() < 0)
        return {};
    const std::int64_t row = static_cast<std::int64_t>(TopRow()) + point.y() / m_rowHeight;
    if (row >= RowCount())
        return {};
    return model()->index(static_cast<int>(row), 0, rootIndex());
}

QModelIndex ReportListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers)
{
    const int count = RowCount();
    if (count == 0)
        return {};
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return model()->index(0, 0, rootIndex());
    const int row = current.row();
    const int page = std::max(1, VisibleRows() - 1);
    int target = row;
    switch (cursorAction) {
    case MoveUp:
    case MovePrevious:
        target = row - 1;
        break;
    case MoveDown:
    case MoveNext:
        target = row + 1;
        break;
    case MovePageUp:
        target = row - page;
        break;
    case MovePageDown:
        target = row + page;
        break;
    case MoveHome:
        target = 0;
        break;
    case MoveEnd:
        target = count - 1;
        break;
    case MoveLeft:
    case MoveRight:
        break;
    }
    return model()->index(std::clamp(target, 0, count - 1), 0, rootIndex());
}

int ReportListView::horizontalOffset() const
{
    return horizontalScrollBar()->value();
}

int ReportListView::verticalOffset() const
{
    return ClampToInt(static_cast<std::int64_t>(TopRow()) * m_rowHeight);
}

bool ReportListView::isIndexHidden(const QModelIndex&) const
{
    return false;
}

void ReportListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command)
{
    if (model() == nullptr || selectionModel() == nullptr)
        return;
    const QRect r = rect.normalized();
    QModelIndex first = indexAt(QPoint(0, std::max(0, r.top())));
    QModelIndex last = indexAt(QPoint(0, std::max(0, r.bottom())));
    if (!first.isValid())
        return; // a press below the last row keeps the selection
    if (!last.isValid())
        last = model()->index(RowCount() - 1, 0, rootIndex());
    selectionModel()->select(QItemSelection(first, last), command);
}

QItemSelectionModel::SelectionFlags ReportListView::selectionCommand(const QModelIndex& index,
                                                                     const QEvent* event) const
{
    if (!index.isValid())
        return QItemSelectionModel::NoUpdate;
    QItemSelectionModel::SelectionFlags flags = QAbstractItemView::selectionCommand(index, event);
    // Control-click would toggle the one selected row off; the selection is never emptied here.
    if (flags & (QItemSelectionModel::Deselect | QItemSelectionModel::Toggle))
        flags = QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    return flags;
}

QRegion ReportListView::visualRegionForSelection(const QItemSelection& selection) const
{
    QRegion region;
    const int top = TopRow();
    const int bottom = top + VisibleRows() + 1;
    for (const QItemSelectionRange& range : selection) {
        const int first = std::max(range.top(), top);
        const int last = std::min(range.bottom(), bottom);
        if (first > last)
            continue;
        const QRect a = visualRect(model()->index(first, 0, rootIndex()));
        const QRect b = visualRect(model()->index(last, 0, rootIndex()));
        region += a.united(b);
    }
    return region;
}

void ReportListView::paintEvent(QPaintEvent* event)
{
    if (model() == nullptr)
        return;
    QPainter painter(viewport());
    const int count = RowCount();
    const int top = TopRow();
    const QRect area = event->rect();
    const int firstRow = top + std::max(0, area.top()) / m_rowHeight;
    const int lastRow = std::min(count - 1, top + area.bottom() / m_rowHeight);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QModelIndex current = currentIndex();
    for (int row = firstRow; row <= lastRow; ++row) {
        const QModelIndex index = model()->index(row, 0, rootIndex());
        QStyleOptionViewItem rowOption = option;
        rowOption.rect = visualRect(index);
        rowOption.rect.setWidth(ColumnWidth());
        if (selectionModel() != nullptr && selectionModel()->isSelected(index))
            rowOption.state |= QStyle::State_Selected;
        if (index == current && hasFocus())
            rowOption.state |= QStyle::State_HasFocus;
        itemDelegateForIndex(index)->paint(&painter, rowOption, index);
    }
}

void ReportListView::updateGeometries()
{
    const int headerHeight = m_header->isHidden() ? 0 : m_header->sizeHint().height();
    setViewportMargins(0, headerHeight, 0, 0);
    const QRect vg = viewport()->geometry();
    m_header->setGeometry(vg.left(), vg.top() - headerHeight, vg.width(), headerHeight);

    const int count = RowCount();
    const int visible = VisibleRows();
    verticalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setPageStep(visible);
    verticalScrollBar()->setRange(0, std::max(0, count - visible));

    const int contentWidth = ColumnWidth();
    horizontalScrollBar()->setSingleStep(std::max(1, m_rowHeight));
    horizontalScrollBar()->setPageStep(vg.width());
    horizontalScrollBar()->setRange(0, std::max(0, contentWidth - vg.width()));
    m_header->setOffset(horizontalOffset());
    QAbstractItemView::updateGeometries();
}

void ReportListView::scrollContentsBy(int dx, int)
{
    // The vertical value counts rows, not pixels, so the picture is repainted rather than moved.
    if (dx != 0)
        m_header->setOffset(horizontalOffset());
    viewport()->update();
}

void ReportListView::rowsInserted(const QModelIndex& parent, int start, int end)
{
    QAbstractItemView::rowsInserted(parent, start, end);
    // Only the scroll range changes; the full geometry pass would cost more than the row itself.
    verticalScrollBar()->setRange(0, std::max(0, RowCount() - VisibleRows()));
    const int top = TopRow();
    if (end >= top && start <= top + VisibleRows())
        viewport()->update();
}

void ReportListView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        UpdateRowHeight();
        updateGeometries();
    }
    QAbstractItemView::changeEvent(event);
}

} // namespace pellavane
