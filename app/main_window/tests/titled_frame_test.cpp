#include "app/main_window/titled_frame.h"

#include "app/main_window/form1.h"
#include "app/main_window/opaque_progress_bar.h"
#include "app/main_window/text_width.h"
#include "app/main_window/ticking_label.h"

#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace pellavane {
namespace {

// As Form1 styles its frames: the caption in the top edge of the border.
const char* const kFrameStyle =
    "QGroupBox { background: white; border: 1px solid #a0a0a0; border-radius: 2px; "
    "margin-top: 7px; } QGroupBox::title { subcontrol-origin: margin; "
    "subcontrol-position: top left; left: 6px; padding: 0px 2px; }";

/** Where two pictures of one size differ, as the bounding rectangle of the differing pixels. */
QRect Difference(const QImage& a, const QImage& b)
{
    QRect differing;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y) {
        for (int x = 0; x < std::min(a.width(), b.width()); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y))
                differing |= QRect(x, y, 1, 1);
        }
    }
    return differing;
}

/** What the window shows of a widget, not a fresh rendering: a stale pixel would show here. */
QImage Shown(QWidget& window, const QWidget& widget)
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    return window.screen()->grabWindow(window.winId()).toImage().copy(widget.geometry());
}

/** A titled frame beside a stock group box, as the window shows them: painted by the window's own
 *  repaints, so that what a caption change leaves behind is compared too. */
class TitledFrameTest : public ::testing::Test
{
protected:
    TitledFrameTest()
    {
        window.setPalette(QPalette(Qt::white));
        window.setAutoFillBackground(true);
        window.resize(540, 140);
        for (QGroupBox* frame : {static_cast<QGroupBox*>(&titled), &stock}) {
            frame->setFont(FontB9());
            frame->setAutoFillBackground(true);
            frame->setStyleSheet(QString::fromLatin1(kFrameStyle));
            auto* bar = frame == &titled ? new OpaqueProgressBar(frame) : new QProgressBar(frame);
            bar->setGeometry(16, 19, 488, 27);
            bar->setTextVisible(false);
            bar->setRange(0, 300);
            bar->setValue(100);
        }
        titled.setGeometry(8, 8, 520, 56);
        stock.setGeometry(8, 72, 520, 56);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QImage Shown(const QGroupBox& frame) { return pellavane::Shown(window, frame); }

    QWidget window;
    TitledFrame titled{QStringLiteral("Next log will occur in"), &window};
    QGroupBox stock{QStringLiteral("Next log will occur in"), &window};
};

TEST_F(TitledFrameTest, LooksLikeAGroupBoxTitledWithItsCaptionThroughEveryChange)
{
    EXPECT_EQ(Difference(Shown(titled), Shown(stock)), QRect());
    for (const char* caption :
         {"Next log will occur in 23:59:59", "Next log will occur in 23:59:58",
          "Next log will occur in 23:59:50", "Next log will occur in 23:59:49",
          "Next log will occur in 23:48:49", "Automatic Log is Off.", "", "Next log will occur in 00:00:05",
          "Next log will occur in 11:11:11", "Next log will occur in 11:11:10", "Ünïcödé — fine"}) {
        SCOPED_TRACE(caption);
        titled.SetCaption(QString::fromUtf8(caption));
        stock.setTitle(QString::fromUtf8(caption));
        EXPECT_EQ(Difference(Shown(titled), Shown(stock)), QRect());
        EXPECT_EQ(titled.Caption(), QString::fromUtf8(caption));
    }
    EXPECT_EQ(titled.title(), "Next log will occur in") << "the name it was made with";
    for (QGroupBox* frame : {static_cast<QGroupBox*>(&titled), &stock})
        frame->findChild<QProgressBar*>()->setValue(250);
    EXPECT_EQ(Difference(Shown(titled), Shown(stock)), QRect()) << "the opaque bar after a step";
}

TEST_F(TitledFrameTest, ACaptionChangeOrABarStepRepaintsThatAlone)
{
    titled.SetCaption(QStringLiteral("Next log will occur in 23:59:59"));
    Shown(titled);
    struct Counter : QObject
    {
        std::map<QObject*, int> paints;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                ++paints[watched];
            return false;
        }
    } counter;
    for (QObject* watched : std::initializer_list<QObject*>{
             &window, &titled, titled.findChild<QProgressBar*>(), titled.CaptionWidget()})
        watched->installEventFilter(&counter);
    titled.SetCaption(QStringLiteral("Next log will occur in 23:59:58"));
    Shown(titled);
    EXPECT_EQ(counter.paints[titled.CaptionWidget()], 1);
    EXPECT_EQ(counter.paints.size(), 1u) << "neither the frame, nor what is inside it, nor the window";

