#pragma once

#include <QAbstractItemView>

class QHeaderView;

namespace pellavane {

/** A list of rows in one headed column, every row the same height. It keeps no record per row:
 *  painting, hit testing and scrolling work from the row number alone, so a model of millions of
 *  rows costs the view nothing and an appended row costs constant time (the stock tree and list
 *  views lay out every row again on each insert). One row is always selected once any has been:
 *  the user moves the selection but cannot clear it. */
class ReportListView : public QAbstractItemView
{
    Q_OBJECT
public:
    explicit ReportListView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;
    QHeaderView* Header() const noexcept { return m_header; }
    /** Width of the column in pixels; kept across a reset of the model. */
    void SetColumnWidth(int pixels);
    int ColumnWidth() const;
    int RowHeight() const noexcept { return m_rowHeight; }
    /** Index of the first row shown at the top. */
    int TopRow() const;

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
    void paintEvent(QPaintEvent* event) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void changeEvent(QEvent* event) override;

private:
    int RowCount() const;
    int VisibleRows() const;
    void UpdateRowHeight();

    QHeaderView* m_header;
    int m_rowHeight = 16;
    int m_columnWidth = -1;
};

} // namespace pellavane
