#include "app/main_window/qt_adapters.h"

#include "app/main_window/report_list_view.h"
#include "app/main_window/text_list_model.h"

#include <QApplication>
#include <QBuffer>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QImageWriter>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/main_window/tests/cursor_file.h"

#include <gtest/gtest.h>

namespace pellavane {
namespace {

using pellavane::testing::CursorFileBytes;

TEST(QtTimerTest, DesignedStateIsEnabledWithIntervalZeroAndDoesNotTick)
{
    int ticks = 0;
    QtTimer timer([&] { ++ticks; });
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 0);
    EXPECT_FALSE(timer.IsTicking());
    QTest::qWait(50);
    EXPECT_EQ(ticks, 0);
}

TEST(QtTimerTest, TicksOnlyWhileEnabledWithAnIntervalAboveZero)
{
    int ticks = 0;
    QtTimer timer([&] { ++ticks; });
    timer.SetInterval(5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 2; }, 2000));

    timer.SetEnabled(false);
    EXPECT_FALSE(timer.IsTicking());
    EXPECT_EQ(timer.Interval(), 5);
    const int stoppedAt = ticks;
    QTest::qWait(40);
    EXPECT_EQ(ticks, stoppedAt);

    timer.SetEnabled(true);
    timer.SetInterval(0);
    EXPECT_TRUE(timer.Enabled()) << "interval 0 stops the ticks but does not disable the timer";
    EXPECT_FALSE(timer.IsTicking());
    timer.SetInterval(5);
    EXPECT_TRUE(timer.IsTicking());
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks > stoppedAt; }, 2000));
}

TEST(QtTimerTest, WritingTheIntervalStartsAFullNewPeriod)
{
    QtTimer timer([] {});
    timer.SetInterval(10000);
    QTest::qWait(300);
    ASSERT_LT(timer.Timer().remainingTime(), 9800);
    timer.SetInterval(10000);
    EXPECT_GT(timer.Timer().remainingTime(), 9700);
}

TEST(QtTimerTest, EnablingAgainStartsAFullNewPeriodButEnablingWhileEnabledDoesNot)
{
    QtTimer timer([] {});
    timer.SetInterval(10000);
    QTest::qWait(300);
    timer.SetEnabled(true);
    EXPECT_LT(timer.Timer().remainingTime(), 9800);
    timer.SetEnabled(false);
    timer.SetEnabled(true);
    EXPECT_GT(timer.Timer().remainingTime(), 9700);
}

TEST(QtTimerTest, AShortFirstTickKeepsThroughADisabledSpellThenFullIntervalsFollow)
{
    int ticks = 0;
    QtTimer timer([&] { ++ticks; });
    timer.SetEnabled(false);
    timer.SetIntervalWithFirstTick(10000, 1);
    EXPECT_FALSE(timer.IsTicking());
    timer.SetEnabled(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks == 1; }, 2000));
    EXPECT_EQ(timer.Interval(), 10000);
    EXPECT_GT(timer.Timer().remainingTime(), 9700) << "the second tick is a full interval after the first";

    timer.SetIntervalWithFirstTick(10000, 5000);
    EXPECT_LE(timer.Timer().remainingTime(), 5000);
    timer.SetInterval(10000);
    EXPECT_GT(timer.Timer().remainingTime(), 9700) << "a plain write forgets the short first tick";
    EXPECT_THROW(timer.SetIntervalWithFirstTick(10000, 0), std::invalid_argument);
}

TEST(QtTimerTest, NegativeIntervalIsRefusedAndLeavesTheTimerAsItWas)
{
    QtTimer timer([] {});
    timer.SetInterval(1000);
    EXPECT_THROW(timer.SetInterval(-1), std::invalid_argument);
    EXPECT_EQ(timer.Interval(), 1000);
    EXPECT_TRUE(timer.IsTicking());
}

