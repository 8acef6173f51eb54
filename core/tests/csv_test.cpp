#include "core/csv.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace pellavane {
namespace {

struct FieldCase
{
    std::string text;
    std::string blanked;
    std::string kept;
};

TEST(CsvField, QuotesWhatWouldSplitTheRowAndTreatsControlsAsAsked)
{
    const FieldCase cases[] = {
        {"", "", ""},
        {"targets silent", "targets silent", "targets silent"},
        {"a,b", "\"a,b\"", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\"", "\"say \"\"hi\"\"\""},
        {"line\r\nbreak", "line  break", "\"line\r\nbreak\""},
        {"lone\nfeed", "lone feed", "\"lone\nfeed\""},
        {"tab\tand\x7f", "tab and ", "tab\tand\x7f"},
        {"\x01,\"", "\" ,\"\"\"", "\"\x01,\"\"\""},
        {"caf\xC3\xA9", "caf\xC3\xA9", "caf\xC3\xA9"},
    };
    for (const FieldCase& c : cases) {
        EXPECT_EQ(CsvField(c.text, CsvControls::Blank), c.blanked) << c.text;
        EXPECT_EQ(CsvField(c.text, CsvControls::Keep), c.kept) << c.text;
    }
}

struct SplitCase
{
    const char* row;
    bool splits;
    std::vector<std::string> fields;
};

TEST(SplitCsvRow, TheLastFieldTakesTheRestAndQuotesStayAsWritten)
{
    const SplitCase cases[] = {
        {"a,b,c", true, {"a", "b", "c"}},
        {",,", true, {"", "", ""}},
        {"a,b,c,d", true, {"a", "b", "c,d"}},
        {"a,\"x,y\"", true, {"a", "\"x", "y\""}},
        {"a,b", false, {}},
        {"", false, {}},
    };
    for (const SplitCase& c : cases) {
        std::array<std::string_view, 3> fields;
        ASSERT_EQ(SplitCsvRow(c.row, fields), c.splits) << c.row;
        if (c.splits) {
            EXPECT_EQ(std::vector<std::string>(fields.begin(), fields.end()), c.fields) << c.row;
        }
    }
}

} // namespace
} // namespace pellavane
