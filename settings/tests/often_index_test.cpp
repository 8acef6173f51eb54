#include "settings/often_index.h"

#include <gtest/gtest.h>
#include <stdexcept>

using pellavane::ParseOftenIndex;

TEST(ParseOftenIndex, AcceptsDigitsWithBlanksAndSign)
{
    EXPECT_EQ(ParseOftenIndex("2"), 2);
    EXPECT_EQ(ParseOftenIndex("12"), 12);
    EXPECT_EQ(ParseOftenIndex("  12 "), 12);
    EXPECT_EQ(ParseOftenIndex("\t7\t"), 7);
    EXPECT_EQ(ParseOftenIndex("+3"), 3);
    EXPECT_EQ(ParseOftenIndex(" -1"), -1);
    EXPECT_EQ(ParseOftenIndex("0"), 0);
    EXPECT_EQ(ParseOftenIndex("007"), 7);
    EXPECT_EQ(ParseOftenIndex("32767"), 32767);
    EXPECT_EQ(ParseOftenIndex("-32768"), -32768);
}

TEST(ParseOftenIndex, RejectsTextThatIsNotAWholeNumber)
{
    for (const char* text :
         {"", "   ", "abc", "1.5", "0x3", "1 2", "+", "-", "+-1", "- 1", "3a", "١", "1e3"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(ParseOftenIndex(text), std::invalid_argument);
    }
}

TEST(ParseOftenIndex, RejectsNumbersOutsideSixteenBits)
{
    for (const char* text : {"32768", "-32769", "70000", "99999999999999999999999"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(ParseOftenIndex(text), std::out_of_range);
    }
}

TEST(ParseOftenIndex, MessagesQuoteTheStoredText)
{
    try {
        ParseOftenIndex("abc");
        FAIL() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "The stored interval position 'abc' is not a number.");
    }
    try {
        ParseOftenIndex("70000");
        FAIL() << "no exception";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "The stored interval position '70000' is out of range.");
    }
}
