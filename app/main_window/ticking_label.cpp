#include "app/main_window/ticking_label.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>

namespace pellavane {

TickingLabel::TickingLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    // The picture is opaque: what lies beneath is never painted first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool TickingLabel::SameWidth(const QString& before, const QString& after)
{
    if (!m_widths)
        m_widths.emplace(font());
    return m_widths->SameWidth(before, after);
}

void TickingLabel::SetText(const QString& text)
{
    const QString before = this->text();
    if (text == before)
        return;
    std::optional<QRect> changed;
    if (!m_picture.isNull() && m_pictureText == before && SameWidth(before, text)) {
        if (m_boundaries.empty())
            m_boundaries = CharacterBoundaries(*style(), font(), contentsRect(), TextFlags(), before);
        changed = ChangedSpan(before, text, m_boundaries, height());
    }
    if (changed) {
        m_stale |= *changed & rect();
        m_pictureText = text;
    } else {
        Forget();
    }
    // Repaints all of the label, which now only puts the picture back.
    setText(text);
}

int TickingLabel::TextFlags() const
{
    // As QLabel draws a plain text.
    const Qt::LayoutDirection direction = text().isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
    return int(QStyle::visualAlignment(direction, alignment())) |
           (direction == Qt::LeftToRight ? Qt::TextForceLeftToRight : Qt::TextForceRightToLeft);
}

void TickingLabel::Forget()
{
    m_picture = QPixmap();
    m_pictureText.clear();
    m_boundaries.clear();
    m_stale = QRect();
}

void TickingLabel::Draw(const QRect& area)
{
    QPainter painter(&m_picture);
    painter.setClipRect(area);
    painter.setFont(font());
    painter.fillRect(area, palette().brush(backgroundRole()));
    style()->drawItemText(&painter, contentsRect(), TextFlags(), palette(), isEnabled(), text(),
                          foregroundRole());
}

void TickingLabel::paintEvent(QPaintEvent*)
{
    if (m_picture.isNull() || m_pictureText != text()) {
        Forget();
        m_picture = QPixmap(size() * devicePixelRatioF());
        m_picture.setDevicePixelRatio(devicePixelRatioF());
        Draw(rect());
        m_pictureText = text();
    } else if (!m_stale.isEmpty()) {
        Draw(m_stale);
        // The boundaries hold: a tick keeps every character's place.
    }
    m_stale = QRect();
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture);
}

void TickingLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange:
        m_widths.reset();
        Forget();
        update();
        break;
    case QEvent::PaletteChange:
    case QEvent::EnabledChange:
    case QEvent::LayoutDirectionChange:
        Forget();
        update();
        break;
    default:
        break;
    }
}

void TickingLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    Forget();
}

} // namespace pellavane
