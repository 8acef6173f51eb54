#pragma once

#include "app/app_config.h"
#include "core/event_pump.h"
#include "core/guarded_handler.h"
#include "engine/monitor/window_controls.h"

#include <QCursor>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAbstractItemView;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

namespace pellavane {

/** Timer1 on a QTimer. Enabled and the interval are kept apart from whether the QTimer runs: it
 *  runs exactly while enabled with an interval above 0. */
class QtTimer : public ITimer
{
public:
    /** onTick runs on each tick. */
    explicit QtTimer(std::function<void()> onTick);
    QtTimer(const QtTimer&) = delete;
    QtTimer& operator=(const QtTimer&) = delete;

    int Interval() const override { return m_interval; }
    void SetInterval(int milliseconds) override;
    void SetIntervalWithFirstTick(int milliseconds, int firstTick) override;
    bool Enabled() const override { return m_enabled; }
    void SetEnabled(bool enabled) override;

    /** True while ticks are due. */
    bool IsTicking() const { return m_timer.isActive(); }
    const QTimer& Timer() const noexcept { return m_timer; }

private:
    void Restart();

    QTimer m_timer;
    std::function<void()> m_onTick;
    int m_interval = 0;
    /** The delay of the next period's first tick until that tick has come; 0 for a full interval. */
    int m_firstTick = 0;
    bool m_enabled = true;
};

/** A frame's title as a caption; of a TitledFrame, the caption it shows. */
class GroupBoxCaption
{
public:
    explicit GroupBoxCaption(QGroupBox& box) : m_box(box) {}
    std::string Caption() const;
    void SetCaption(const std::string& caption);

private:
    QGroupBox& m_box;
};

/** A push button's text as a caption. */
class PushButtonCaption
{
public:
    explicit PushButtonCaption(QPushButton& button) : m_button(button) {}
    std::string Caption() const;
    void SetCaption(const std::string& caption);

private:
    QPushButton& m_button;
};

/** ProgressBar1. A maximum of 0 (or less) shows an empty bar; QProgressBar alone would turn such a
 *  range into a busy indicator. */
class QtProgressBar
{
public:
    explicit QtProgressBar(QProgressBar& bar);
    void SetMaximum(int maximum);
    void SetPosition(int position);
    /** Both at once, drawn once. */
    void Set(int maximum, int position);
    int Maximum() const noexcept { return m_maximum; }
    int Position() const noexcept { return m_position; }

private:
    void Show();

    QProgressBar& m_bar;
    int m_maximum = 100;
    int m_position = 0;
};

/** The selected row of a one-column list view. */
class ItemViewSelection
{
public:
    explicit ItemViewSelection(QAbstractItemView& view) : m_view(view) {}
    std::optional<std::string> SelectedText() const;
    std::optional<int> SelectedPosition() const;
    /** Selects the row at a 1-based position; throws std::out_of_range outside 1 to the row count. */
    void SelectPosition(int position);
    /** True while SelectPosition changes the selection, so that a user's choice can be told apart. */
    bool SelectingFromProgram() const noexcept { return m_selecting; }

private:
    QAbstractItemView& m_view;
    bool m_selecting = false;
};

inline constexpr int kPointerDefault = 0;
inline constexpr int kPointerHourglass = 11;
inline constexpr int kPointerCustom = 99;

/** The window's pointer value (kPointerDefault, kPointerHourglass or kPointerCustom), shown as the
 *  matching cursor over the window. */
class WindowPointer
{
public:
    explicit WindowPointer(QWidget& window);
    int Pointer() const { return m_pointer; }
    /** Throws std::invalid_argument for a value other than 0, 11 and 99. */
    void SetPointer(int pointer);
    /** The image shown for kPointerCustom; the system's pointing hand until one is set. */
    void SetCustomCursor(const QCursor& cursor);
    const QCursor& CustomCursor() const noexcept { return m_custom; }

private:
    QWidget& m_window;
    QCursor m_custom;
    int m_pointer = kPointerDefault;
};

/** Loads a Windows cursor file (.cur) with its hot spot. Throws std::runtime_error naming the path
 *  when the file cannot be read or holds no cursor image. */
QCursor LoadCursorFile(const QString& path);

/** Lets the queued window events run once. */
EventPump QtEventPump();

/** Scheduled record failures shown in a line of the window instead of a box on every tick. */
class LabelRecordHealth : public IRecordHealth
{
public:
    /** replaced give the label their place while records fail. */
    explicit LabelRecordHealth(QLabel& label, std::vector<QWidget*> replaced = {});
    void RecordsFailing(const std::string& reason) override;
    void RecordsWorkingAgain() override;

private:
    QLabel& m_label;
    std::vector<QWidget*> m_replaced;
};

/** The logging schedule shown in the window: Frame1's caption, ProgressBar1, PushButton5's caption,
 *  the pointer and the record health line. */
class WindowScheduleView : public IScheduleView
{
public:
    WindowScheduleView(GroupBoxCaption& frame1, PushButtonCaption& pushButton5, QtProgressBar& progressBar1,
                       WindowPointer& pointer, IRecordHealth& health)
        : m_frame1(frame1), m_pushButton5(pushButton5), m_progressBar1(progressBar1), m_pointer(pointer),
          m_health(health)
    {}
    void ShowCountdown(const std::string& text) override;
    void ShowProgress(int maximum, int position) override;
    void ShowSwitch(bool on) override;
    void ShowBusy(bool busy) override;
    void RecordsFailing(const std::string& reason) override { m_health.RecordsFailing(reason); }
    void RecordsWorkingAgain() override { m_health.RecordsWorkingAgain(); }

private:
    GroupBoxCaption& m_frame1;
    PushButtonCaption& m_pushButton5;
    QtProgressBar& m_progressBar1;
    WindowPointer& m_pointer;
    IRecordHealth& m_health;
};

/** The report box text as shown: the lone CRs and CR LFs of the report become line breaks. */
QString ReportBoxText(const std::string& reportText);

/** The failure report as a modal warning box with one OK button. */
class MessageBoxErrorReporter : public IErrorReporter
{
public:
    /** parent owns the box while it is up; supportAddress ends every report. */
    explicit MessageBoxErrorReporter(QWidget* parent, std::string supportAddress = PELLAVANE_SUPPORT_EMAIL);
    void ReportError(const std::string& tag, int line, const std::string& description) override;

private:
    QWidget* m_parent;
    std::string m_supportAddress;
};

inline constexpr const char* kErrorBoxCaption = "Application Error";

} // namespace pellavane
