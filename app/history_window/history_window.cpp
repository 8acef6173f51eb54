#include "app/history_window/history_window.h"

#include "engine/history/history_report.h"
#include "engine/history/local_period.h"
#include "engine/log_commands/file_dialog.h"
#include "engine/log_commands/message_boxes.h"
#include "engine/report/report_file.h"

#include <QApplication>
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
#include <QScopeGuard>
#include <QScrollBar>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <exception>

namespace pellavane {

namespace {

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

HistoryWindow::HistoryWindow(HistoryWindowServices services, QWidget* parent)
    : QWidget(parent, Qt::Window), m_services(std::move(services)), m_view(std::make_shared<HistoryView>()),
      m_range(new QComboBox(this)), m_status(new QLabel(this)), m_export(new QPushButton(this)),
      m_saveReport(new QPushButton(this)), m_timeline(new TimelineView(this)),
      m_outagesTable(MakeTable(this, "OutagesTable", m_outages)),
      m_uptimeTable(MakeTable(this, "UptimeTable", m_uptime)),
      m_qualityTable(MakeTable(this, "QualityTable", m_quality)), m_tables(new QTabWidget(this))
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
    m_saveReport->setObjectName(QStringLiteral("SaveReport"));
    m_saveReport->setText(QStringLiteral("Save Report\u2026"));
    m_saveReport->setToolTip(
        QStringLiteral("Writes the days shown as one web page to hand to your provider"));
    connect(m_saveReport, &QPushButton::clicked, this, [this] { SaveReport(); });

    m_status->setObjectName(QStringLiteral("HistoryStatus"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Round trip, outages (red) and time not watched (grey):")));
    top->addWidget(m_range);
    top->addStretch(1);
    top->addWidget(m_export);
    top->addWidget(m_saveReport);

    // Each table gets the window's whole width: side by side, neither would show all its columns.
    m_tables->setObjectName(QStringLiteral("HistoryTables"));
    m_tables->addTab(m_outagesTable, QStringLiteral("Outages"));
    m_tables->addTab(m_uptimeTable, QStringLiteral("Uptime by day"));
    m_tables->addTab(m_qualityTable, QStringLiteral("Quality by day"));

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
    m_saveReport->setEnabled(false);
    m_status->setText(QStringLiteral("Reading the history\u2026"));
    const std::int64_t now = m_services.now ? m_services.now() : QDateTime::currentSecsSinceEpoch();
    std::string path;
    // A log path that names no file (its text cannot be one) is told as a history that cannot be read.
    std::string refused;
    try {
        path = m_services.logPath ? m_services.logPath() : std::string();
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
    const int qualityAt = m_qualityTable->verticalScrollBar()->value();
    m_outages.SetRows(m_view->report.outages);
    m_uptime.SetRows(m_view->report.periods);
    m_quality.SetRows(m_view->quality);
    m_outagesTable->verticalScrollBar()->setValue(outagesAt);
    m_uptimeTable->verticalScrollBar()->setValue(uptimeAt);
    m_qualityTable->verticalScrollBar()->setValue(qualityAt);
    m_timeline->SetData(std::shared_ptr<const TimelineData>(m_view, &m_view->timeline));
    m_tables->setTabText(0, QStringLiteral("Outages (%1)").arg(m_view->report.outages.size()));
    m_tables->setTabText(1, QStringLiteral("Uptime by day (%1)").arg(m_view->report.periods.size()));
    m_tables->setTabText(2, QStringLiteral("Quality by day (%1)").arg(m_view->quality.size()));
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
                           .arg(QString::fromStdString(DurationText(down)));
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
    m_saveReport->setEnabled(m_view->error.empty());
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
        m_services.chooseFolder
            ? m_services.chooseFolder()
            : QFileDialog::getExistingDirectory(this, QStringLiteral("Export CSV to folder")).toStdString();
    if (folder.empty()) {
        return;
    }
    const QDir dir(QString::fromStdString(folder));
    const QString outages = dir.filePath(QString::fromLatin1(kOutagesCsvName));
    const QString uptime = dir.filePath(QString::fromLatin1(kUptimeCsvName));
    if ((QFileInfo::exists(outages) || QFileInfo::exists(uptime)) &&
        !m_services.boxes.AskYesNo(
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
            m_services.boxes.Inform("Cannot write '" + path.toStdString() +
                                    "': " + file.errorString().toStdString());
            return;
        }
    }
    m_status->setText(QStringLiteral("Exported %1 and %2.").arg(outages, uptime));
}

void HistoryWindow::SaveReport()
{
    const std::string path =
        m_services.dialog.ChooseFileToSave("Save Report", "Web page (*.html)|*.html|", kReportName);
    if (path.empty()) {
        return;
    }
    // The local days the chosen range reaches into, as --from and --to would name them.
    const auto span = static_cast<std::int64_t>(m_range->currentData().toLongLong());
    const std::int64_t now = m_view->now;
    ReportRequest request;
    for (auto [t, day] : {std::pair{now - span, &request.from}, std::pair{now, &request.to}}) {
        const LocalPeriod period = LocalPeriodAt(t, PeriodLength::Day);
        *day = LocalDate{period.year, period.month, period.day};
    }
    std::string failure;
    {
        // The history is read again on this thread: a year of it takes a second or two.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        try {
            WriteReportFile(m_services.logPath(), request, m_services.reportAbout(now), path);
        } catch (const std::exception& e) {
            failure = e.what();
        }
    }
    if (!failure.empty()) {
        m_services.boxes.Inform(failure);
        return;
    }
    m_status->setText(QStringLiteral("Report saved to %1.").arg(QString::fromStdString(path)));
}

} // namespace pellavane
