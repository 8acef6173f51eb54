#pragma once

#include "engine/history/history.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pellavane {

/** Reads a text log's status lines, oldest first, in blocks, and stops before the first line dated at
 *  or after stopBefore. Each line is read in the first of forms that reads it. Throws
 *  HistoryReadError when the file cannot be opened or read. */
void ReadTextLog(const std::string& path, const std::vector<LogDateForm>& forms, std::int64_t stopBefore,
                 IHistorySink& sink, HistoryReadSummary& summary);

} // namespace pellavane
