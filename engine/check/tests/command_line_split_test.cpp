#include "engine/check/command_line_split.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pellavane {
namespace {

using Args = std::vector<std::string>;

TEST(SplitCommandLine, FollowsTheWindowsQuotingRules)
{
    const struct
    {
        std::string line;
        Args args;
    } table[] = {
        {"", {}},
        {" \t ", {}},
        {"ping -c 1 -W 4 127.0.0.1", {"ping", "-c", "1", "-W", "4", "127.0.0.1"}},
        {"a\tb  c ", {"a", "b", "c"}},
        {R"("abc" d e)", {"abc", "d", "e"}},
        {R"(a\\b d"e f"g h)", {R"(a\\b)", "de fg", "h"}},
        {R"(a\\\"b c d)", {R"(a\"b)", "c", "d"}},
        {R"(a\\\\"b c" d e)", {R"(a\\b c)", "d", "e"}},
        {R"(a"b"" c d)", {R"(ab" c d)"}},
        {R"("a b" "" c)", {"a b", "", "c"}},
        {R"("")", {""}},
        {R"(\"x\")", {R"("x")"}},
        {R"("C:\Program Files\x\" y)", {R"(C:\Program Files\x" y)"}},
        {R"(end\)", {R"(end\)"}},
        {R"("open quote)", {"open quote"}},
    };
    for (const auto& row : table) {
        EXPECT_EQ(SplitCommandLine(row.line), row.args) << row.line;
    }
}

} // namespace
} // namespace pellavane
