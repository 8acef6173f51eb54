#include "app/history_window/history_window.h"

#include "app/history_window/history_timeline.h"
#include "core/civil_date.h"
#include "engine/history/history.h"
#include "engine/log_commands/log_commands.h"
#include "engine/report/report_page.h"
#include "testsupport/test_files.h"

#include "testsupport/desktop_fakes.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace pellavane {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

constexpr std::int64_t kTen = DaysFromCivil(2026, 12, 8) * 86400 + 10 * 3600; // 10:00:00 UTC

// Two outages, a sleep, lost echoes in a degraded time and a row no reader understands, as a
// journal beside "net.txt".
const char* const kJournal = "time,event,status,rtt_ms,target,detail\r\n"
                             "2026-12-08T10:00:00+00:00,start,,,,interval=5\r\n"
                             "2026-12-08T10:00:00+00:00,check,connected,10.5,127.0.0.1,\r\n"
                             "2026-12-08T10:00:02+00:00,quality,degraded,,,loss 40%\r\n"
                             "2026-12-08T10:00:05+00:00,check,connected,12.0,127.0.0.1,\r\n"
                             "2026-12-08T10:00:05+00:00,echoes,,,127.0.0.1,sent=5 lost=2 rtt=12 13 12\r\n"
                             "2026-12-08T10:00:10+00:00,check,disconnected,,,targets silent\r\n"
                             "2026-12-08T10:00:15+00:00,check,disconnected,,,targets silent\r\n"
                             "2026-12-08T10:00:20+00:00,check,connected,11.0,127.0.0.1,\r\n"
                             "2026-12-08T10:00:25+00:00,check,connected,30.0,127.0.0.1,\r\n"
                             "2026-12-08T10:00:26+00:00,sleep,,,,\r\n"
                             "garbage\r\n"
                             "2026-12-08T11:00:00+00:00,resume,,,,\r\n"
                             "2026-12-08T11:00:02+00:00,check,connected,9.0,127.0.0.1,\r\n"
                             "2026-12-08T11:00:07+00:00,check,connected,9.5,127.0.0.1,\r\n"
                             "2026-12-08T11:00:12+00:00,check,disconnected,,,after resume\r\n"
                             "2026-12-08T11:00:17+00:00,check,connected,8.0,127.0.0.1,\r\n";

const char* const kOutagesCsv = "start,end,duration_s,cause\n"
                                "2026-12-08T10:00:10+00:00,2026-12-08T10:00:20+00:00,10,targets silent\n"
                                "2026-12-08T11:00:12+00:00,2026-12-08T11:00:17+00:00,5,after resume\n";
const char* const kUptimeCsv = "period,up_s,down_s,unknown_s,outages,longest_s,uptime_pct\n"
                               "2026-12-08,26,15,86359,2,10,63.41\n";

class HistoryWindowTest : public ::testing::Test
{
protected:
    HistoryWindowTest()
    {
        ::setenv("TZ", "UTC0", 1);
        ::tzset();
        WriteFile(temp.Path() / "net.journal.csv", kJournal);
    }
    ~HistoryWindowTest() override
    {
        ::unsetenv("TZ");
        ::tzset();
    }

    HistoryWindow& Loaded(const std::string& log)
    {
        window = std::make_unique<HistoryWindow>(HistoryWindowServices{
            [log] { return log; }, [] { return kTen + 3620; }, boxes, [this] { return folder; }, dialog,
            [](std::int64_t now) {
                return ReportAbout{"test-pc", "9.9", now, "192.0.2.1"};
            }});
        window->ShowAndLoad();
        EXPECT_TRUE(QTest::qWaitFor([this] { return !window->Loading(); }, 10000));
        return *window;
    }
    std::string Log() const { return (temp.Path() / "net.txt").string(); }
    static QString Cell(QTableView* table, int row, int column)
    {
        return table->model()->index(row, column).data().toString();
    }

    TempFolder temp;
    testing::FakeBoxes boxes;
    testing::FakeDialog dialog;
    std::string folder;
    std::unique_ptr<HistoryWindow> window;
};

