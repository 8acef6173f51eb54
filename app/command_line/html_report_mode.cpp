#include "app/command_line/html_report_mode.h"

#include "app/check/report_about.h"
#include "app/command_line/console_mode.h"
#include "engine/report/report_file.h"

#include <chrono>
#include <ostream>

namespace pellavane {

int RunHtmlReport(ISettingsStore& settings, const CommandLineRequest& request, std::ostream& out,
                  std::ostream& err)
{
    ReportRequest asked;
    asked.from = request.report.from;
    asked.to = request.report.to;
    asked.mergeSeconds = request.mergeSeconds;
    asked.minSeconds = request.minSeconds;
    const std::int64_t now =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    try {
        const HistoryReadSummary summary =
            WriteReportFile(ReportLogPath(settings, request), asked, ThisMachinesReportAbout(settings, now),
                            *request.reportFile);
        TellReadSummary(summary, err);
        out << "Report written to " << *request.reportFile << ".\n" << std::flush;
        return 0;
    } catch (const std::runtime_error& e) {
        // The history's reader and the file's writer both name the file and the reason.
        err << e.what() << '\n';
        return kExitFailure;
    }
}

} // namespace pellavane
