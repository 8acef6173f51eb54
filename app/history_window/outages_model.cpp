#include "app/history_window/outages_model.h"

#include "engine/history/history_report.h"

#include <QDateTime>

#include <limits>

namespace pellavane {

namespace {

QString LocalText(std::int64_t t)
{
    return QDateTime::fromSecsSinceEpoch(t).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

OutagesModel::OutagesModel(QObject* parent) : RowTableModel({"Start", "End", "Duration", "Cause"}, parent) {}

QVariant OutagesModel::data(const QModelIndex& index, int role) const
{
    const Outage* row = RowAt(index);
    if (row == nullptr) {
        return {};
    }
    const Outage& o = *row;
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case 0:
            return LocalText(o.start);
        case 1:
            return o.ongoing ? QStringLiteral("still going") : LocalText(o.end);
        case 2:
            return QString::fromStdString(DurationText(o.Duration()));
        default:
            return QString::fromStdString(o.cause);
        }
    }
    if (role == Qt::UserRole) {
        switch (index.column()) {
        case 0:
            return QVariant::fromValue<qlonglong>(o.start);
        case 1:
            return QVariant::fromValue<qlonglong>(o.ongoing ? std::numeric_limits<qlonglong>::max() : o.end);
        case 2:
            return QVariant::fromValue<qlonglong>(o.Duration());
        default:
            return QString::fromStdString(o.cause);
        }
    }
    if (role == Qt::TextAlignmentRole && index.column() == 2) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    }
    return {};
}

} // namespace pellavane
