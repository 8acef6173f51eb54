#pragma once

#include <string>
#include <string_view>

namespace pellavane {

/** text made safe for HTML, in an element or in a quoted attribute: the five signs that mean
 *  something there and every control character become references, so the page gives back each byte
 *  it was given (a carriage return included, which the parser would otherwise turn into a line feed).
 *  So do '=', '(' and '@', so that no scan of the page for src=, href=, url( or @import finds one in
 *  a cause or a machine's name.
 *  Bytes that are not UTF-8 are left as they are: the reader shows them as U+FFFD. */
std::string HtmlEscaped(std::string_view text);

} // namespace pellavane
