#include "app/main_window/opaque_progress_bar.h"

#include <QEvent>
#include <QPainter>

namespace pellavane {

OpaqueProgressBar::OpaqueProgressBar(QWidget* parent) : QProgressBar(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool OpaqueProgressBar::event(QEvent* event)
{
    const bool handled = QProgressBar::event(event);
    // A style sheet's polish takes the attribute back.
    if (event->type() == QEvent::Polish || event->type() == QEvent::StyleChange)
        setAttribute(Qt::WA_OpaquePaintEvent);
    return handled;
}

void OpaqueProgressBar::paintEvent(QPaintEvent* event)
{
    if (const QWidget* parent = parentWidget()) {
        QPainter painter(this);
        painter.fillRect(rect(), parent->palette().brush(parent->backgroundRole()));
    }
    QProgressBar::paintEvent(event);
}

} // namespace pellavane
