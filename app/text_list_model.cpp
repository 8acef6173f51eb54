#include "app/text_list_model.h"

#include <stdexcept>
#include <string>

namespace pellavane {

void TextListModel::SetHeading(const QString& heading)
{
    m_heading = heading;
    emit headerDataChanged(Qt::Horizontal, 0, 0);
}

void TextListModel::AppendRow(const QString& text)
{
    const int row = static_cast<int>(m_rows.size());
    beginInsertRows(QModelIndex(), row, row);
    m_rows.append(text);
    endInsertRows();
}

void TextListModel::RemoveAllRows()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

QString TextListModel::RowText(int row) const
{
    if (row < 0 || row >= m_rows.size())
        throw std::out_of_range("Index out of bounds: the list has no row " + std::to_string(row + 1));
    return m_rows.at(row);
}

int TextListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

QVariant TextListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.column() != 0 || index.row() < 0 || index.row() >= m_rows.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_rows.at(index.row());
    return {};
}

QVariant TextListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section == 0 && role == Qt::DisplayRole)
        return m_heading;
    return {};
}

Qt::ItemFlags TextListModel::flags(const QModelIndex& index) const
{
    // No ItemIsEditable: labels are never edited in place.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

} // namespace pellavane
