#pragma once

#include <string>

namespace pellavane {

/** What --report needs when it has no value. */
inline constexpr const char* kReportNeedsFile = "--report needs the path of the HTML file to write.";

/** Why options cannot go with --report, else empty: the page is by day and in HTML alone, so --by,
 *  --csv and --json have nothing to change in it. */
std::string HtmlReportOptionsRefusal(bool report, bool by, bool format);

} // namespace pellavane
