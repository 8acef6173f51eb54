#include "settings/often_index.h"

#include <limits>
#include <stdexcept>

namespace pellavane {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

std::int16_t ParseOftenIndex(const std::string& text)
{
    const auto notANumber = [&text] {
        return std::invalid_argument("The stored interval position '" + text + "' is not a number.");
    };

    std::size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    const std::size_t firstDigit = pos;
    // Saturates instead of overflowing, so a long run of digits is reported as out of range.
    constexpr long kLimit = 1L + std::numeric_limits<std::int16_t>::max();
    long magnitude = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
        if (magnitude <= kLimit)
            magnitude = magnitude * 10 + (text[pos] - '0');
        ++pos;
    }
    if (pos == firstDigit)
        throw notANumber();
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    if (pos != text.size())
        throw notANumber();

    const long value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<std::int16_t>::min() || value > std::numeric_limits<std::int16_t>::max())
        throw std::out_of_range("The stored interval position '" + text + "' is out of range.");
    return static_cast<std::int16_t>(value);
}

} // namespace pellavane
