#include "engine/report/report_page.h"

#include "engine/history/history_report.h"
#include "engine/report/tests/report_test_history.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
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
    // Every href, src and url() of the markup, in any case and quoting, points nowhere outside the page.
    std::string lower = markup;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    for (const std::string opening : {"href", "src", "url("}) {
        for (std::size_t at = lower.find(opening); at != std::string::npos;
             at = lower.find(opening, at + 1)) {
            std::size_t value = lower.find_first_not_of(" \t\n", at + opening.size());
            if (opening != "url(" && (value == std::string::npos || lower[value] != '=')) {
                continue;
            }
            value = lower.find_first_not_of(" \t\n\"'=", value);
            const std::string target = lower.substr(value, lower.find_first_of(" \t\n\"')>", value) - value);
            for (const char* outside : {"//", "http:", "https:"}) {
                EXPECT_EQ(target.find(outside), std::string::npos) << target;
            }
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
    std::vector<OutageValues> rows;
    const auto attribute = [&page](const char* name, std::size_t row) {
        const std::string opening = std::string(" ") + name + "=\"";
        const std::size_t start = page.html.find(opening, row) + opening.size();
        return Unescaped(page.html.substr(start, page.html.find('"', start) - start));
    };
    for (std::size_t at = page.html.find("<tr class=\"outage\" "); at != std::string::npos;
         at = page.html.find("<tr class=\"outage\" ", at + 1)) {
        rows.push_back({attribute("data-start", at), attribute("data-end", at),
                        attribute("data-duration-s", at), attribute("data-cause", at)});
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
