#pragma once

#include <span>
#include <string>
#include <string_view>

namespace pellavane {

/** What a field's control characters (below U+0020, and DEL) become. */
enum class CsvControls
{
    /** Each becomes a blank, so that a row is always one line: for a file read and appended to line
     *  by line. */
    Blank,
    /** Kept as they are, a line break inside the quotes: for a file a spreadsheet reads whole, where
     *  the text should arrive as it was. */
    Keep,
};

/** text as one CSV field: quoted when a comma, a quote or a kept line break would otherwise split or
 *  end it, a quote inside doubled. */
std::string CsvField(std::string_view text, CsvControls controls);

/** Splits row at its commas into fields.size() fields, the last one taking the rest of the row; false
 *  when the row has fewer commas than that needs. Quotes are not undone: each field reads as written.
 *  Inline: it runs for every row of a journal. */
inline bool SplitCsvRow(std::string_view row, std::span<std::string_view> fields)
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
