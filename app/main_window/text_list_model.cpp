#include "app/main_window/text_list_model.h"

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
    const int row = rowCount();
    insertRows(row, 1);
    setData(index(row), text);
}

void TextListModel::RemoveAllRows()
{
    setStringList({});
}

QString TextListModel::RowText(int row) const
{
    if (row < 0 || row >= rowCount()) {
        throw std::out_of_range("Index out of bounds: the list has no row " + std::to_string(row + 1));
    }
    return index(row).data().toString();
}

QVariant TextListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section == 0 && role == Qt::DisplayRole) {
        return m_heading;
    }
    return {};
}

Qt::ItemFlags TextListModel::flags(const QModelIndex& index) const
{
    // The stock model's rows are editable and draggable; labels are neither.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}

} // namespace pellavane
