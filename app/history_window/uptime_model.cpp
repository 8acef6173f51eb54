#include "app/history_window/uptime_model.h"

#include "engine/history/history_report.h"

namespace pellavane {

namespace {

// As the uptime CSV rounds it, so the table and the exported file agree to the last digit.
QString PercentText(const PeriodUptime& period)
{
    const std::int64_t known = period.upSeconds + period.downSeconds;
    if (known <= 0) {
        return QStringLiteral("-");
    }
    const std::int64_t hundredths = (period.upSeconds * 20000 + known) / (2 * known);
    return QStringLiteral("%1.%2 %").arg(hundredths / 100).arg(hundredths % 100, 2, 10, QLatin1Char('0'));
}

} // namespace

void UptimeModel::SetPeriods(std::vector<PeriodUptime> periods)
{
    beginResetModel();
    m_periods = std::move(periods);
    endResetModel();
}

int UptimeModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_periods.size());
}

int UptimeModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 7;
}

QVariant UptimeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const PeriodUptime& p = m_periods[static_cast<std::size_t>(index.row())];
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

QVariant UptimeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    static const char* const kHeadings[] = {"Day", "Up", "Down", "Unknown", "Outages", "Longest", "Uptime"};
    return section >= 0 && section < 7 ? QString::fromLatin1(kHeadings[section]) : QVariant();
}

} // namespace pellavane
