#include "engine/report/report_page.h"

#include "engine/history/history_report.h"
#include "engine/report/tests/report_test_history.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace pellavane {
namespace {

using testing::LocalTime;
using testing::ReportHistory;

// Text that tries to bring in a picture, a script and a style from elsewhere.
constexpr const char* kHostile =
    "\"><img src=\"http://192.0.2.9/x.png\"><script src=//192.0.2.9/s.js></script>"
    "<style>@import url(https://192.0.2.9/a.css)</style>";

std::string Unescaped(std::string text)
{
    const std::pair<const char*, const char*> references[] = {
        {"&lt;", "<"},  {"&gt;", ">"},  {"&quot;", "\""}, {"&#39;", "'"},
        {"&#61;", "="}, {"&#40;", "("}, {"&#64;", "@"},   {"&amp;", "&"}};
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto& [reference, sign] : references) {
            if (text.compare(i, std::char_traits<char>::length(reference), reference) == 0) {
                out += sign;
                i += std::char_traits<char>::length(reference);
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            out += text[i++];
        }
    }
    return out;
}

struct Page
{
    ReportData data;
    std::string html;
};

Page HostilePage()
{
    const testing::TempFolder folder;
    const std::string log = folder.File("log.txt");
    const std::int64_t start = LocalTime(2026, 12, 8, 22, 0, 0);
    ReportHistory history(start);
    history.Up(start + 600)
        .Down(start + 700, kHostile)
        .Up(start + 4 * 3600)
        .Down(start + 4 * 3600 + 60, "a, \"b\"");
    history.Up(start + 5 * 3600);
    history.Write(log);
    Page page;
    page.data = GatherReport(log, {});
    page.html = ReportPage(page.data, {kHostile, "1.2.3", start + 5 * 3600, kHostile});
    return page;
}

TEST(ReportPageTest, LoadsNothingFromAnywhere)
{
    const Page page = HostilePage();
    // The whole page, text included: a scan need not tell markup from text.
    const std::string& markup = page.html;
    for (const char* element :
         {"<script", "<img", "<link", "<iframe", "<object", "<embed", "<base", "@import"}) {
        EXPECT_EQ(markup.find(element), std::string::npos) << element;
    }
    // Every href, src and url() of the markup, in any quoting, points nowhere outside the page.
    const std::regex reference(R"((?:\b(?:href|src)\s*=\s*["']?|url\(\s*["']?)([^"'\s>)]*))",
                               std::regex::icase);
    for (auto it = std::sregex_iterator(markup.begin(), markup.end(), reference);
         it != std::sregex_iterator(); ++it) {
        const std::string target = (*it)[1];
        for (const char* outside : {"//", "http:", "https:"}) {
            EXPECT_EQ(target.find(outside), std::string::npos) << target;
        }
    }
    // The hostile text is in the page as text.
    EXPECT_NE(page.html.find("&lt;img src&#61;&quot;http://192.0.2.9/x.png&quot;&gt;"), std::string::npos);
    // And the browser is told to load nothing, should anything slip through.
    EXPECT_NE(markup.find("content=\"default-src 'none'; style-src 'unsafe-inline'\""), std::string::npos);
}

TEST(ReportPageTest, EachOutageRowAndNoOtherCarriesItsCsvValues)
{
    const Page page = HostilePage();
    const std::regex row(
        R"re(<tr class="outage" data-start="([^"]*)" data-end="([^"]*)" data-duration-s="([^"]*)" data-cause="([^"]*)">)re");
    std::vector<OutageValues> rows;
    for (auto it = std::sregex_iterator(page.html.begin(), page.html.end(), row);
         it != std::sregex_iterator(); ++it) {
        rows.push_back({Unescaped((*it)[1]), Unescaped((*it)[2]), Unescaped((*it)[3]), Unescaped((*it)[4])});
    }
    std::size_t marked = 0;
    for (std::size_t at = page.html.find("class=\"outage\""); at != std::string::npos;
         at = page.html.find("class=\"outage\"", at + 1)) {
        ++marked;
    }
    ASSERT_EQ(page.data.outages.size(), 2u);
    EXPECT_EQ(marked, 2u);
    ASSERT_EQ(rows.size(), 2u);
    // Causes as the history holds them: the journal keeps a detail's quotes.
    EXPECT_EQ(rows[1].cause, "\"a, \"\"b\"\"\"");
    EXPECT_EQ(rows[0].cause, page.data.outages[0].cause);
    EXPECT_NE(rows[0].cause.find("<script src=//192.0.2.9/s.js>"), std::string::npos);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const OutageValues csv = OutageCsvValues(page.data.outages[i]);
        EXPECT_EQ(rows[i].start, csv.start);
        EXPECT_EQ(rows[i].end, csv.end);
        EXPECT_EQ(rows[i].durationSeconds, csv.durationSeconds);
    }
}

TEST(ReportPageTest, HoldsTheSummaryTheTablesAndThePrintStyle)
{
    const Page page = HostilePage();
    for (const std::string& part : std::vector<std::string>{
             "<title>Internet connection report: ", "by Pellavane 1.2.3", "every 5 s",
             OutagesBlameLine(page.data.outages), "<h2>Timeline</h2>", "<h2>Uptime by day</h2>",
             "<td>2026-12-09</td>", "<h2>Quality by day</h2>", "<h2>What the causes mean</h2>",
             "The router answers, the Internet does not.", "@page", "thead { display: table-header-group; }",
             "tr { break-inside: avoid;"}) {
        EXPECT_NE(page.html.find(part), std::string::npos) << part;
    }
}

} // namespace
} // namespace pellavane
