#include "core/text_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pellavane {
namespace {

std::vector<std::string> Lines(std::string_view text)
{
    std::vector<std::string> lines;
    AnyLine(text, [&](std::string_view line) {
        lines.emplace_back(line);
        return false;
    });
    return lines;
}

TEST(AnyLine, GivesEachLineWithoutItsLineFeed)
{
    EXPECT_EQ(Lines(""), std::vector<std::string>{});
    EXPECT_EQ(Lines("one"), std::vector<std::string>{"one"});
    EXPECT_EQ(Lines("one\n\nthree\r\n"), (std::vector<std::string>{"one", "", "three\r"}));
}

TEST(AnyLine, StopsAtTheFirstLineThatMakesIt)
{
    int seen = 0;
    EXPECT_TRUE(AnyLine("a\nb\nc\n", [&](std::string_view line) {
        ++seen;
        return line == "b";
    }));
    EXPECT_EQ(seen, 2);
    EXPECT_FALSE(AnyLine("a\nb\n", [](std::string_view line) { return line == "c"; }));
}

} // namespace
} // namespace pellavane
