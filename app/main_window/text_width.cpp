#include "app/main_window/text_width.h"

#include <QString>
#include <QStyle>
#include <QTextLayout>

namespace pellavane {

qreal TickWidth::Width(QChar first, QChar second)
{
    const quint32 key = (quint32{first.unicode()} << 16) | second.unicode();
    const auto known = m_widths.constFind(key);
    if (known != m_widths.constEnd())
        return *known;
    QString text(first);
    if (!second.isNull())
        text.append(second);
    const qreal width = m_metrics.horizontalAdvance(text);
    m_widths.insert(key, width);
    return width;
}

bool TickWidth::SameWidth(const QString& before, const QString& after)
{
    if (before.size() != after.size())
        return false;
    for (qsizetype i = 0; i < after.size(); ++i) {
        if (before[i] == after[i])
            continue;
        if (!before[i].isDigit() || !after[i].isDigit() || Width(before[i]) != Width(after[i]))
            return false;
        if (i > 0 && Width(before[i - 1], before[i]) != Width(after[i - 1], after[i]))
            return false;
        if (i + 1 < after.size() && Width(before[i], before[i + 1]) != Width(after[i], after[i + 1]))
            return false;
    }
    return true;
}

std::vector<qreal> CharacterBoundaries(const QStyle& style, const QFont& font, const QRect& rect, int flags,
                                       const QString& text)
{
    std::vector<qreal> boundaries;
    // A mnemonic's ampersand takes no place of its own when drawn.
    if (text.contains(QLatin1Char('&')))
        return boundaries;
    const QRect shown = style.itemTextRect(QFontMetrics(font), rect, flags, true, text);
    QTextLayout layout(text, font);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    boundaries.reserve(static_cast<std::size_t>(text.size()) + 1);
    for (qsizetype i = 0; i <= text.size(); ++i)
        boundaries.push_back(shown.left() + line.cursorToX(static_cast<int>(i)));
    return boundaries;
}

std::optional<QRect> ChangedSpan(const QString& before, const QString& after,
                                 const std::vector<qreal>& boundaries, int height)
{
    if (before.size() != after.size() || boundaries.size() != static_cast<std::size_t>(after.size()) + 1)
        return std::nullopt;
    qsizetype first = 0;
    while (first < after.size() && before[first] == after[first])
        ++first;
    if (first == after.size())
        return QRect();
    qsizetype last = after.size() - 1;
    while (before[last] == after[last])
        --last;
    // Neighbours drawn again within the margin are drawn as they were.
    const qreal margin = 3;
    return QRectF(QPointF(boundaries[static_cast<std::size_t>(first)], 0),
                  QPointF(boundaries[static_cast<std::size_t>(last) + 1], height))
        .normalized()
        .adjusted(-margin, 0, margin, 0)
        .toAlignedRect();
}

} // namespace pellavane
