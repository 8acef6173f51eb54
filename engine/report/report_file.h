#pragma once

#include "engine/report/report_data.h"
#include "engine/report/report_page.h"

#include <string>

namespace pellavane {

/** Reads the history of the log at logPath and writes its report to reportPath, as a whole or not at
 *  all: under a temporary name in the same folder, then renamed. Throws HistoryReadError when the
 *  history cannot be read, MetricsWriteError (a std::runtime_error) naming the report's file and the
 *  reason when it cannot be written. Gives what reading the history found besides its records. */
HistoryReadSummary WriteReportFile(const std::string& logPath, const ReportRequest& request,
                                   const ReportAbout& about, const std::string& reportPath);

} // namespace pellavane
