#include "app/command_line/html_report_option.h"

namespace pellavane {

std::string HtmlReportOptionsRefusal(bool report, bool by, bool format)
{
    if (report && by) {
        return "--by goes with --uptime or --quality; the report is by day.";
    }
    if (report && format) {
        return "--csv and --json go with --outages, --uptime or --quality; the report is HTML.";
    }
    return {};
}

} // namespace pellavane