TEST_F(HistoryWindowTest, TablesShowTheOutagesAndTheDayAsTheReportsCountThem)
{
    HistoryWindow& w = Loaded(Log());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Connection History"));
    EXPECT_TRUE(w.isVisible());

    QTableView* outages = w.OutagesTable();
    ASSERT_EQ(outages->model()->rowCount(), 2);
    EXPECT_EQ(Cell(outages, 0, 0), QStringLiteral("2026-12-08 10:00:10"));
    EXPECT_EQ(Cell(outages, 0, 1), QStringLiteral("2026-12-08 10:00:20"));
    EXPECT_EQ(Cell(outages, 0, 2), QStringLiteral("10 s"));
    EXPECT_EQ(Cell(outages, 0, 3), QStringLiteral("targets silent"));
    // Sorted by the duration itself, not by its text.
    outages->sortByColumn(2, Qt::AscendingOrder);
    EXPECT_EQ(Cell(outages, 0, 3), QStringLiteral("after resume"));

    QTableView* uptime = w.UptimeTable();
    ASSERT_EQ(uptime->model()->rowCount(), 1);
    const QStringList expected = {"2026-12-08", "26 s", "15 s", "23 h 59 min 19 s", "2", "10 s", "63.41 %"};
    for (int column = 0; column < expected.size(); ++column) {
        EXPECT_EQ(Cell(uptime, 0, column), expected[column]) << column;
    }
    // Six answered checks of the day as one echo each and one of five echoes, two of them lost, as
    // --quality counts them; degraded from its row until the outage.
    QTableView* quality = w.QualityTable();
    ASSERT_EQ(quality->model()->rowCount(), 1);
    const QStringList figures = {"2026-12-08", "11", "2", "18.18 %", "11 ms", "30 ms", "5.81 ms", "8 s"};
    for (int column = 0; column < figures.size(); ++column) {
        EXPECT_EQ(Cell(quality, 0, column), figures[column]) << column;
    }
    const QString status = w.findChild<QLabel*>(QStringLiteral("HistoryStatus"))->text();
    EXPECT_TRUE(status.contains(QStringLiteral("2 outages, 15 s in all."))) << status.toStdString();
    EXPECT_TRUE(status.contains(QStringLiteral("1 line was not understood."))) << status.toStdString();
}

TEST(HistoryTables, AreHeadedByTheirColumnsAndNothingElse)
{
    OutagesModel outages;
    UptimeModel uptime;
    QualityModel quality;
    const struct
    {
        const QAbstractItemModel& model;
        QStringList headings;
    } cases[] = {{outages, {"Start", "End", "Duration", "Cause"}},
                 {uptime, {"Day", "Up", "Down", "Unknown", "Outages", "Longest", "Uptime"}},
                 {quality, {"Day", "Echoes", "Lost", "Loss", "Median", "95th pct", "Jitter", "Degraded"}}};
    for (const auto& c : cases) {
        ASSERT_EQ(c.model.columnCount(), c.headings.size());
        for (int column = 0; column < c.headings.size(); ++column) {
            EXPECT_EQ(c.model.headerData(column, Qt::Horizontal).toString(), c.headings[column]);
        }
        EXPECT_FALSE(c.model.headerData(static_cast<int>(c.headings.size()), Qt::Horizontal).isValid());
        EXPECT_FALSE(c.model.headerData(-1, Qt::Horizontal).isValid());
        EXPECT_FALSE(c.model.headerData(0, Qt::Vertical).isValid());
        EXPECT_FALSE(c.model.data(c.model.index(0, 0)).isValid()) << "no row before the history is read";
    }
}

// Shows data over 100 seconds from start, one a pixel; gives the plot's left edge.
int OneSecondAPixel(TimelineView& timeline, const TimelineData& data, std::int64_t start)
{
    timeline.resize(200, 200);
    timeline.resize(timeline.width() - timeline.PlotRect().width() + 100, 200);
    timeline.SetData(std::make_shared<TimelineData>(data));
    timeline.SetRange(start, start + 100);
    return timeline.PlotRect().left();
}

