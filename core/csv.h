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
 *  when the row has fewer commas than that needs. Quotes are not undone: each field reads as written. */
bool SplitCsvRow(std::string_view row, std::span<std::string_view> fields);

} // namespace pellavane
