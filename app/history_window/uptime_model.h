#pragma once

#include "engine/history/outages.h"

#include <QAbstractTableModel>

#include <vector>

namespace pellavane {

/** Uptime by day: up, down and unknown time, outages, the longest, uptime in percent. */
class UptimeModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void SetPeriods(std::vector<PeriodUptime> periods);
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::vector<PeriodUptime> m_periods;
};

} // namespace pellavane
