#include "app/main_window/form1.h"

#include "app/main_window/text_width.h"

#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <ctime>
#include <utility>

namespace pellavane {
namespace {

std::string RowText(std::time_t t, bool connected)
{
    return std::to_string(t) + (connected ? " up" : " down");
}

class Form1Test : public ::testing::Test
{
protected:
    template <class T = QWidget>
    T* Find(const char* name)
    {
        T* widget = form.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    void Show()
    {
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    }

    /** A mouse move as the window system delivers it: to the widget under the point, at local. */
    void MoveOver(QWidget* widget, QPoint local = QPoint(-1, -1))
    {
        if (auto* view = qobject_cast<QAbstractItemView*>(widget))
            widget = view->viewport();
        if (local == QPoint(-1, -1))
            local = widget->rect().center();
        QMouseEvent move(QEvent::MouseMove, local, widget->mapToGlobal(local), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &move);
    }

    Form1 form{RowText};
};

struct Designed
{
    const char* name;
    const char* className;
    const char* container;
    const char* caption;
    int left, top, width, height; // twips
    double points;
};

constexpr Designed kDesign[] = {
    {"ListView1", "pellavane::ReportListView", "Form1", nullptr, 120, 1080, 7800, 2535, 9},
    {"PushButton5", "QPushButton", "Form1", "Turn On Automatic Logging", 120, 7060, 3840, 405, 11.25},
    {"PushButton6", "QPushButton", "Form1", "Log Current Status Now (Test)", 4080, 7060, 3840, 405, 11.25},
    {"PushButton1", "QPushButton", "Form1", "View History Log", 120, 7570, 3840, 405, 11.25},
    {"PushButton2", "QPushButton", "Form1", "Copy History To Clipboard", 4080, 7570, 3840, 405, 11.25},
    {"Frame2", "QGroupBox", "Form1", "Startup Options", 120, 5340, 7800, 735, 9},
    {"Check8", "QCheckBox", "Frame2", "Minimized to system tray", 4200, 300, 2580, 285, 9},
    {"Check4", "QCheckBox", "Frame2", "Load this software when I log in", 240, 300, 3930, 285, 9},
    {"PushButton3", "QPushButton", "Form1", "Help", 120, 8080, 3840, 405, 11.25},
    {"PushButton4", "QPushButton", "Form1", "Clear History Log", 4080, 8080, 3840, 405, 11.25},
    {"Frame3", "QGroupBox", "Form1", "Log File", 120, 6120, 7800, 820, 9},
    {"Text1", "QLineEdit", "Frame3", "", 240, 300, 6495, 345, 9},
    {"PushButton7", "QPushButton", "Frame3", "...", 6840, 300, 720, 345, 11.25},
    {"ListView2", "pellavane::ReportListView", "Form1", nullptr, 120, 3700, 7800, 1590, 9},
    {"Frame1", "QGroupBox", "Form1", "Next log will occur in", 120, 120, 7800, 840, 9},
    {"ProgressBar1", "QProgressBar", "Frame1", nullptr, 240, 285, 7320, 405, 9},
};

QString CaptionOf(QWidget* widget)
{
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    if (auto* frame = qobject_cast<QGroupBox*>(widget))
        return frame->title();
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return edit->text();
    return {};
}

TEST_F(Form1Test, EveryControlHasItsDesignedClassContainerCaptionPlaceAndBoldFont)
{
    for (const Designed& d : kDesign) {
        SCOPED_TRACE(d.name);
        QWidget* widget = Find(d.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(widget->inherits(d.className)) << widget->metaObject()->className();
        ASSERT_NE(widget->parentWidget(), nullptr);
        EXPECT_EQ(widget->parentWidget()->objectName().toStdString(), d.container);
        if (d.caption != nullptr) {
            EXPECT_EQ(CaptionOf(widget).toStdString(), d.caption);
        }
        const QRect pixels(qRound(d.left / 15.0), qRound(d.top / 15.0), qRound(d.width / 15.0),
                           qRound(d.height / 15.0));
        EXPECT_EQ(widget->geometry(), pixels);
        EXPECT_TRUE(widget->font().bold());
        EXPECT_DOUBLE_EQ(widget->font().pointSizeF(), d.points);
        EXPECT_EQ(widget->font().family(), "Arial");
    }
}

TEST_F(Form1Test, WindowIsAFixedWhiteClientAreaWithArialNineAndItsIcon)
{
    EXPECT_EQ(form.size(), QSize(536, 574));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_TRUE(form.autoFillBackground());
    EXPECT_EQ(form.font().family(), "Arial");
    EXPECT_DOUBLE_EQ(form.font().pointSizeF(), 9);
    EXPECT_FALSE(form.font().bold());
    EXPECT_FALSE(form.windowIcon().isNull());
    EXPECT_EQ(form.windowIcon().availableSizes().value(0), QSize(32, 32));
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(Form1Test, ArialResolvesToAFaceWithItsMetricsWhereArialIsMissing)
{
    const QString family = QFontInfo(FontB11()).family();
    EXPECT_TRUE(family == "Arial" || family == "Liberation Sans" || family == "Arimo")
        << family.toStdString();
    EXPECT_TRUE(QFontInfo(FontB11()).bold());
}

TEST_F(Form1Test, ThereIsNoHiddenTextCarrierOffTheClientArea)
{
    for (QWidget* child : form.findChildren<QWidget*>()) {
        if (child->parentWidget() == &form) {
            EXPECT_TRUE(form.rect().contains(child->geometry())) << child->objectName().toStdString();
        }
    }
    EXPECT_EQ(form.findChild<QWidget*>("RichTextBox1"), nullptr);
}

TEST_F(Form1Test, TabVisitsTheControlsInTableOrderStartingAtTheStatusList)
{
    Show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_EQ(QApplication::focusWidget(), Find("ListView1"));

    const std::vector<std::string> expected = {"PushButton5", "PushButton6", "PushButton1", "PushButton2",
                                               "Check8",      "Check4",      "PushButton3", "PushButton4",
                                               "Text1",       "PushButton7", "ListView2",   "ListView1"};
    std::vector<std::string> visited;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(QApplication::focusWidget()->objectName().toStdString());
    }
    EXPECT_EQ(visited, expected);
}

TEST_F(Form1Test, FirstShowCentresTheWindowOnItsScreen)
{
    Show();
    const QPoint centre = form.screen()->availableGeometry().center();
    EXPECT_LE((form.frameGeometry().center() - centre).manhattanLength(), 2);
}

TEST_F(Form1Test, HandOverButtonsArrowOverFramesListsAndTheWindow)
{
    Show();
    WindowPointer& pointer = form.Pointer();
    MoveOver(Find("PushButton5"));
    EXPECT_EQ(pointer.Pointer(), kPointerCustom);
    EXPECT_EQ(form.cursor().shape(), Qt::PointingHandCursor);
    MoveOver(Find("PushButton6"));
    EXPECT_EQ(pointer.Pointer(), kPointerCustom) << "button to button keeps the hand";
    MoveOver(Find("Frame2"), QPoint(200, 40));
    EXPECT_EQ(pointer.Pointer(), kPointerDefault);
    EXPECT_EQ(form.cursor().shape(), Qt::ArrowCursor);

    MoveOver(Find("PushButton7"));
    EXPECT_EQ(pointer.Pointer(), kPointerCustom) << "the button inside a frame counts as a button";
    MoveOver(Find("ListView2"));
    EXPECT_EQ(pointer.Pointer(), kPointerDefault);

    MoveOver(Find("PushButton1"));
    MoveOver(Find<ReportListView>("ListView1")->Header());
    EXPECT_EQ(pointer.Pointer(), kPointerDefault) << "the list's heading is part of the list";

    MoveOver(Find("PushButton1"));
    MoveOver(&form, QPoint(3, 300));
    EXPECT_EQ(pointer.Pointer(), kPointerDefault) << "the window's own surface";

    MoveOver(Find("PushButton1"));
    MoveOver(Find("Frame1"), QPoint(5, 50));
    EXPECT_EQ(pointer.Pointer(), kPointerDefault);
}

TEST_F(Form1Test, TextBoxCheckBoxesAndProgressBarLeaveThePointerAlone)
{
    Show();
    WindowPointer& pointer = form.Pointer();
    for (const char* name : {"Text1", "Check4", "Check8", "ProgressBar1"}) {
        MoveOver(Find("PushButton3"));
        ASSERT_EQ(pointer.Pointer(), kPointerCustom);
        MoveOver(Find(name));
        EXPECT_EQ(pointer.Pointer(), kPointerCustom) << name;

        MoveOver(Find("Frame3"), QPoint(3, 40));
        ASSERT_EQ(pointer.Pointer(), kPointerDefault);
        MoveOver(Find(name));
        EXPECT_EQ(pointer.Pointer(), kPointerDefault) << name;
    }
}

TEST_F(Form1Test, HourglassStaysWhereverTheMouseMoves)
{
    Show();
    form.Pointer().SetPointer(kPointerHourglass);
    for (const char* name : {"PushButton5", "Frame1", "ListView1", "ListView2", "PushButton7", "Frame3"}) {
        MoveOver(Find(name));
        EXPECT_EQ(form.Pointer().Pointer(), kPointerHourglass) << name;
    }
    EXPECT_EQ(form.cursor().shape(), Qt::WaitCursor);
}

TEST_F(Form1Test, EnteringAButtonShowsTheHandBeforeAnyMove)
{
    Show();
    QWidget* button = Find("PushButton4");
    const QPoint local = button->rect().center();
    QEnterEvent enter(local, button->mapTo(&form, local), button->mapToGlobal(local));
    QCoreApplication::sendEvent(button, &enter);
    EXPECT_EQ(form.Pointer().Pointer(), kPointerCustom);
}

TEST_F(Form1Test, UsersChoiceOfIntervalIsSignalledButTheProgramsIsNot)
{
    for (int i = 1; i <= 12; ++i)
        form.IntervalRows().AppendRow(QStringLiteral("Row %1").arg(i));
    Show();
    QSignalSpy chosen(&form, &Form1::IntervalChosen);
    form.IntervalSelection().SelectPosition(2);
    EXPECT_EQ(chosen.count(), 0);

    auto* list = Find<ReportListView>("ListView2");
    const QRect row = list->visualRect(form.IntervalRows().index(3));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
    EXPECT_EQ(chosen.count(), 1);
    EXPECT_EQ(form.IntervalSelection().SelectedPosition(), 4);

    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, row.center());
    EXPECT_EQ(form.IntervalSelection().SelectedPosition(), 4) << "control-click does not clear the choice";
}

TEST_F(Form1Test, Timer1TicksReachTheWindowsSignal)
{
    QSignalSpy ticks(&form, &Form1::Timer1Tick);
    form.Timer1().SetInterval(5);
    EXPECT_TRUE(ticks.wait(2000));
    form.Timer1().SetInterval(0);
}

TEST_F(Form1Test, StatusListShowsRowsThroughTheFormatterAndKeepsItsColumnWidthAcrossAClear)
{
    auto* list = Find<ReportListView>("ListView1");
    form.StatusList().SetHeading("Internet Connection Status");
    list->SetColumnWidth(TwipsToPixels(7000));
    form.StatusList().AppendStatusRow(100, true);
    form.StatusList().AppendStatusRow(200, false);
    Show();

    EXPECT_EQ(list->Header()->model()->headerData(0, Qt::Horizontal).toString(),
              "Internet Connection Status");
    EXPECT_EQ(list->indexAt(list->visualRect(form.StatusList().index(1)).center()).data().toString(),
              "200 down");
    form.StatusList().RemoveAllRows();
    EXPECT_EQ(list->ColumnWidth(), 467);
    EXPECT_FALSE(list->indexAt(QPoint(5, 5)).isValid());
}

TEST_F(Form1Test, AMillionRowStatusListScrollsAndStepsToItsLastRow)
{
    for (int i = 0; i < 1'000'000; ++i)
        form.StatusList().AppendStatusRow(i, true);
    Show();
    auto* list = Find<ReportListView>("ListView1");
    const QModelIndex last = form.StatusList().index(999'999);
    list->scrollTo(last);
    const QRect shown = list->visualRect(last);
    EXPECT_TRUE(list->viewport()->rect().contains(shown)) << "row drawn inside the list";
    EXPECT_EQ(list->indexAt(shown.center()), last);
    list->setCurrentIndex(form.StatusList().index(0));
    QTest::keyClick(list, Qt::Key_End);
    EXPECT_EQ(list->currentIndex(), last);
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(list->currentIndex().row(), 999'998);
}

TEST_F(Form1Test, RecordHealthShowsInsideTheCountdownFrameWithoutMovingAnything)
{
    Show();
    auto* label = Find<QLabel>("RecordHealth");
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->isHidden());
    form.RecordHealth().RecordsFailing(
        "Cannot open log file '/home/ann/a/rather/long/folder/name/Pellavane Log.txt': Permission denied");
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(label->parentWidget(), Find("Frame1"));
    EXPECT_FALSE(label->geometry().intersects(Find("ProgressBar1")->geometry()));
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
        << "long reasons are cut short";
    EXPECT_EQ(
        label->toolTip(),
        "Cannot open log file '/home/ann/a/rather/long/folder/name/Pellavane Log.txt': Permission denied");
    form.RecordHealth().RecordsWorkingAgain();
    EXPECT_TRUE(label->isHidden());
}

TEST_F(Form1Test, SummaryHasTheFailureNoticesPlaceAndGivesItBackWhileLoggingFails)
{
    Show();
    auto* summary = Find<QLabel>("LabelSummary");
    ASSERT_NE(summary, nullptr);
    EXPECT_EQ(summary->parentWidget(), Find("Frame1"));
    auto* link = Find<QLabel>("LinkHistory");
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(summary->geometry().united(link->geometry()), Find<QLabel>("RecordHealth")->geometry());
    EXPECT_FALSE(summary->geometry().intersects(link->geometry()));
    EXPECT_EQ(link->parentWidget(), Find("Frame1"));
    EXPECT_TRUE(summary->isVisible());
    EXPECT_TRUE(link->isVisible());
    int requests = 0;
    QObject::connect(&form, &Form1::HistoryRequested, [&] { ++requests; });
    QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center() + QPoint(link->width() / 4, 0));
    EXPECT_EQ(requests, 1) << "following the link asks for the history";
    const std::time_t now = std::time(nullptr);
    form.StatusList().AppendStatusRow(now - 10, false);
    form.StatusList().AppendStatusRow(now - 5, true);
    EXPECT_TRUE(summary->toolTip().startsWith(QStringLiteral("Connected for ")))
        << summary->toolTip().toStdString();
    EXPECT_TRUE(summary->toolTip().contains(QStringLiteral("outage"))) << summary->toolTip().toStdString();
    form.RecordHealth().RecordsFailing("Cannot open log file 'x': Permission denied");
    EXPECT_TRUE(summary->isHidden());
    EXPECT_TRUE(link->isHidden());
    form.RecordHealth().RecordsWorkingAgain();
    EXPECT_TRUE(summary->isVisible());
    EXPECT_TRUE(link->isVisible());
    form.StatusList().RemoveAllRows();
    EXPECT_TRUE(summary->text().isEmpty());
}

TEST(SummaryCutTest, FindsWhereAnElidedTextWasCut)
{
    const std::pair<const char*, qsizetype> cases[] = {
        {"Connected for 4 s", 17},      {"Connected for\u2026", 13}, {"Connected f...", 11},
        {"Disconnected for\u2026", -1}, {"Connected", -1},           {"", -1},
    };
    for (const auto& [shown, kept] : cases)
        EXPECT_EQ(SummaryCutAt(QStringLiteral("Connected for 4 s"), QString::fromUtf8(shown)), kept) << shown;
}

TEST(SummaryCutTest, KeepingTheCutOfATextThatTickedIsWhatQtWouldCut)
{
    // Each width cuts the summary somewhere else: inside the seconds, after them, in the tail.
    const QFont font = FontB9();
    const QFontMetrics metrics(font);
    TickWidth widths(font);
    int kept = 0;
    for (const int width : {60, 95, 120, 150, 180, 400}) {
        QString before = QStringLiteral("Connected for 23 s \u00b7 1 outage today (11 min 10 s)");
        QString shown = metrics.elidedText(before, Qt::ElideRight, width);
        for (const char* next : {"Connected for 24 s \u00b7 1 outage today (11 min 10 s)",
                                 "Connected for 25 s \u00b7 1 outage today (11 min 10 s)",
                                 "Connected for 11 s \u00b7 1 outage today (11 min 10 s)",
                                 "Connected for 17 s \u00b7 1 outage today (11 min 10 s)"}) {
            const QString after = QString::fromUtf8(next);
            const qsizetype cut = SummaryCutAt(before, shown);
            ASSERT_GE(cut, 0) << width;
            const QString expected = metrics.elidedText(after, Qt::ElideRight, width);
            if (widths.SameWidth(before, after)) {
                EXPECT_EQ(after.left(cut) + shown.mid(cut), expected) << width << " " << next;
                ++kept;
            }
            before = after;
            shown = expected;
        }
    }
    EXPECT_GE(kept, 12) << "most ticks keep the cut";
}

TEST_F(Form1Test, ACountdownTickRepaintsNeitherTheFrameNorTheBarNorTheWindow)
{
    Show();
    form.ScheduleView().ShowProgress(86400, 1);
    form.ScheduleView().ShowCountdown("Next log will occur in 23:59:59");
    QTest::qWait(20);
    struct Counter : QObject
    {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    for (const char* name : {"Frame1", "ProgressBar1"})
        Find(name)->installEventFilter(&counter);
    form.installEventFilter(&counter);
    form.ScheduleView().ShowProgress(86400, 2);
    form.ScheduleView().ShowCountdown("Next log will occur in 23:59:58");
    QTest::qWait(20);
    EXPECT_EQ(counter.paints, 0);
    EXPECT_EQ(form.Frame1Caption().Caption(), "Next log will occur in 23:59:58");

    Find("ProgressBar1")->removeEventFilter(&counter);
    form.ScheduleView().ShowProgress(300, 150);
    QTest::qWait(20);
    EXPECT_EQ(counter.paints, 0) << "a step of the bar repaints the bar alone";
}

} // namespace
} // namespace pellavane
