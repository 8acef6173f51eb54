#include "engine/history/text_log_reader.h"

#include "engine/history/block_reader.h"
#include "engine/history/local_times.h"
#include "engine/history/status_line.h"
#include "engine/history/status_line_shape.h"

namespace pellavane {

void ReadTextLog(const std::string& path, const std::vector<LogDateForm>& forms, std::int64_t stopBefore,
                 IHistorySink& sink, HistoryReadSummary& summary)
{
    BlockReader reader(path);
    summary.textLogRead = true;
    LocalTimes times;
    StatusLineShape shape;
    std::size_t lastForm = 0;
    HistoryRecord record;
    LocalDateTime dt;
    reader.ForEachLine([&](std::string_view line) {
        if (!shape.Read(line, record)) {
            if (line.empty()) {
                return true;
            }
            std::string_view stamp;
            if (!SplitStatusLine(line, stamp, record.connected)) {
                ++summary.notUnderstood;
                return true;
            }
            bool parsed = !forms.empty() && forms[lastForm].Parse(stamp, dt);
            for (std::size_t i = 0; !parsed && i < forms.size(); ++i) {
                if (i != lastForm && forms[i].Parse(stamp, dt)) {
                    parsed = true;
                    lastForm = i;
                }
            }
            if (!parsed) {
                ++summary.notUnderstood;
                return true;
            }
            record.time = times.ToEpoch(dt);
            shape.Learn(stamp, dt, times);
        }
        if (record.time >= stopBefore) {
            return false;
        }
        ++summary.textLines;
        sink.Record(record);
        return true;
    });
    summary.notes.insert(summary.notes.end(), reader.Notes().begin(), reader.Notes().end());
}

} // namespace pellavane
