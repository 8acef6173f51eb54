#pragma once

#include <QFontMetricsF>
#include <QHash>
#include <QRect>

#include <optional>
#include <vector>

class QFont;
class QString;
class QStyle;

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

/** Where each character of a one-line text starts, and after them where the last ends, as a style
 *  draws it in rect with flags; empty for a text whose characters the drawing moves (a mnemonic). */
std::vector<qreal> CharacterBoundaries(const QStyle& style, const QFont& font, const QRect& rect, int flags,
                                       const QString& text);

/** What to repaint of a line of height when before became after by characters changed in place, at
 *  boundaries of before: the changed characters, widened by what a glyph's ink reaches past its
 *  advance. Null when nothing changed; nullopt when the boundaries are not of such a text. */
std::optional<QRect> ChangedSpan(const QString& before, const QString& after,
                                 const std::vector<qreal>& boundaries, int height);

} // namespace pellavane
