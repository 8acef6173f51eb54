#include "app/text_width.h"

#include <QFontMetrics>
#include <QString>

namespace pellavane {

bool EvenDigits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int zero = metrics.horizontalAdvance(QLatin1Char('0'));
    for (char digit = '1'; digit <= '9'; ++digit) {
        if (metrics.horizontalAdvance(QLatin1Char(digit)) != zero)
            return false;
    }
    return true;
}

bool SameShapeButDigits(const QString& a, const QString& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && !(a[i].isDigit() && b[i].isDigit()))
            return false;
    }
    return true;
}

} // namespace pellavane
