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

} // namespace pellavane
