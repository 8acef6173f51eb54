#pragma once

#include <cstdint>
#include <string>

namespace pellavane {

/** The stored "OftenIndex" as a signed 16-bit number: optional blanks and a sign around decimal
 *  digits. Throws std::invalid_argument (not a number) or std::out_of_range with a clear message. */
std::int16_t ParseOftenIndex(const std::string& text);

} // namespace pellavane
