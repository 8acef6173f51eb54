#include "app/history_window/quality_model.h"

#include "engine/history/history_report.h"

#include <string>

namespace pellavane {

namespace {

enum Column
{
    kDay,
    kEchoes,
    kLost,
    kLoss,
    kMedian,
    kP95,
    kJitter,
    kDegraded,
};

// As the report writes it, so the table and --quality agree to the last digit; "-" for none.
QString Shown(const std::string& number, const char* unit)
{
    return number.empty() ? QStringLiteral("-") : QString::fromStdString(number) + QLatin1String(unit);
}

// What a column sorts by: its number, with none before every value.
double SortValue(const PeriodQuality& p, int column)
{
    const auto orNone = [](const std::optional<std::uint32_t>& us) {
        return us ? static_cast<double>(*us) : -1.0;
    };
    switch (column) {
    case kDay:
        return static_cast<double>(p.period.start);
    case kEchoes:
        return static_cast<double>(p.echoes);
    case kLost:
        return static_cast<double>(p.lost);
    case kLoss:
        return p.echoes > 0 ? static_cast<double>(p.lost) / static_cast<double>(p.echoes) : -1.0;
    case kMedian:
        return orNone(p.rttMedianUs);
    case kP95:
        return orNone(p.rttP95Us);
    case kJitter:
        return p.jitterPairs > 0 ? static_cast<double>(p.jitterSumUs) / static_cast<double>(p.jitterPairs)
                                 : -1.0;
    default:
        return static_cast<double>(p.degradedSeconds);
    }
}

} // namespace

QualityModel::QualityModel(QObject* parent)
    : RowTableModel({"Day", "Echoes", "Lost", "Loss", "Median", "95th pct", "Jitter", "Degraded"}, parent)
{}

QVariant QualityModel::data(const QModelIndex& index, int role) const
{
    const PeriodQuality* row = RowAt(index);
    if (row == nullptr) {
        return {};
    }
    const PeriodQuality& p = *row;
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case kDay:
            return QString::fromStdString(p.Label());
        case kEchoes:
            return QVariant::fromValue<qlonglong>(p.echoes);
        case kLost:
            return QVariant::fromValue<qlonglong>(p.lost);
        case kLoss:
            return Shown(LossPercentText(p), " %");
        case kMedian:
            return Shown(MillisecondsText(p.rttMedianUs), " ms");
        case kP95:
            return Shown(MillisecondsText(p.rttP95Us), " ms");
        case kJitter:
            return Shown(JitterText(p), " ms");
        default:
            return QString::fromStdString(DurationText(p.degradedSeconds));
        }
    }
    if (role == Qt::UserRole) {
        return SortValue(p, index.column());
    }
    if (role == Qt::TextAlignmentRole && index.column() > kDay) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    }
    return {};
}

} // namespace pellavane
