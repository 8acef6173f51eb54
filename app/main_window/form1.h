#pragma once

#include "app/main_window/qt_adapters.h"
#include "app/main_window/report_list_view.h"
#include "app/main_window/status_list_model.h"
#include "app/main_window/text_list_model.h"
#include "app/main_window/ticking_label.h"
#include "app/main_window/titled_frame.h"
#include "engine/listeners/connection_summary.h"
#include "engine/monitor/recorder.h"
#include "engine/monitor/schedule.h"

#include <QFont>
#include <QRect>
#include <QWidget>

#include <string>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace pellavane {

/** Twips of the window's design to pixels at 96 dots per inch. */
int TwipsToPixels(int twips);
/** A design rectangle (left, top, width, height in twips) in pixels. */
QRect TwipsRect(int left, int top, int width, int height);

/** Arial 9 regular, the window's default font. */
QFont DefaultFont();
/** B9: Arial 9 bold. */
QFont FontB9();
/** B11: Arial 11.25 bold. */
QFont FontB11();

/** How many characters of text a label showing shown keeps before the ellipsis that Qt's
 *  right-hand eliding puts in: all of them when shown is text, -1 when shown is no cut of it. */
qsizetype SummaryCutAt(const QString& text, const QString& shown);

/** The main window: its controls laid out as designed, the pointer feedback over them, and the
 *  window's controls as the engine sees them. What the buttons do is wired by whoever owns the
 *  commands; the window only places them and reports the user's choices as signals. */
class Form1 : public QWidget
{
    Q_OBJECT
public:
    /** format makes the text of each status row; StatusLine in the program. */
    explicit Form1(StatusRowFormatter format, QWidget* parent = nullptr);
    ~Form1() override;

    ReportListView* ListView1() const noexcept { return m_listView1; }
    ReportListView* ListView2() const noexcept { return m_listView2; }
    QPushButton* PushButton1() const noexcept { return m_pushButton1; }
    QPushButton* PushButton2() const noexcept { return m_pushButton2; }
    QPushButton* PushButton3() const noexcept { return m_pushButton3; }
    QPushButton* PushButton4() const noexcept { return m_pushButton4; }
    QPushButton* PushButton5() const noexcept { return m_pushButton5; }
    QPushButton* PushButton6() const noexcept { return m_pushButton6; }
    QPushButton* PushButton7() const noexcept { return m_pushButton7; }
    QGroupBox* Frame1() const noexcept { return m_frame1; }
    QGroupBox* Frame2() const noexcept { return m_frame2; }
    QGroupBox* Frame3() const noexcept { return m_frame3; }
    QCheckBox* Check4() const noexcept { return m_check4; }
    QCheckBox* Check8() const noexcept { return m_check8; }
    QLineEdit* Text1() const noexcept { return m_text1; }
    QProgressBar* ProgressBar1() const noexcept { return m_progressBar1; }
    QLabel* LinkHistory() const noexcept { return m_linkHistory; }

    /** ListView1's rows. */
    StatusListModel& StatusList() noexcept { return m_statusList; }
    /** The cause of the check recorded last, named by the summary line while disconnected. */
    void SetSummaryCause(const std::string& cause);
    /** Why the connection is degraded, named by the summary line while connected; empty for none. */
    void SetSummaryDegraded(const std::string& why);
    /** The family lost while the other works, named by the summary line while connected; empty for
     *  none. */
    void SetSummaryFamilyLost(const std::string& text);
    /** ListView2's rows. */
    TextListModel& IntervalRows() noexcept { return m_intervalRows; }
    /** ListView2's selection; selecting from here does not raise IntervalChosen. */
    ItemViewSelection& IntervalSelection() noexcept { return m_intervalSelection; }
    QtTimer& Timer1() noexcept { return m_timer1; }
    GroupBoxCaption& Frame1Caption() noexcept { return m_frame1Caption; }
    PushButtonCaption& PushButton5Caption() noexcept { return m_pushButton5Caption; }
    QtProgressBar& ProgressBar1Control() noexcept { return m_progressBar1Control; }
    WindowPointer& Pointer() noexcept { return m_pointer; }
    IRecordHealth& RecordHealth() noexcept { return m_recordHealth; }
    /** The logging schedule as the window shows it. */
    IScheduleView& ScheduleView() noexcept { return m_scheduleView; }

signals:
    /** A tick of Timer1. */
    void Timer1Tick();
    /** The user selected another row of ListView2. */
    void IntervalChosen();
    /** The user followed LinkHistory. */
    void HistoryRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void RefreshSummary();

    enum class PointerZone
    {
        Button,
        Surface,
        Untouched
    };
    PointerZone ZoneAt(const QPoint& globalPosition) const;
    void FollowPointer(const QPoint& globalPosition);
    void WatchPointer(QWidget* widget);

    StatusListModel m_statusList;
    TextListModel m_intervalRows;

    TitledFrame* m_frame1;
    QProgressBar* m_progressBar1;
    QLabel* m_recordHealthLabel;
    TickingLabel* m_labelSummary;
    QLabel* m_linkHistory;
    ReportListView* m_listView1;
    ReportListView* m_listView2;
    QGroupBox* m_frame2;
    QCheckBox* m_check8;
    QCheckBox* m_check4;
    QGroupBox* m_frame3;
    QLineEdit* m_text1;
    QPushButton* m_pushButton7;
    QPushButton* m_pushButton5;
    QPushButton* m_pushButton6;
    QPushButton* m_pushButton1;
    QPushButton* m_pushButton2;
    QPushButton* m_pushButton3;
    QPushButton* m_pushButton4;

    ItemViewSelection m_intervalSelection;
    QtTimer m_timer1;
    GroupBoxCaption m_frame1Caption;
    PushButtonCaption m_pushButton5Caption;
    QtProgressBar m_progressBar1Control;
    WindowPointer m_pointer;
    LabelRecordHealth m_recordHealth;
    ConnectionSummary m_summary;
    WindowScheduleView m_scheduleView;
    bool m_centred = false;
};

} // namespace pellavane
