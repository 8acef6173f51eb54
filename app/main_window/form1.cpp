#include "app/main_window/form1.h"

#include "app/app_config.h"
#include "app/main_window/opaque_progress_bar.h"
#include "app/main_window/text_width.h"

#include <QApplication>
#include <QCheckBox>
#include <QEnterEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <ctime>

// Resources of a static library are linked only when something names them.
static void InitIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace pellavane {

namespace {

constexpr int kTwipsPerPixel = 15;

/** A one-word link: plain text in the look of a link that tells its link as activated when it is
 *  clicked, as a rich-text label does. A rich-text label draws the same through a text document
 *  and its layout: half a megabyte of memory for the one word. */
class LinkLabel : public QLabel
{
public:
    LinkLabel(QWidget* parent, QString link) : QLabel(parent), m_link(std::move(link))
    {
        setTextFormat(Qt::PlainText);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        m_pressed = event->button() == Qt::LeftButton;
        event->setAccepted(m_pressed);
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        const bool clicked =
            m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
        m_pressed = false;
        event->setAccepted(clicked);
        if (clicked)
            emit linkActivated(m_link);
    }

private:
    QString m_link;
    bool m_pressed = false;
};

QFont ArialFont(double points, bool bold)
{
    // Where Arial is missing, a face with the same metrics keeps every caption inside its control.
    static const bool substituted = [] {
        QFont::insertSubstitutions(QStringLiteral("Arial"),
                                   {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")});
        return true;
    }();
    (void)substituted;
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

template <class Widget>
Widget* Place(Widget* widget, const char* name, const QRect& geometry, const QFont& font)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    widget->setFont(font);
    return widget;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, const QRect& geometry)
{
    auto* button = Place(new QPushButton(QString::fromLatin1(caption), parent), name, geometry, FontB11());
    button->setAutoDefault(false);
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, Qt::white);
    button->setPalette(palette);
    return button;
}

template <class Frame = QGroupBox>
Frame* MakeFrame(QWidget* parent, const char* name, const char* caption, const QRect& geometry)
{
    auto* frame = Place(new Frame(QString::fromLatin1(caption), parent), name, geometry, FontB9());
    frame->setAutoFillBackground(true);
    // The caption sits in the top edge of the border, leaving the whole inside to the controls that
    // are placed there; the stock style would put it above a tinted box.
    frame->setStyleSheet(QStringLiteral("QGroupBox { background: white; border: 1px solid #a0a0a0; "
                                        "border-radius: 2px; margin-top: 7px; }"
                                        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: "
                                        "top left; left: 6px; padding: 0px 2px; }"
                                        "QCheckBox { background: white; }"));
    return frame;
}

ReportListView* MakeList(QWidget* parent, const char* name, const QRect& geometry, QAbstractItemModel& model)
{
    auto* view = Place(new ReportListView(parent), name, geometry, FontB9());
    view->setModel(&model);
    view->Header()->setFont(FontB9());
    return view;
}

} // namespace

int TwipsToPixels(int twips)
{
    return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

QRect TwipsRect(int left, int top, int width, int height)
{
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height));
}

QFont DefaultFont()
{
    return ArialFont(9, false);
}

QFont FontB9()
{
    return ArialFont(9, true);
}

QFont FontB11()
{
    return ArialFont(11.25, true);
}

Form1::Form1(StatusRowFormatter format, QWidget* parent)
    : QWidget(parent), m_statusList(std::move(format)),
      m_frame1(
          MakeFrame<TitledFrame>(this, "Frame1", "Next log will occur in", TwipsRect(120, 120, 7800, 840))),
      m_progressBar1(
          Place(new OpaqueProgressBar(m_frame1), "ProgressBar1", TwipsRect(240, 285, 7320, 405), FontB9())),
      m_recordHealthLabel(new QLabel(m_frame1)), m_labelSummary(new TickingLabel(m_frame1)),
      m_linkHistory(new LinkLabel(m_frame1, QStringLiteral("history"))),
      m_listView1(MakeList(this, "ListView1", TwipsRect(120, 1080, 7800, 2535), m_statusList)),
      m_listView2(MakeList(this, "ListView2", TwipsRect(120, 3700, 7800, 1590), m_intervalRows)),
      m_frame2(MakeFrame(this, "Frame2", "Startup Options", TwipsRect(120, 5340, 7800, 735))),
      m_check8(Place(new QCheckBox(QStringLiteral("Minimized to system tray"), m_frame2), "Check8",
                     TwipsRect(4200, 300, 2580, 285), FontB9())),
      m_check4(Place(new QCheckBox(QStringLiteral(PELLAVANE_START_AT_LOG_ON_CAPTION), m_frame2), "Check4",
                     TwipsRect(240, 300, 3930, 285), FontB9())),
      m_frame3(MakeFrame(this, "Frame3", "Log File", TwipsRect(120, 6120, 7800, 820))),
      m_text1(Place(new QLineEdit(m_frame3), "Text1", TwipsRect(240, 300, 6495, 345), FontB9())),
      m_pushButton7(MakeButton(m_frame3, "PushButton7", "...", TwipsRect(6840, 300, 720, 345))),
      m_pushButton5(MakeButton(this, "PushButton5", kCaptionDesigned, TwipsRect(120, 7060, 3840, 405))),
      m_pushButton6(
          MakeButton(this, "PushButton6", "Log Current Status Now (Test)", TwipsRect(4080, 7060, 3840, 405))),
      m_pushButton1(MakeButton(this, "PushButton1", "View History Log", TwipsRect(120, 7570, 3840, 405))),
      m_pushButton2(
          MakeButton(this, "PushButton2", "Copy History To Clipboard", TwipsRect(4080, 7570, 3840, 405))),
      m_pushButton3(MakeButton(this, "PushButton3", "Help", TwipsRect(120, 8080, 3840, 405))),
      m_pushButton4(MakeButton(this, "PushButton4", "Clear History Log", TwipsRect(4080, 8080, 3840, 405))),
      m_intervalSelection(*m_listView2), m_timer1([this] { emit Timer1Tick(); }), m_frame1Caption(*m_frame1),
      m_pushButton5Caption(*m_pushButton5), m_progressBar1Control(*m_progressBar1), m_pointer(*this),
      m_recordHealth(*m_recordHealthLabel, {m_labelSummary, m_linkHistory}),
      m_scheduleView(m_frame1Caption, m_pushButton5Caption, m_progressBar1Control, m_pointer, m_recordHealth)
{
    InitIconResources();
    setObjectName(QStringLiteral("Form1"));
    setFont(DefaultFont());
    setFixedSize(TwipsToPixels(8040), TwipsToPixels(8610));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setWindowIcon(QIcon(QStringLiteral(":/icons/pellavane-32.png")));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setAutoFillBackground(true);

    m_progressBar1->setTextVisible(false);
    m_progressBar1Control.SetMaximum(0);

    // Sits on the right of Frame1's top edge, clear of the countdown caption and the bar.
    m_recordHealthLabel->setObjectName(QStringLiteral("RecordHealth"));
    m_recordHealthLabel->setGeometry(
        QRect(QPoint(m_frame1->width() / 2, 0), QSize(m_frame1->width() / 2 - 8, 17)));
    m_recordHealthLabel->setFont(FontB9());
    m_recordHealthLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_recordHealthLabel->setAutoFillBackground(true);
    QPalette warning = m_recordHealthLabel->palette();
    warning.setColor(QPalette::WindowText, QColor(0xb0, 0x00, 0x00));
    m_recordHealthLabel->setPalette(warning);
    m_recordHealthLabel->hide();

    // The summary and its link have the failure notice's place, which takes it back while logging
    // fails; the link keeps the right end, so a long summary is cut short before it.
    m_linkHistory->setObjectName(QStringLiteral("LinkHistory"));
    QFont linkFont = FontB9();
    linkFont.setUnderline(true);
    m_linkHistory->setFont(linkFont);
    m_linkHistory->setText(QStringLiteral("History\u2026"));
    m_linkHistory->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_linkHistory->setAutoFillBackground(true);
    m_linkHistory->setToolTip(QStringLiteral("Connection History (Ctrl+H)"));
    const QRect notice = m_recordHealthLabel->geometry();
    const int linkWidth =
        m_linkHistory->fontMetrics().horizontalAdvance(QStringLiteral("History\u2026")) + 10;
    m_linkHistory->setGeometry(
        QRect(notice.right() - linkWidth + 1, notice.top(), linkWidth, notice.height()));
    connect(m_linkHistory, &QLabel::linkActivated, this, [this] { emit HistoryRequested(); });
    m_labelSummary->setObjectName(QStringLiteral("LabelSummary"));
    m_labelSummary->setGeometry(QRect(notice.topLeft(), QSize(notice.width() - linkWidth, notice.height())));
    m_labelSummary->setFont(FontB9());
    m_labelSummary->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_labelSummary->setAutoFillBackground(true);
    // Both lines keep their place whatever their text, so a new text is no reason to lay the frame out.
    m_recordHealthLabel->setFixedSize(m_recordHealthLabel->size());
    m_labelSummary->setFixedSize(m_labelSummary->size());
    // On the frame's white, as the caption beside it is; the default fill is the window's grey.
    for (QLabel* label : {static_cast<QLabel*>(m_labelSummary), m_linkHistory}) {
        QPalette white = label->palette();
        white.setColor(QPalette::Window, Qt::white);
        label->setPalette(white);
    }
    QPalette link = m_linkHistory->palette();
    link.setColor(QPalette::WindowText, link.color(QPalette::Link));
    m_linkHistory->setPalette(link);
    const auto refreshSummary = [this] { RefreshSummary(); };
    connect(&m_statusList, &QAbstractItemModel::rowsInserted, this,
            [this, refreshSummary](const QModelIndex&, int first, int last) {
                for (int row = first; row <= last; ++row) {
                    m_summary.Add(static_cast<std::int64_t>(m_statusList.RowTime(row)),
                                  m_statusList.RowConnected(row));
                }
                refreshSummary();
            });
    connect(&m_statusList, &QAbstractItemModel::modelReset, this, [this, refreshSummary] {
        m_summary.Clear();
        refreshSummary();
    });
    connect(this, &Form1::Timer1Tick, this, refreshSummary);

    // The copy command puts the text on the clipboard itself, so there is no hidden text carrier
    // between PushButton2 and Frame2 in the tab order.
    const QWidget* order[] = {m_listView1,   m_pushButton5, m_pushButton6, m_pushButton1,
                              m_pushButton2, m_frame2,      m_check8,      m_check4,
                              m_pushButton3, m_pushButton4, m_frame3,      m_text1,
                              m_pushButton7, m_listView2,   m_frame1,      m_progressBar1};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(const_cast<QWidget*>(order[i]), const_cast<QWidget*>(order[i + 1]));
    m_listView1->setFocus();

    connect(m_listView2->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_intervalSelection.SelectingFromProgram())
            emit IntervalChosen();
    });

    WatchPointer(this);
}