    counter.paints.clear();
    titled.findChild<QProgressBar*>()->setValue(200);
    Shown(titled);
    EXPECT_EQ(counter.paints[titled.findChild<QProgressBar*>()], 1);
    EXPECT_EQ(counter.paints.size(), 1u) << "a step of the opaque bar repaints the bar alone";
}

TEST(TickingLabelTest, LooksLikeALabelThroughTicksCutsAndEveryOtherChange)
{
    QWidget window;
    window.setPalette(QPalette(Qt::white));
    window.setAutoFillBackground(true);
    window.resize(340, 60);
    TickingLabel ticking(&window);
    QLabel stock(&window);
    for (QLabel* label : {static_cast<QLabel*>(&ticking), &stock}) {
        label->setFont(FontB9());
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setAutoFillBackground(true);
    }
    ticking.setGeometry(8, 8, 260, 17);
    stock.setGeometry(8, 32, 260, 17);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const auto same = [&] { EXPECT_EQ(Difference(Shown(window, ticking), Shown(window, stock)), QRect()); };
    for (const char* text :
         {"Connected for 23 s \u00b7 no outages today", "Connected for 24 s \u00b7 no outages today",
          "Connected for 25 s \u00b7 no outages today", "Connected for 29 s \u00b7 no outages today",
          "Connected for 30 s \u00b7 no outages today", "Connected for 3\u2026", "Connected for 4\u2026", "",
          "Disconnected for 1 min 0 s: the router answers", "Disconnected for 1 min 1 s: the router answers",
          "Connected for 11 s", "Connected for 10 s"}) {
        SCOPED_TRACE(text);
        ticking.SetText(QString::fromUtf8(text));
        stock.setText(QString::fromUtf8(text));
        same();
        EXPECT_EQ(ticking.text(), stock.text());
    }
    SCOPED_TRACE("changes that are not ticks");
    ticking.setText(QStringLiteral("Connected for 12 s"));
    stock.setText(QStringLiteral("Connected for 12 s"));
    same();
    ticking.SetText(QStringLiteral("Connected for 13 s"));
    stock.setText(QStringLiteral("Connected for 13 s"));
    same();
    for (QLabel* label : {static_cast<QLabel*>(&ticking), &stock}) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, QColor(0xb0, 0x00, 0x00));
        label->setPalette(palette);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->resize(200, 20);
    }
    same();
    ticking.SetText(QStringLiteral("Connected for 14 s"));
    stock.setText(QStringLiteral("Connected for 14 s"));
    same();
}

TEST(TickWidthTest, SaysSameWidthOnlyOfTicksThatMeasureAlike)
{
    const QFontMetricsF metrics(FontB9());
    TickWidth width(FontB9());
    struct
    {
        const char* before;
        const char* after;
        bool same;
    } const cases[] = {
        {"Next log will occur in 23:59:58", "Next log will occur in 23:59:57", true},
        {"Connected for 4 min 10 s", "Connected for 4 min 12 s", false}, // "12" may kern apart from "10"
        {"Next log will occur in 00:00:00", "Next log will occur in 11:11:11", false},
        {"Connected for 9 s", "Connected for 10 s", false},
        {"Next log will occur in 00:00:05", "Automatic Log is Off.", false},
        {"4 min 10 s", "4 hin 10 s", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.before) + " -> " + c.after);
        const QString before = QString::fromUtf8(c.before), after = QString::fromUtf8(c.after);
        const bool same = width.SameWidth(before, after);
        if (same) {
            EXPECT_EQ(metrics.horizontalAdvance(before), metrics.horizontalAdvance(after));
        }
        if (c.same) {
            EXPECT_TRUE(same) << "a tick without kerned pairs keeps its place";
        } else if (metrics.horizontalAdvance(before) != metrics.horizontalAdvance(after)) {
            EXPECT_FALSE(same);
        }
    }
}

} // namespace
} // namespace pellavane