TEST(CaptionTest, CaptionsReadBackExactlyWhatWasWritten)
{
    QPushButton button;
    PushButtonCaption buttonCaption(button);
    buttonCaption.SetCaption("Turn Off Automatic Log");
    EXPECT_EQ(buttonCaption.Caption(), "Turn Off Automatic Log");
    buttonCaption.SetCaption("Save && Quit & Stay");
    EXPECT_EQ(buttonCaption.Caption(), "Save && Quit & Stay");

    QGroupBox box;
    GroupBoxCaption boxCaption(box);
    boxCaption.SetCaption("Next log will occur in 00:00:04");
    EXPECT_EQ(boxCaption.Caption(), "Next log will occur in 00:00:04");
    boxCaption.SetCaption("Ünïcödé — fine");
    EXPECT_EQ(boxCaption.Caption(), "Ünïcödé — fine");
}

TEST(QtProgressBarTest, MaximumZeroShowsAnEmptyBarNotABusyIndicator)
{
    QProgressBar bar;
    QtProgressBar control(bar);
    control.SetMaximum(0);
    control.SetPosition(0);
    EXPECT_LT(bar.minimum(), bar.maximum());
    EXPECT_EQ(bar.value(), bar.minimum());

    control.SetMaximum(5);
    control.SetPosition(3);
    EXPECT_EQ(bar.maximum(), 5);
    EXPECT_EQ(bar.value(), 3);

    control.SetPosition(9);
    EXPECT_EQ(bar.value(), 5) << "a position past the maximum shows a full bar";
    control.SetMaximum(-3);
    EXPECT_LT(bar.minimum(), bar.maximum());
    EXPECT_EQ(bar.value(), bar.minimum());
}

class ItemViewSelectionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (int i = 1; i <= 12; ++i)
            rows.AppendRow(QStringLiteral("Row %1").arg(i));
        view.setModel(&rows);
    }
    TextListModel rows;
    ReportListView view;
    ItemViewSelection selection{view};
};

TEST_F(ItemViewSelectionTest, NothingSelectedReadsAsNoRow)
{
    EXPECT_EQ(selection.SelectedText(), std::nullopt);
    EXPECT_EQ(selection.SelectedPosition(), std::nullopt);
}

TEST_F(ItemViewSelectionTest, SelectsByOneBasedPositionUpToTheLastRow)
{
    selection.SelectPosition(12);
    EXPECT_EQ(selection.SelectedText(), "Row 12");
    EXPECT_EQ(selection.SelectedPosition(), 12);
    selection.SelectPosition(1);
    EXPECT_EQ(selection.SelectedText(), "Row 1");
    EXPECT_EQ(view.selectionModel()->selectedIndexes().size(), 1);
}

TEST_F(ItemViewSelectionTest, PositionOutsideTheRowsFailsAndKeepsTheSelection)
{
    selection.SelectPosition(2);
    for (int position : {0, 13, -1}) {
        EXPECT_THROW(selection.SelectPosition(position), std::out_of_range) << position;
        EXPECT_EQ(selection.SelectedPosition(), 2);
    }
}

TEST_F(ItemViewSelectionTest, TellsItsOwnSelectingApartFromTheUsers)
{
    std::vector<bool> fromProgram;
    QObject::connect(view.selectionModel(), &QItemSelectionModel::selectionChanged,
                     [&] { fromProgram.push_back(selection.SelectingFromProgram()); });
    selection.SelectPosition(3);
    view.selectionModel()->select(rows.index(4), QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(fromProgram, (std::vector<bool>{true, false}));
}

TEST_F(ItemViewSelectionTest, ClickBelowTheLastRowKeepsTheSelection)
{
    rows.RemoveAllRows();
    rows.AppendRow("Only row");
    view.resize(200, 200);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    selection.SelectPosition(1);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(5, view.viewport()->height() - 5));
    EXPECT_EQ(selection.SelectedPosition(), 1);
}

TEST(WindowPointerTest, ValuesShowTheirCursorsAndReadBack)
{
    QWidget window;
    WindowPointer pointer(window);
    EXPECT_EQ(pointer.Pointer(), kPointerDefault);

    pointer.SetPointer(kPointerHourglass);
    EXPECT_EQ(pointer.Pointer(), kPointerHourglass);
    EXPECT_EQ(window.cursor().shape(), Qt::WaitCursor);
    pointer.SetPointer(kPointerCustom);
    EXPECT_EQ(window.cursor().shape(), Qt::PointingHandCursor);
    pointer.SetPointer(kPointerDefault);
    EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);

    EXPECT_THROW(pointer.SetPointer(5), std::invalid_argument);
    EXPECT_EQ(pointer.Pointer(), kPointerDefault);
}