Form1::~Form1()
{
    // The models are members and go before the child views do.
    m_listView1->setModel(nullptr);
    m_listView2->setModel(nullptr);
}

void Form1::WatchPointer(QWidget* widget)
{
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
    for (QWidget* child : widget->findChildren<QWidget*>())
        WatchPointer(child);
}

Form1::PointerZone Form1::ZoneAt(const QPoint& globalPosition) const
{
    const QPoint local = mapFromGlobal(globalPosition);
    if (!rect().contains(local))
        return PointerZone::Untouched;
    const QPushButton* buttons[] = {m_pushButton1, m_pushButton2, m_pushButton3, m_pushButton4,
                                    m_pushButton5, m_pushButton6, m_pushButton7};
    const QWidget* untouched[] = {m_text1, m_check4, m_check8, m_progressBar1};
    for (const QWidget* w = childAt(local); w != nullptr && w != this; w = w->parentWidget()) {
        if (std::find(std::begin(buttons), std::end(buttons), w) != std::end(buttons))
            return PointerZone::Button;
        if (std::find(std::begin(untouched), std::end(untouched), w) != std::end(untouched))
            return PointerZone::Untouched;
        if (w == m_listView1 || w == m_listView2 || w == m_frame1 || w == m_frame2 || w == m_frame3)
            return PointerZone::Surface;
    }
    return PointerZone::Surface;
}

