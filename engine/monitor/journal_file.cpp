#include "engine/monitor/journal.h"
#include "engine/monitor/journal_file_platform.h"

#include "core/line_append.h"

#include <cstdint>

namespace pellavane {
namespace {

[[noreturn]] void Foreign(const std::string& path, const std::string& why)
{
    throw JournalWriteError("Not writing to journal '" + path + "': " + why);
}

} // namespace

void AppendJournalLine(const std::string& path, const std::string& line)
{
    try {
        LineAppendFile file(path, LineAppendFile::Access::ReadAndAppend);
        if (!file.IsRegularFile()) {
            Foreign(path, "it is not a regular file");
        }
        // Another copy of the program (a --check beside the window) may append at the same moment:
        // the lock keeps two headers, or a cut-back of someone else's row, from happening.
        file.LockWholeFile();
        const std::uint64_t size = file.Size();
        if (size > 0 && !journal_platform::StartsWithHeader(file.Get())) {
            Foreign(path, "its first line is not the journal's header");
        }
        // One write for the whole row, so a reader never meets half a row; a failed one is cut back,
        // since a reader would take its remains for a row.
        file.AppendWhole(size == 0 ? std::string(kJournalHeader) + "\r\n" + line + "\r\n" : line + "\r\n");
        file.Close();
    } catch (const AppendFailure& failure) {
        throw JournalWriteError("Cannot write to journal '" + path + "': " + failure.what());
    }
}

} // namespace pellavane
