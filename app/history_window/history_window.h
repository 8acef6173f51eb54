#pragma once

#include "app/history_window/history_timeline.h"
#include "engine/history/history.h"
#include "engine/history/outages.h"

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QTableView;

namespace pellavane {

class IMessageBoxes;

inline constexpr const char* kHistoryWindowTitle = "Connection History";
inline constexpr const char* kOutagesCsvName = "pellavane-outages.csv";
inline constexpr const char* kUptimeCsvName = "pellavane-uptime.csv";
/** The longest stretch the timeline shows; round trips older than this are not kept. */
inline constexpr std::int64_t kTimelineSpan = 31 * 86400;

/** Everything the window shows of one reading of the history. */
struct HistoryView
{
    HistoryReport report;
    TimelineData timeline;
    HistoryReadSummary summary;
    /** When the history was read. */
    std::int64_t now = 0;
    /** Why it could not be read; empty when it was. */
    std::string error;
};

/** Reads the history of the log at logPath as the reports do (the journal, and the text log before
 *  it), with uptime by day and the round trips of the timeline's longest stretch before now. Stops
 *  early, giving an empty view, once cancel is set. */
HistoryView ReadHistoryView(const std::string& logPath, std::int64_t now,
                            const std::atomic<bool>* cancel = nullptr);

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

struct HistoryWindowServices
{
    /** The log whose history is shown, read afresh at every load. */
    std::function<std::string()> logPath;
    std::function<std::int64_t()> now;
    /** Asks whether files may be replaced, and tells what went wrong. */
    IMessageBoxes& boxes;
    /** The folder the CSV files go to; empty when the user cancelled. */
    std::function<std::string()> chooseFolder;
};

/** "Connection History": the timeline of the last hour, day, week or month, the outages and the
 *  uptime by day, and their export as CSV. The history is read on a thread of its own, so that a
 *  year of it never holds the window up. */
class HistoryWindow : public QWidget
{
    Q_OBJECT
public:
    explicit HistoryWindow(HistoryWindowServices services, QWidget* parent = nullptr);
    ~HistoryWindow() override;

    /** Shows the window in front and reads the history again. */
    void ShowAndLoad();
    /** Starts reading the history; a reading still under way is dropped. */
    void Load();
    bool Loading() const noexcept { return m_loading; }
    /** The history has grown: read it again when the window is shown, no reading is under way and the
     *  last began at least kRefreshSeconds ago, so a long history is not read at every check. */
    void HistoryGrew();
    static constexpr int kRefreshSeconds = 30;
    const HistoryView& View() const noexcept { return *m_view; }
    /** Writes the two tables into the chosen folder as the reports' CSV; asks before replacing. */
    void ExportCsv();

    TimelineView* Timeline() const noexcept { return m_timeline; }
    QTableView* OutagesTable() const noexcept { return m_outagesTable; }
    QTableView* UptimeTable() const noexcept { return m_uptimeTable; }

signals:
    /** A reading has been shown. */
    void Loaded();

private:
    void Apply(std::shared_ptr<HistoryView> view, unsigned generation);
    void ShowRange();
    void StopReading();

    HistoryWindowServices m_services;
    std::shared_ptr<HistoryView> m_view;
    OutagesModel m_outages;
    UptimeModel m_uptime;
    QComboBox* m_range;
    QLabel* m_status;
    QPushButton* m_export;
    TimelineView* m_timeline;
    QTableView* m_outagesTable;
    QTableView* m_uptimeTable;
    QTabWidget* m_tables;
    std::thread m_reader;
    std::atomic<bool> m_cancel{false};
    unsigned m_generation = 0;
    bool m_loading = false;
    QElapsedTimer m_sinceLoad;
};

} // namespace pellavane
