#pragma once

#include <cstddef>
#include <string_view>

namespace pellavane {

/** Calls visit with each line of text in turn, without its line feed (a carriage return before it
 *  stays), until visit returns true; true then, false when no line made it. A last line without a
 *  line feed counts; an empty text has no lines. */
template <typename Visit>
bool AnyLine(std::string_view text, Visit visit)
{
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        if (visit(text.substr(start, end - start))) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

} // namespace pellavane
