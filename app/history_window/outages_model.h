#pragma once

#include "app/history_window/row_table_model.h"
#include "engine/history/outages.h"

namespace pellavane {

/** The outages table: start, end, duration, cause; sorted by the value behind each cell. */
class OutagesModel : public RowTableModel<Outage>
{
public:
    explicit OutagesModel(QObject* parent = nullptr);
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
};

} // namespace pellavane
