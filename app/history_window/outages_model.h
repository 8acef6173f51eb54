#pragma once

#include "engine/history/outages.h"

#include <QAbstractTableModel>

#include <vector>

namespace pellavane {

/** The outages table: start, end, duration, cause; sorted by the value behind each cell. */
class OutagesModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void SetOutages(std::vector<Outage> outages);
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::vector<Outage> m_outages;
};

} // namespace pellavane
