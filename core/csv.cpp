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

bool SplitCsvRow(std::string_view row, std::span<std::string_view> fields)
{
    if (fields.empty()) {
        return false;
    }
    std::size_t start = 0;
    for (std::size_t i = 0; i + 1 < fields.size(); ++i) {
        const std::size_t comma = row.find(',', start);
        if (comma == std::string_view::npos) {
            return false;
        }
        fields[i] = row.substr(start, comma - start);
        start = comma + 1;
    }
    fields.back() = row.substr(start);
    return true;
}

} // namespace pellavane
