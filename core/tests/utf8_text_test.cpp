#include "core/utf8_text.h"

#include <gtest/gtest.h>

#include <string>

namespace pellavane {
namespace {

TEST(ValidUtf8, KeepsWellFormedTextAndReplacesEachBrokenSequence)
{
    const std::string fffd = "\xEF\xBF\xBD";
    EXPECT_EQ(ValidUtf8("plain ascii\r\n"), "plain ascii\r\n");
    EXPECT_EQ(ValidUtf8("Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x98\x80"),
              "Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x98\x80");
    EXPECT_EQ(ValidUtf8("a\xFF"
                        "b"),
              "a" + fffd + "b");
    EXPECT_EQ(ValidUtf8("cut \xE2\x82"), "cut " + fffd);
    EXPECT_EQ(ValidUtf8("\xC0\xAF overlong"), fffd + " overlong");
    EXPECT_EQ(ValidUtf8("\xED\xA0\x80 surrogate"), fffd + " surrogate");
    EXPECT_EQ(ValidUtf8("\xF4\x90\x80\x80 too big"), fffd + " too big");
    EXPECT_EQ(ValidUtf8(std::string("nul\0inside", 10)), std::string("nul\0inside", 10));
}

TEST(ValidUtf8, FindsABrokenByteAtEveryPlaceOfALongAsciiRun)
{
    const std::string fffd = "\xEF\xBF\xBD";
    for (std::size_t before = 0; before < 20; ++before) {
        const std::string ascii(before, 'a');
        EXPECT_EQ(ValidUtf8(ascii + "\xFF" + "tail"), ascii + fffd + "tail") << before;
        std::string mended = ascii + "\xE2\x82" + ascii;
        MendUtf8(mended);
        EXPECT_EQ(mended, ascii + fffd + ascii) << before;
    }
    std::string valid = "Gr\xC3\xBC\xC3\x9F, twenty bytes of ascii \xE2\x82\xAC";
    const std::string copy = valid;
    MendUtf8(valid);
    EXPECT_EQ(valid, copy);
}

} // namespace
} // namespace pellavane
