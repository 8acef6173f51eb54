#pragma once

class QFont;
class QString;

namespace pellavane {

/** True when the font's digits 0 to 9 all have one advance, as Arial's do. */
bool EvenDigits(const QFont& font);

/** True when the two differ at most in digits at the same places: a count that ticks. In a font
 *  with EvenDigits they have one width, which spares laying the new text out to measure it. */
bool SameShapeButDigits(const QString& a, const QString& b);

} // namespace pellavane
