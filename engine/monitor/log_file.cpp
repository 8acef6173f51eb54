#include "engine/monitor/log_file.h"

#include "core/line_append.h"

namespace pellavane {

void AppendLogLine(const std::string& path, const std::string& line)
{
    try {
        // Never leave a torn line behind: the next record would be glued to its remains.
        LineAppendFile file(path, LineAppendFile::Access::Append);
        file.AppendWhole(line + "\r\n");
        file.Close();
    } catch (const AppendFailure& failure) {
        throw LogWriteError("Cannot write to log file '" + path + "': " + failure.what());
    }
}

} // namespace pellavane
