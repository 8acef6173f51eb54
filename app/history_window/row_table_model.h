#pragma once

#include <QAbstractTableModel>

#include <cstddef>
#include <initializer_list>
#include <utility>
#include <vector>

namespace pellavane {

/** A read-only table of one Row a line under fixed headings; what each cell shows is the
 *  subclass's data(). */
template <class Row>
class RowTableModel : public QAbstractTableModel
{
public:
    explicit RowTableModel(std::initializer_list<const char*> headings, QObject* parent = nullptr)
        : QAbstractTableModel(parent), m_headings(headings)
    {}

    void SetRows(std::vector<Row> rows)
    {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
    }

    int columnCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_headings.size());
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
            section >= static_cast<int>(m_headings.size())) {
            return {};
        }
        return QString::fromLatin1(m_headings[static_cast<std::size_t>(section)]);
    }

protected:
    /** The row index stands in; null for an index outside the table. */
    const Row* RowAt(const QModelIndex& index) const
    {
        return index.isValid() && index.row() < rowCount() ? &m_rows[static_cast<std::size_t>(index.row())]
                                                           : nullptr;
    }

private:
    std::vector<const char*> m_headings;
    std::vector<Row> m_rows;
};

} // namespace pellavane
