#pragma once

#include "app/history_window/row_table_model.h"
#include "engine/history/outages.h"

namespace pellavane {

/** Uptime by day: up, down and unknown time, outages, the longest, uptime in percent. */
class UptimeModel : public RowTableModel<PeriodUptime>
{
public:
    explicit UptimeModel(QObject* parent = nullptr);
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
};

} // namespace pellavane
