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

void OutagesModel::SetOutages(std::vector<Outage> outages)
{
    beginResetModel();
    m_outages = std::move(outages);
    endResetModel();
}

int OutagesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_outages.size());
}

int OutagesModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 4;
}

QVariant OutagesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const Outage& o = m_outages[static_cast<std::size_t>(index.row())];
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

QVariant OutagesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    static const char* const kHeadings[] = {"Start", "End", "Duration", "Cause"};
    return section >= 0 && section < 4 ? QString::fromLatin1(kHeadings[section]) : QVariant();
}

} // namespace pellavane
