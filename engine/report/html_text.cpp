#include "engine/report/html_text.h"

namespace pellavane {

std::string HtmlEscaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        case '=':
            out += "&#61;";
            break;
        case '(':
            out += "&#40;";
            break;
        case '@':
            out += "&#64;";
            break;
        default: {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x20 || byte == 0x7F) {
                out += "&#" + std::to_string(byte) + ';';
            } else {
                out += c;
            }
        }
        }
    }
    return out;
}

} // namespace pellavane
