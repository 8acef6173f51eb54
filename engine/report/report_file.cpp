#include "engine/report/report_file.h"

#include "engine/listeners/metrics_file.h"

namespace pellavane {

HistoryReadSummary WriteReportFile(const std::string& logPath, const ReportRequest& request,
                                   const ReportAbout& about, const std::string& reportPath)
{
    ReportData data = GatherReport(logPath, request);
    ReplaceFileAtomically(reportPath, ReportPage(data, about), "the report");
    return std::move(data.read);
}

} // namespace pellavane
