#pragma once

#include <QFontMetricsF>
#include <QHash>

class QFont;
class QString;

namespace pellavane {

/** Tells, without laying the new text out, that a text whose digits ticked has kept its width: a
 *  changed digit has the advance of the one it replaces, and its pairs with its neighbours the
 *  widths they had, kerning included (Arial kerns "11"). Widths of single characters and of pairs
 *  are measured once each and kept. */
class TickWidth
{
public:
    explicit TickWidth(const QFont& font) : m_metrics(font) {}
    /** True when after is before with some digits changed and is sure to have its width. */
    bool SameWidth(const QString& before, const QString& after);

private:
    qreal Width(QChar first, QChar second = QChar());

    QFontMetricsF m_metrics;
    QHash<quint32, qreal> m_widths;
};

} // namespace pellavane
