#include "app/main_window/titled_frame.h"

#include "app/main_window/text_width.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPixmap>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionGroupBox>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace pellavane {

namespace {

/** The style beneath the frame's style sheet, passing everything on. It lets the caption's widget
 *  learn where and how the style draws the caption's text, with the very arguments the style uses,
 *  while drawing the rest without it. */
class CaptionTextStyle : public QProxyStyle
{
public:
    /** Over a style of the application's own kind, whatever started the program chose. */
    CaptionTextStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}

    struct Text
    {
        QRect rect;
        int flags = 0;
        QPalette palette;
        bool enabled = true;
        QPalette::ColorRole role = QPalette::WindowText;
    };

    /** While set, item texts are noted instead of drawn. */
    mutable bool noting = false;
    mutable std::optional<Text> noted;

    void drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& palette, bool enabled,
                      const QString& text, QPalette::ColorRole role) const override
    {
        if (noting) {
            noted = Text{rect, flags, palette, enabled, role};
            return;
        }
        QProxyStyle::drawItemText(painter, rect, flags, palette, enabled, text, role);
    }
};

} // namespace

/** Draws in its rectangle just what the frame would draw there with the caption as its title;
 *  opaque, so that its repaint never reaches the frame beneath. The frame's edge there, which the
 *  style draws at some cost, is kept as a picture until the caption's place or the look changes: a
 *  tick draws only the text, as the style would. */
class TitledFrame::Title : public QWidget
{
public:
    Title(TitledFrame& frame, CaptionTextStyle& textStyle)
        : QWidget(&frame), m_frame(frame), m_textStyle(textStyle)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        // The pointer and clicks belong to the frame, as they did over its own title.
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    QString caption;
    /** In the frame's font. */
    std::optional<TickWidth> tickWidth;

    /** The frame's drawing with the caption as its title, in the frame's coordinates. */
    QStyleOptionGroupBox Option() const
    {
        QStyleOptionGroupBox option;
        m_frame.initStyleOption(&option);
        option.text = caption;
        if (!caption.isEmpty())
            option.subControls |= QStyle::SC_GroupBoxLabel;
        return option;
    }

    void Forget()
    {
        m_edge = QPixmap();
        m_boundaries.clear();
    }

    /** Repaints where before and the caption differ, when the caption is before with some
     *  characters changed, each keeping its place; all of it when the places are not known. */
    void UpdateChanged(const QString& before)
    {
        const std::optional<QRect> changed = ChangedSpan(before, caption, m_boundaries, height());
        if (!changed)
            update();
        else if (!changed->isNull())
            update(*changed & rect());
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (m_edge.isNull())
            DrawEdge();
        QPainter painter(this);
        painter.drawPixmap(0, 0, m_edge);
        if (m_text && !caption.isEmpty()) {
            painter.translate(-pos());
            m_frame.style()->drawItemText(&painter, m_text->rect, m_text->flags, m_text->palette,
                                          m_text->enabled, caption, m_text->role);
        }
    }

private:
    void DrawEdge()
    {
        m_edge = QPixmap(size() * devicePixelRatioF());
        m_edge.setDevicePixelRatio(devicePixelRatioF());
        QPainter painter(&m_edge);
        painter.fillRect(rect(), m_frame.palette().brush(m_frame.backgroundRole()));
        painter.translate(-pos());
        const QStyleOptionGroupBox option = Option();
        m_textStyle.noted.reset();
        m_textStyle.noting = true;
        m_frame.style()->drawComplexControl(QStyle::CC_GroupBox, &option, &painter, &m_frame);
        m_textStyle.noting = false;
        m_text = m_textStyle.noted;
        NoteBoundaries();
    }

    /** Where in this widget each character of the caption starts, as the style lays it out. */
    void NoteBoundaries()
    {
        m_boundaries.clear();
        if (m_text)
            m_boundaries = CharacterBoundaries(*m_frame.style(), font(), m_text->rect.translated(-pos()),
                                               m_text->flags, caption);
    }

    TitledFrame& m_frame;
    CaptionTextStyle& m_textStyle;
    QPixmap m_edge;
    std::optional<CaptionTextStyle::Text> m_text;
    /** Kept with the edge: they hold for the caption then and for every tick of it that keeps its
     *  width. */
    std::vector<qreal> m_boundaries;
};

TitledFrame::TitledFrame(const QString& caption, QWidget* parent) : QGroupBox(caption, parent)
{
    // Owned by the frame: a style set on a widget stays its caller's.
    auto* textStyle = new CaptionTextStyle;
    textStyle->setParent(this);
    m_title = new Title(*this, *textStyle);
    setStyle(textStyle);
    m_title->caption = caption;
    PlaceTitle();
}

QString TitledFrame::Caption() const
{
    return m_title->caption;
}

void TitledFrame::SetCaption(const QString& caption)
{
    if (caption == m_title->caption)
        return;
    // Working out the caption's place means laying its text out: skipped when it cannot move.
    const bool samePlace = m_title->tickWidth && m_title->tickWidth->SameWidth(m_title->caption, caption);
    const QString before = std::exchange(m_title->caption, caption);
    if (samePlace) {
        // A tick: only the digits that changed are drawn again.
        m_title->UpdateChanged(before);
        return;
    }
    PlaceTitle();
    m_title->update();
}

QWidget* TitledFrame::CaptionWidget() const noexcept
{
    return m_title;
}

void TitledFrame::PlaceTitle()
{
    const QStyleOptionGroupBox option = m_title->Option();
    // The whole band above the frame's edge at the caption's width, with room either side for the
    // gap the style leaves in the edge around the caption's rectangle.
    const QRect frame = style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxFrame, this);
    QRect band = style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, this);
    band.setTop(0);
    band.setBottom(std::max(band.bottom(), frame.top() + 1));
    band.adjust(-8, 0, 8, 0);
    band &= rect();
    m_title->Forget();
    // Repaints what the old rectangle uncovers.
    m_title->setGeometry(band);
}

void TitledFrame::paintEvent(QPaintEvent*)
{
    // The edge without a title; the caption's widget draws the caption and the gap it leaves.
    QPainter painter(this);
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    option.text.clear();
    option.subControls &= ~QStyle::SC_GroupBoxLabel;
    style()->drawComplexControl(QStyle::CC_GroupBox, &option, &painter, this);
}

void TitledFrame::changeEvent(QEvent* event)
{
    QGroupBox::changeEvent(event);
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange: {
        m_title->tickWidth.emplace(font());
        PlaceTitle();
        m_title->update();
        break;
    }
    case QEvent::PaletteChange:
    case QEvent::EnabledChange:
        m_title->Forget();
        m_title->update();
        break;
    default:
        break;
    }
}

void TitledFrame::resizeEvent(QResizeEvent* event)
{
    QGroupBox::resizeEvent(event);
    PlaceTitle();
}

} // namespace pellavane