TEST_F(HistoryWindowTest, TimelineBreaksTheLineAtFailedChecksAndUnknownTime)
{
    const HistoryView view = ReadHistoryView(Log(), kTen + 3620);
    ASSERT_TRUE(view.error.empty()) << view.error;
    std::vector<std::pair<std::int64_t, bool>> samples;
    for (const RttSample& s : view.timeline.samples) {
        samples.emplace_back(s.time - kTen, s.joined);
    }
    const std::vector<std::pair<std::int64_t, bool>> expected = {
        {0, false}, {5, true}, {20, false}, {25, true}, {3602, false}, {3607, true}, {3617, false}};
    EXPECT_EQ(samples, expected);
    ASSERT_EQ(view.timeline.known.size(), 2u);
    EXPECT_EQ(view.timeline.known[0].start - kTen, 0);
    EXPECT_EQ(view.timeline.known[0].end - kTen, 26);
    EXPECT_EQ(view.timeline.outages.size(), 2u);

    TimelineView timeline;
    const int left = OneSecondAPixel(timeline, view.timeline, kTen);
    const struct
    {
        int second;
        const char* tells;
    } cases[] = {{5, "10:00:05  12.0 ms  degraded  2 echoes lost"},
                 {15, "10:00:15  Disconnected"},
                 {1, "10:00:01  Connected"},
                 {3, "10:00:03  Connected  degraded"},
                 {50, "10:00:50  no record"}};
    for (const auto& c : cases) {
        EXPECT_TRUE(timeline.TextAt(left + c.second).endsWith(QString::fromLatin1(c.tells)))
            << c.second << ": " << timeline.TextAt(left + c.second).toStdString();
    }
}

TEST_F(HistoryWindowTest, NewChecksDoNotMakeEveryCheckReadTheWholeHistoryAgain)
{
    HistoryWindow& w = Loaded(Log());
    w.HistoryGrew();
    EXPECT_FALSE(w.Loading()) << "read again within seconds of the last reading";
    w.hide();
    w.HistoryGrew();
    EXPECT_FALSE(w.Loading()) << "read again while nobody looks";
}

TEST(DecimateColumnsTest, KeepsMinMaxAndJoinsOnlyUnbrokenNeighbours)
{
    std::vector<RttSample> samples;
    for (int t = -1; t < 10; ++t) {
        samples.push_back(RttSample{t, static_cast<float>(t % 3 + 1), t != 6});
    }
    const std::vector<TimelineColumn> columns = DecimateColumns(samples, 0, 10, 5);
    ASSERT_EQ(columns.size(), 5u);
    const struct
    {
        float min, max, first, last;
        bool joined;
    } expected[] = {
        {1, 2, 1, 2, false}, {1, 3, 3, 1, true}, {2, 3, 2, 3, true}, {1, 2, 1, 2, false}, {1, 3, 3, 1, true}};
    for (std::size_t i = 0; i < columns.size(); ++i) {
        EXPECT_TRUE(columns[i].any) << i;
        EXPECT_EQ(columns[i].min, expected[i].min) << i;
        EXPECT_EQ(columns[i].max, expected[i].max) << i;
        EXPECT_EQ(columns[i].first, expected[i].first) << i;
        EXPECT_EQ(columns[i].last, expected[i].last) << i;
        EXPECT_EQ(columns[i].joinedToPrevious, expected[i].joined)
            << i << ": the sample before the range is off screen";
    }
    EXPECT_FALSE(DecimateColumns(samples, 20, 30, 4)[0].any);
}

TEST(LossSharesTest, AreTheLostEchoesOverThoseSentInEachColumn)
{
    TimelineData data;
    data.echoesFrom = 1000;
    data.echoesSent = {60, 60, 0, 120};
    // The last loss lies in a minute that counts no echo sent: its own count stands in.
    data.losses = {{1010, 5, 3}, {1070, 5, 5}, {1130, 5, 5}};
    const struct
    {
        std::int64_t start, end;
        std::vector<float> shares;
    } cases[] = {
        {1000, 1240, {3 / 60.f, 5 / 60.f, 1, 0}},
        {1000, 1120, {3 / 30.f, 0, 5 / 30.f, 0}},
        {1000, 1240, {8 / 120.f, 5 / 120.f}},
        {1030, 1090, {5 / 60.f}},
        {0, 900, {0, 0}},
    };
    for (const auto& c : cases) {
        const std::vector<float> shares = LossShares(data, c.start, c.end, static_cast<int>(c.shares.size()));
        ASSERT_EQ(shares.size(), c.shares.size());
        for (std::size_t i = 0; i < shares.size(); ++i) {
            EXPECT_NEAR(shares[i], c.shares[i], 1e-6) << c.start << " to " << c.end << ", column " << i;
        }
    }
}