TEST(WindowPointerTest, CustomImageReplacesThePointingHand)
{
    QWidget window;
    WindowPointer pointer(window);
    pointer.SetPointer(kPointerCustom);
    QPixmap image(16, 16);
    image.fill(Qt::red);
    pointer.SetCustomCursor(QCursor(image, 3, 4));
    EXPECT_EQ(window.cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(window.cursor().hotSpot(), QPoint(3, 4));
}

TEST(LoadCursorFileTest, LoadsTheImageWithItsHotSpot)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("HAND-M.CUR");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(CursorFileBytes(5, 7));
    file.close();

    const QCursor cursor = LoadCursorFile(path);
    EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
    EXPECT_EQ(cursor.hotSpot(), QPoint(5, 7));
    EXPECT_EQ(cursor.pixmap().size(), QSize(32, 32));
}

TEST(LoadCursorFileTest, MissingOrUnreadableFileFailsNamingThePath)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("HAND-M.CUR");
    try {
        LoadCursorFile(missing);
        FAIL() << "a missing file loaded";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(missing.toStdString()), std::string::npos) << e.what();
    }

    const QString text = dir.filePath("text.cur");
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("this is not a cursor at all, only some words");
    file.close();
    EXPECT_THROW(LoadCursorFile(text), std::runtime_error);

    const QString truncated = dir.filePath("truncated.cur");
    QFile cut(truncated);
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(CursorFileBytes(1, 1).left(40));
    cut.close();
    EXPECT_THROW(LoadCursorFile(truncated), std::runtime_error);
}

TEST(LabelRecordHealthTest, FailingShowsTheReasonUntilRecordsWorkAgain)
{
    QLabel label;
    label.resize(2000, 20);
    LabelRecordHealth health(label);
    EXPECT_TRUE(label.isHidden());
    health.RecordsFailing("Cannot open log file '/tmp/x/log.txt': Permission denied");
    EXPECT_FALSE(label.isHidden());
    EXPECT_TRUE(label.text().contains("Permission denied"));
    EXPECT_EQ(label.toolTip(), "Cannot open log file '/tmp/x/log.txt': Permission denied");
    health.RecordsWorkingAgain();
    EXPECT_TRUE(label.isHidden());
}

TEST(ReportBoxTextTest, ShowsDescriptionTagLineEmptyLineAndRequest)
{
    const QString shown =
        ReportBoxText(ErrorReportText("Disk full", HandlerTag("PushButton7_Click"), 110, "help@example.org"));
    EXPECT_EQ(shown.split('\n'),
              QStringList({"Disk full", "in Tessaroot2021/08/31.Form1.PushButton7_Click at line 110", "",
                           "Please email screenshot of this message to help@example.org"}));
    EXPECT_TRUE(ReportBoxText(ErrorReportText("", "t ", 1, "a")).startsWith('\n'));
}

// Answers the next modal box by reading it and pressing its only button.
struct BoxSeen
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Qt::TextFormat format = Qt::AutoText;
    int buttons = 0;
};

void DismissNextBox(BoxSeen& seen)
{
    QTimer::singleShot(0, [&seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            DismissNextBox(seen);
            return;
        }
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.format = box->textFormat();
        seen.buttons = static_cast<int>(box->buttons().size());
        box->button(QMessageBox::Ok)->click();
    });
}

TEST(MessageBoxErrorReporterTest, ShowsAWarningBoxWithOneOkButtonAndThePlainReport)
{
    MessageBoxErrorReporter reporter(nullptr, "help@example.org");
    BoxSeen seen;
    DismissNextBox(seen);
    reporter.ReportError(HandlerTag("Form_Load"), 164, "Index out of <b>bounds</b>");

    EXPECT_EQ(seen.title, "Application Error");
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.buttons, 1);
    EXPECT_EQ(seen.format, Qt::PlainText);
    EXPECT_EQ(seen.text, ReportBoxText(ErrorReportText("Index out of <b>bounds</b>", HandlerTag("Form_Load"),
                                                       164, "help@example.org")));
}

} // namespace
} // namespace pellavane
