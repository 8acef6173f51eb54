#include "app/history_window.h"

#include "app/history_commands.h"
#include "engine/history_report.h"
#include "engine/journal.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>

namespace pellavane {

namespace {

struct Cancelled
{};

/** Passes every record to the report and keeps the recent round trips for the timeline. */
class ViewSink : public IHistorySink
{
public:
    ViewSink(OutageAnalyser& analyser, std::int64_t from, std::vector<RttSample>& samples,
             const std::atomic<bool>* cancel)
        : m_analyser(analyser), m_from(from), m_samples(samples), m_cancel(cancel)
    {}

    void Record(const HistoryRecord& record) override
    {
        if (m_cancel != nullptr && (++m_count & 0xffff) == 0 && m_cancel->load()) {
            throw Cancelled{};
        }
        m_analyser.Record(record);
        if (record.event != HistoryEvent::Check) {
            m_lastAnswered = false;
            return;
        }
        const double rtt = RoundTripMs(record);
        const bool answered = !std::isnan(rtt);
        if (answered && record.time >= m_from) {
            m_samples.push_back(RttSample{record.time, static_cast<float>(rtt), m_lastAnswered});
        }
        m_lastAnswered = answered;
    }

private:
    OutageAnalyser& m_analyser;
    std::int64_t m_from;
    std::vector<RttSample>& m_samples;
    const std::atomic<bool>* m_cancel;
    std::uint32_t m_count = 0;
    bool m_lastAnswered = false;
};

// The line may only join two round trips of one stretch of known time: never across a gap, a sleep
// or a clock that was set back.
void BreakAtGaps(std::vector<RttSample>& samples, const std::vector<TimeSpan>& known)
{
    if (!std::is_sorted(samples.begin(), samples.end(),
                        [](const RttSample& a, const RttSample& b) { return a.time < b.time; })) {
        for (std::size_t i = 1; i < samples.size(); ++i) {
            if (samples[i].time < samples[i - 1].time) {
                samples[i].joined = false;
                if (i + 1 < samples.size()) {
                    samples[i + 1].joined = false;
                }
            }
        }
        std::stable_sort(samples.begin(), samples.end(),
                         [](const RttSample& a, const RttSample& b) { return a.time < b.time; });
    }
    std::size_t span = 0;
    std::size_t previousSpan = std::numeric_limits<std::size_t>::max();
    for (RttSample& sample : samples) {
        while (span < known.size() && known[span].end < sample.time) {
            ++span;
        }
        const bool inside = span < known.size() && known[span].start <= sample.time;
        const std::size_t here = inside ? span : std::numeric_limits<std::size_t>::max() - 1;
        sample.joined = sample.joined && inside && here == previousSpan;
        previousSpan = here;
    }
}

QString LocalText(std::int64_t t)
{
    return QDateTime::fromSecsSinceEpoch(t).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString Duration(std::int64_t seconds)
{
    return QString::fromStdString(DurationText(seconds));
}

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

QTableView* MakeTable(QWidget* parent, const char* name, QAbstractItemModel& model)
{
    auto* proxy = new QSortFilterProxyModel(parent);
    proxy->setSourceModel(&model);
    proxy->setSortRole(Qt::UserRole);
    auto* table = new QTableView(parent);
    table->setObjectName(QString::fromLatin1(name));
    table->setModel(proxy);
    table->setSortingEnabled(true);
    table->sortByColumn(0, Qt::AscendingOrder);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

} // namespace

HistoryView ReadHistoryView(const std::string& logPath, std::int64_t now, const std::atomic<bool>* cancel)
{
    HistoryView view;
    view.now = now;
    const std::int64_t from = now - kTimelineSpan;
    ReportOptions options;
    options.by = PeriodLength::Day;
    options.knownFrom = from;
    // Nothing logged yet is no fault: say it as the view command does.
    if (!FileExists(logPath) && !FileExists(JournalPath(logPath))) {
        view.error = kNoHistoryMessage;
        return view;
    }
    try {
        OutageAnalyser analyser(options);
        ViewSink sink(analyser, from, view.timeline.samples, cancel);
        view.summary = ReadHistory(logPath, TextLogForms(), sink);
        view.report = analyser.Finish();
    } catch (const Cancelled&) {
        return HistoryView{};
    } catch (const std::exception& e) {
        view.error = e.what();
        view.timeline.samples.clear();
        return view;
    }
    view.timeline.known = view.report.known;
    view.report.known.clear();
    for (const Outage& outage : view.report.outages) {
        if (outage.end >= from) {
            view.timeline.outages.push_back(TimeSpan{outage.start, outage.end});
        }
    }
    BreakAtGaps(view.timeline.samples, view.timeline.known);
    return view;
}

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
            return Duration(o.Duration());
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
            return Duration(values[index.column()]);
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

HistoryWindow::HistoryWindow(HistoryWindowServices services, QWidget* parent)
    : QWidget(parent, Qt::Window), m_s(std::move(services)), m_view(std::make_shared<HistoryView>()),
      m_range(new QComboBox(this)), m_status(new QLabel(this)), m_export(new QPushButton(this)),
      m_timeline(new TimelineView(this)), m_outagesTable(MakeTable(this, "OutagesTable", m_outages)),
      m_uptimeTable(MakeTable(this, "UptimeTable", m_uptime)), m_tables(new QTabWidget(this))
{
    setObjectName(QStringLiteral("HistoryWindow"));
    setWindowTitle(QString::fromLatin1(kHistoryWindowTitle));
    resize(980, 640);

    m_range->setObjectName(QStringLiteral("RangeChoice"));
    m_range->addItem(QStringLiteral("Last hour"), QVariant::fromValue<qlonglong>(3600));
    m_range->addItem(QStringLiteral("Last day"), QVariant::fromValue<qlonglong>(86400));
    m_range->addItem(QStringLiteral("Last week"), QVariant::fromValue<qlonglong>(7 * 86400));
    m_range->addItem(QStringLiteral("Last month"), QVariant::fromValue<qlonglong>(30 * 86400));
    m_range->setCurrentIndex(1);
    connect(m_range, &QComboBox::currentIndexChanged, this, [this] { ShowRange(); });

    m_export->setObjectName(QStringLiteral("ExportCsv"));
    m_export->setText(QStringLiteral("Export CSV\u2026"));
    m_export->setToolTip(QStringLiteral("Writes %1 and %2 into a folder you choose")
                             .arg(QString::fromLatin1(kOutagesCsvName), QString::fromLatin1(kUptimeCsvName)));
    connect(m_export, &QPushButton::clicked, this, [this] { ExportCsv(); });

    m_status->setObjectName(QStringLiteral("HistoryStatus"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Round trip, outages (red) and time not watched (grey):")));
    top->addWidget(m_range);
    top->addStretch(1);
    top->addWidget(m_export);

    // Each table gets the window's whole width: side by side, neither would show all its columns.
    m_tables->setObjectName(QStringLiteral("HistoryTables"));
    m_tables->addTab(m_outagesTable, QStringLiteral("Outages"));
    m_tables->addTab(m_uptimeTable, QStringLiteral("Uptime by day"));

    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_timeline, 3);
    layout->addWidget(m_tables, 2);
    layout->addWidget(m_status);
}

HistoryWindow::~HistoryWindow()
{
    StopReading();
}

void HistoryWindow::StopReading()
{
    m_cancel = true;
    if (m_reader.joinable()) {
        m_reader.join();
    }
    m_cancel = false;
}

void HistoryWindow::ShowAndLoad()
{
    if (isMinimized()) {
        setWindowState(windowState() & ~Qt::WindowMinimized);
    }
    show();
    raise();
    activateWindow();
    Load();
}

void HistoryWindow::Load()
{
    StopReading();
    m_sinceLoad.start();
    const unsigned generation = ++m_generation;
    m_loading = true;
    m_export->setEnabled(false);
    m_status->setText(QStringLiteral("Reading the history\u2026"));
    const std::int64_t now = m_s.now ? m_s.now() : QDateTime::currentSecsSinceEpoch();
    std::string path;
    // A log path that names no file (its text cannot be one) is told as a history that cannot be read.
    std::string refused;
    try {
        path = m_s.logPath ? m_s.logPath() : std::string();
    } catch (const std::exception& e) {
        refused = e.what();
    }
    m_reader = std::thread([this, path, now, generation, refused] {
        HistoryView read;
        if (refused.empty()) {
            read = ReadHistoryView(path, now, &m_cancel);
        } else {
            read.now = now;
            read.error = refused;
        }
        auto view = std::make_shared<HistoryView>(std::move(read));
        // Delivered on the window's own thread; dropped by Qt if the window is gone by then.
        QMetaObject::invokeMethod(
            this, [this, view, generation] { Apply(view, generation); }, Qt::QueuedConnection);
    });
}

void HistoryWindow::HistoryGrew()
{
    if (isVisible() && !m_loading &&
        (!m_sinceLoad.isValid() || m_sinceLoad.elapsed() >= kRefreshSeconds * 1000)) {
        Load();
    }
}

void HistoryWindow::Apply(std::shared_ptr<HistoryView> view, unsigned generation)
{
    if (generation != m_generation) {
        return;
    }
    if (m_reader.joinable()) {
        m_reader.join();
    }
    m_view = std::move(view);
    m_loading = false;
    // A reading brought on by new checks must not throw the user back to the top of a table.
    const int outagesAt = m_outagesTable->verticalScrollBar()->value();
    const int uptimeAt = m_uptimeTable->verticalScrollBar()->value();
    m_outages.SetOutages(m_view->report.outages);
    m_uptime.SetPeriods(m_view->report.periods);
    m_outagesTable->verticalScrollBar()->setValue(outagesAt);
    m_uptimeTable->verticalScrollBar()->setValue(uptimeAt);
    m_timeline->SetData(std::shared_ptr<const TimelineData>(m_view, &m_view->timeline));
    m_tables->setTabText(0, QStringLiteral("Outages (%1)").arg(m_view->report.outages.size()));
    m_tables->setTabText(1, QStringLiteral("Uptime by day (%1)").arg(m_view->report.periods.size()));
    ShowRange();

    QPalette palette = m_status->palette();
    palette.setColor(QPalette::WindowText, m_view->error.empty() ? QColor(Qt::black) : QColor(0xb0, 0, 0));
    m_status->setPalette(palette);
    if (!m_view->error.empty()) {
        m_status->setText(QString::fromStdString(m_view->error));
    } else {
        std::int64_t down = 0;
        for (const Outage& o : m_view->report.outages) {
            down += o.Duration();
        }
        const std::size_t count = m_view->report.outages.size();
        QString text = QStringLiteral("%1 %2, %3 in all.")
                           .arg(count)
                           .arg(count == 1 ? QStringLiteral("outage") : QStringLiteral("outages"))
                           .arg(Duration(down));
        if (m_view->summary.notUnderstood > 0) {
            text += QStringLiteral(" %1 %2 not understood.")
                        .arg(m_view->summary.notUnderstood)
                        .arg(m_view->summary.notUnderstood == 1 ? QStringLiteral("line was")
                                                                : QStringLiteral("lines were"));
        }
        for (const std::string& note : m_view->summary.notes) {
            text += QStringLiteral(" ") + QString::fromStdString(note);
        }
        m_status->setText(text);
    }
    m_export->setEnabled(m_view->error.empty());
    emit Loaded();
}

void HistoryWindow::ShowRange()
{
    const auto span = static_cast<std::int64_t>(m_range->currentData().toLongLong());
    m_timeline->SetRange(m_view->now - span, m_view->now);
}

void HistoryWindow::ExportCsv()
{
    const std::string folder =
        m_s.chooseFolder
            ? m_s.chooseFolder()
            : QFileDialog::getExistingDirectory(this, QStringLiteral("Export CSV to folder")).toStdString();
    if (folder.empty()) {
        return;
    }
    const QDir dir(QString::fromStdString(folder));
    const QString outages = dir.filePath(QString::fromLatin1(kOutagesCsvName));
    const QString uptime = dir.filePath(QString::fromLatin1(kUptimeCsvName));
    if ((QFileInfo::exists(outages) || QFileInfo::exists(uptime)) &&
        !m_s.boxes.AskYesNo(
            QStringLiteral("Replace the files %1 and %2 in '%3'?")
                .arg(QString::fromLatin1(kOutagesCsvName), QString::fromLatin1(kUptimeCsvName), dir.path())
                .toStdString())) {
        return;
    }
    const std::pair<QString, std::string> files[] = {
        {outages, OutagesText(m_view->report.outages, ReportFormat::Csv)},
        {uptime, UptimeText(m_view->report.periods, ReportFormat::Csv)},
    };
    for (const auto& [path, text] : files) {
        // Written whole or not at all: a half-written report is worse than none.
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) ||
            !file.commit()) {
            m_s.boxes.Inform("Cannot write '" + path.toStdString() +
                             "': " + file.errorString().toStdString());
            return;
        }
    }
    m_status->setText(QStringLiteral("Exported %1 and %2.").arg(outages, uptime));
}

} // namespace pellavane
