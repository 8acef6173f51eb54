#pragma once

#include <string>
#include <string_view>

namespace pellavane {

/** bytes as valid UTF-8: every byte sequence that is not well-formed UTF-8 (stray continuation
 *  bytes, overlong forms, surrogates, values past U+10FFFF, a sequence cut short) becomes U+FFFD;
 *  valid text is returned unchanged. */
std::string ValidUtf8(std::string_view bytes);

/** Makes bytes valid UTF-8 as ValidUtf8 does, in place: valid text, the usual case, is not copied. */
void MendUtf8(std::string& bytes);

/** The length of the longest start of bytes that is well-formed UTF-8: bytes.size() for valid text,
 *  else the position of the first byte that begins no well-formed sequence. */
std::size_t WellFormedUtf8Length(std::string_view bytes);

} // namespace pellavane
