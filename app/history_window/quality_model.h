#pragma once

#include "app/history_window/row_table_model.h"
#include "engine/quality/quality_report.h"

namespace pellavane {

/** Quality by day: echoes, losses, the median and 95th percentile round trip, jitter and degraded
 *  time, as --quality prints them. */
class QualityModel : public RowTableModel<PeriodQuality>
{
public:
    explicit QualityModel(QObject* parent = nullptr);
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
};

} // namespace pellavane