void Form1::FollowPointer(const QPoint& globalPosition)
{
    if (m_pointer.Pointer() == kPointerHourglass)
        return;
    switch (ZoneAt(globalPosition)) {
    case PointerZone::Button:
        if (m_pointer.Pointer() != kPointerCustom)
            m_pointer.SetPointer(kPointerCustom);
        break;
    case PointerZone::Surface:
        if (m_pointer.Pointer() != kPointerDefault)
            m_pointer.SetPointer(kPointerDefault);
        break;
    case PointerZone::Untouched:
        break;
    }
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    // Decided by where the pointer is, not by which widget got the event: a move that a check box
    // ignores travels on to its frame and must not count as a move over the frame.
    if (event->type() == QEvent::MouseMove)
        FollowPointer(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
    else if (event->type() == QEvent::Enter)
        FollowPointer(static_cast<QEnterEvent*>(event)->globalPosition().toPoint());
    return QWidget::eventFilter(watched, event);
}

void Form1::showEvent(QShowEvent* event)
{
    if (!m_centred) {
        m_centred = true;
        if (const QScreen* screen = this->screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QWidget::showEvent(event);
}

void Form1::SetSummaryCause(const std::string& cause)
{
    m_summary.SetCause(cause);
    RefreshSummary();
}

void Form1::SetSummaryDegraded(const std::string& why)
{
    m_summary.SetDegraded(why);
    RefreshSummary();
}

void Form1::SetSummaryFamilyLost(const std::string& text)
{
    m_summary.SetFamilyLost(text);
    RefreshSummary();
}

qsizetype SummaryCutAt(const QString& text, const QString& shown)
{
    if (shown == text)
        return text.size();
    for (const QStringView ellipsis : {u"\u2026", u"..."}) {
        const qsizetype kept = shown.size() - ellipsis.size();
        if (kept >= 0 && kept < text.size() && shown.endsWith(ellipsis) &&
            QStringView(shown).left(kept) == QStringView(text).left(kept))
            return kept;
    }
    return -1;
}

void Form1::RefreshSummary()
{
    const QString text =
        QString::fromStdString(m_summary.Text(static_cast<std::int64_t>(std::time(nullptr))));
    const QString shown = m_labelSummary->toolTip();
    if (text == shown)
        return;
    // The seconds of the summary tick. A text of the width of one that fitted fits too, and one
    // cut short is cut where that one was, every character before the cut keeping its place.
    const QString cut = m_labelSummary->text();
    const qsizetype kept = SummaryCutAt(shown, cut);
    if (kept >= 0 && m_labelSummary->SameWidth(shown, text))
        m_labelSummary->SetText(text.left(kept) + cut.mid(kept));
    else
        m_labelSummary->SetText(m_labelSummary->fontMetrics().elidedText(
            text, Qt::ElideRight, std::max(0, m_labelSummary->width() - 4)));
    m_labelSummary->setToolTip(text);
}

} // namespace pellavane
