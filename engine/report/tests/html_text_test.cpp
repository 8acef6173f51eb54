#include "engine/report/html_text.h"

#include <gtest/gtest.h>

#include <string>

namespace pellavane {
namespace {

TEST(HtmlEscapedTest, SignsAndControlsBecomeReferencesAndAllElseStays)
{
    const struct
    {
        std::string text;
        std::string html;
    } cases[] = {
        {"provider", "provider"},
        {"a<b>&c", "a&lt;b&gt;&amp;c"},
        {"say \"hi\" 'there'", "say &quot;hi&quot; &#39;there&#39;"},
        {"line\r\nnext\ttab", "line&#13;&#10;next&#9;tab"},
        {"del\x7f", "del&#127;"},
        {"caf\xC3\xA9 \xFF", "caf\xC3\xA9 \xFF"},
        {"&amp;", "&amp;amp;"},
        {"src=//a url(b) @import", "src&#61;//a url&#40;b) &#64;import"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HtmlEscaped(c.text), c.html) << c.text;
    }
}

} // namespace
} // namespace pellavane
