#include "core/csv.h"

namespace pellavane {

std::string CsvField(std::string_view text, CsvControls controls)
{
    std::string field;
    field.reserve(text.size());
    bool quote = false;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 || byte == 0x7F) && controls == CsvControls::Blank) {
            field.push_back(' ');
            continue;
        }
        if (c == ',' || c == '"' || c == '\r' || c == '\n') {
            quote = true;
        }
        if (c == '"') {
            field.push_back('"');
        }
        field.push_back(c);
    }
    return quote ? '"' + field + '"' : field;
}

} // namespace pellavane