TEST_F(HistoryWindowTest, ExportWritesTheReportsCsvAndAsksBeforeReplacing)
{
    HistoryWindow& w = Loaded(Log());
    folder = (temp.Path() / "out").string();
    std::filesystem::create_directories(folder);
    w.findChild<QPushButton*>(QStringLiteral("ExportCsv"))->click();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(ReadFile(std::filesystem::path(folder) / kOutagesCsvName), kOutagesCsv);
    EXPECT_EQ(ReadFile(std::filesystem::path(folder) / kUptimeCsvName), kUptimeCsv);

    WriteFile(std::filesystem::path(folder) / kUptimeCsvName, "mine");
    boxes.answer = false;
    w.ExportCsv();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].find("Replace"), std::string::npos);
    EXPECT_EQ(ReadFile(std::filesystem::path(folder) / kUptimeCsvName), "mine");

    folder = (temp.Path() / "no such folder").string();
    boxes.answer = true;
    w.ExportCsv();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_NE(boxes.shown[1].find("Cannot write '" + folder + "/" + kOutagesCsvName + "'"), std::string::npos)
        << boxes.shown[1];

    folder.clear();
    w.ExportCsv();
    EXPECT_EQ(boxes.shown.size(), 2u) << "a cancelled choice writes and tells nothing";
}

TEST_F(HistoryWindowTest, HistoryThatCannotBeReadIsToldInTheWindowAndNothingIsExported)
{
    // A folder where the log should be cannot be read; no log at all is only no history yet.
    const std::string folderLog = (temp.Path() / "folder.txt").string();
    std::filesystem::create_directories(folderLog);
    const std::pair<std::string, std::string> cases[] = {
        {folderLog, "Cannot read history file '" + folderLog + "': Is a directory"},
        {(temp.Path() / "missing.txt").string(), kNoHistoryMessage},
    };
    for (const auto& [log, told] : cases) {
        HistoryWindow& w = Loaded(log);
        const QString status = w.findChild<QLabel*>(QStringLiteral("HistoryStatus"))->text();
        EXPECT_TRUE(status.startsWith(QString::fromStdString(told))) << status.toStdString();
        EXPECT_FALSE(w.findChild<QPushButton*>(QStringLiteral("ExportCsv"))->isEnabled()) << log;
        EXPECT_EQ(w.OutagesTable()->model()->rowCount(), 0) << log;
    }
}

TEST_F(HistoryWindowTest, SaveReportWritesTheDaysOfTheRangeChosenAndTellsWhyItCannot)
{
    HistoryWindow& w = Loaded((temp.Path() / "net.txt").string());
    const std::string report = (temp.Path() / "chosen.html").string();
    dialog.result = report;
    // The last hour: today alone.
    w.findChild<QComboBox*>(QStringLiteral("RangeChoice"))->setCurrentIndex(0);
    w.findChild<QPushButton*>(QStringLiteral("SaveReport"))->click();
    EXPECT_EQ(dialog.suggested, kReportName);
    ASSERT_TRUE(std::filesystem::exists(report)) << (boxes.shown.empty() ? "" : boxes.shown.back());
    const std::string html = ReadFile(report);
    // As --report --from 2026-12-08 --to 2026-12-08 gives it.
    EXPECT_NE(html.find("<td>2026-12-08 to 2026-12-08</td>"), std::string::npos);
    EXPECT_NE(html.find("data-start=\"2026-12-08T10:00:10+00:00\" data-end=\"2026-12-08T10:00:20+00:00\" "
                        "data-duration-s=\"10\" data-cause=\"targets silent\""),
              std::string::npos);
    EXPECT_NE(html.find("test-pc"), std::string::npos);
    EXPECT_TRUE(boxes.shown.empty());

    // A folder where the file should go: told, and nothing written.
    std::filesystem::create_directory(temp.Path() / "taken.html");
    dialog.result = (temp.Path() / "taken.html").string();
    w.SaveReport();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0], "Cannot write the report '" + dialog.result + "': Is a directory");

    // Cancelled: nothing asked, nothing written.
    dialog.result.clear();
    const int calls = dialog.calls;
    w.SaveReport();
    EXPECT_EQ(dialog.calls, calls + 1);
    EXPECT_EQ(boxes.shown.size(), 1u);
}

} // namespace
} // namespace pellavane
