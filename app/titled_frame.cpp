#include "app/titled_frame.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionGroupBox>

#include <algorithm>

namespace pellavane {

/** Draws in its rectangle just what the frame would draw there with the caption as its title, so the
 *  look is the style's own; opaque, so that its repaint never reaches the frame beneath. */
class TitledFrame::Title : public QWidget
{
public:
    explicit Title(TitledFrame& frame) : QWidget(&frame), m_frame(frame)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        // The pointer and clicks belong to the frame, as they did over its own title.
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    QString caption;

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

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), m_frame.palette().brush(m_frame.backgroundRole()));
        painter.translate(-pos());
        const QStyleOptionGroupBox option = Option();
        m_frame.style()->drawComplexControl(QStyle::CC_GroupBox, &option, &painter, &m_frame);
    }

private:
    TitledFrame& m_frame;
};

TitledFrame::TitledFrame(const QString& caption, QWidget* parent)
    : QGroupBox(caption, parent), m_title(new Title(*this))
{
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
    m_title->caption = caption;
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
    QRect label = style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, this);
    // The whole band above the frame's edge at the caption's width, with room either side: the gap
    // the style leaves in the edge is a few pixels wider than the caption's rectangle.
    const QRect frame = style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxFrame, this);
    label.setTop(0);
    label.setBottom(std::max(label.bottom(), frame.top() + 1));
    label.adjust(-8, 0, 8, 0);
    // setGeometry repaints what the old rectangle uncovers, and nothing when it stays put.
    m_title->setGeometry(label & rect());
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
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        PlaceTitle();
}

void TitledFrame::resizeEvent(QResizeEvent* event)
{
    QGroupBox::resizeEvent(event);
    PlaceTitle();
}

} // namespace pellavane
