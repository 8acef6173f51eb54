#pragma once

#include "app/history_window/history_timeline.h"
#include "app/history_window/outages_model.h"
#include "app/history_window/quality_model.h"
#include "app/history_window/uptime_model.h"
#include "engine/history/history_load.h"

#include <QElapsedTimer>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QTableView;

namespace pellavane {

class IFileDialog;
class IMessageBoxes;
struct ReportAbout;

inline constexpr const char* kHistoryWindowTitle = "Connection History";
inline constexpr const char* kOutagesCsvName = "pellavane-outages.csv";
inline constexpr const char* kUptimeCsvName = "pellavane-uptime.csv";
inline constexpr const char* kReportName = "pellavane-report.html";
struct HistoryWindowServices
{
    /** The log whose history is shown, read afresh at every load. */
    std::function<std::string()> logPath;
    std::function<std::int64_t()> now;
    /** Asks whether files may be replaced, and tells what went wrong. */
    IMessageBoxes& boxes;
    /** The folder the CSV files go to; empty when the user cancelled. */
    std::function<std::string()> chooseFolder;
    /** Asks where the report goes. */
    IFileDialog& dialog;
    /** What a report made at a time says of itself and of this machine. */
    std::function<ReportAbout(std::int64_t now)> reportAbout;
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
    /** Writes the report of the local days the chosen range covers to the file the user chooses, as
     *  pellavane --report does; a failure is told in a box naming the file and the reason. */
    void SaveReport();

    TimelineView* Timeline() const noexcept { return m_timeline; }
    QTableView* OutagesTable() const noexcept { return m_outagesTable; }
    QTableView* UptimeTable() const noexcept { return m_uptimeTable; }
    QTableView* QualityTable() const noexcept { return m_qualityTable; }

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
    QualityModel m_quality;
    QComboBox* m_range;
    QLabel* m_status;
    QPushButton* m_export;
    QPushButton* m_saveReport;
    TimelineView* m_timeline;
    QTableView* m_outagesTable;
    QTableView* m_uptimeTable;
    QTableView* m_qualityTable;
    QTabWidget* m_tables;
    std::thread m_reader;
    std::atomic<bool> m_cancel{false};
    unsigned m_generation = 0;
    bool m_loading = false;
    QElapsedTimer m_sinceLoad;
};

} // namespace pellavane
