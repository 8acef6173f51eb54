#include "app/text_width.h"

#include <QString>

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

} // namespace pellavane
