#include "app/history_window/uptime_model.h"

#include "engine/history/history_report.h"

namespace pellavane {

namespace {

// As the uptime CSV rounds it, so the table and the exported file agree to the last digit.
QString PercentText(const PeriodUptime& period)
{
    return QString::fromStdString(UptimePercentForPerson(period));
}

} // namespace

UptimeModel::UptimeModel(QObject* parent)
    : RowTableModel({"Day", "Up", "Down", "Unknown", "Outages", "Longest", "Uptime"}, parent)
{}

QVariant UptimeModel::data(const QModelIndex& index, int role) const
{
    const PeriodUptime* row = RowAt(index);
    if (row == nullptr) {
        return {};
    }
    const PeriodUptime& p = *row;
    const std::int64_t values[] = {
        p.start, p.upSeconds, p.downSeconds, p.unknownSeconds, p.outages, p.longestSeconds, 0};
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case 0:
            return QString::fromStdString(p.Label());
        case 4:
            return p.outages;
        case 6:
            return PercentText(p);
        default:
            return QString::fromStdString(DurationText(values[index.column()]));
        }
    }
    if (role == Qt::UserRole) {
        if (index.column() == 6) {
            return p.UptimePercent().value_or(-1.0);
        }
        return QVariant::fromValue<qlonglong>(values[index.column()]);
    }
    if (role == Qt::TextAlignmentRole && index.column() > 0) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    }
    return {};
}

} // namespace pellavane
