#pragma once

#include "engine/history/history.h"
#include "engine/history/journal_format.h"
#include "testsupport/test_files.h"

#include "core/local_time.h"

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

// What the history tests share: local times, text log lines as the program writes them and a sink
// that keeps what it is given.

namespace pellavane::testing {

inline std::int64_t Local(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return pellavane::testing::LocalTime(y, mo, d, h, mi, s);
}

// A status line as the program writes it in the US form, the date alone at midnight.
inline std::string TextLine(std::int64_t t, bool connected)
{
    std::tm tm{};
    ToLocalTm(t, tm);
    char stamp[64];
    if (tm.tm_hour == 0 && tm.tm_min == 0 && tm.tm_sec == 0) {
        std::snprintf(stamp, sizeof stamp, "%02d/%02d/%04d", tm.tm_mon + 1, tm.tm_mday, tm.tm_year + 1900);
    } else {
        std::snprintf(stamp, sizeof stamp, "%02d/%02d/%04d %02d:%02d:%02d", tm.tm_mon + 1, tm.tm_mday,
                      tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
    }
    return std::string(stamp) + (connected ? " Internet Connection Status: Connected\r\n"
                                           : " Internet Connection Status: Disconnected\r\n");
}

// Copies out the cause and the round trip while they are valid: a record's views last only the call.
struct Recorded : IHistorySink
{
    void Record(const HistoryRecord& record) override
    {
        records.push_back(record);
        causes.emplace_back(record.cause);
        rtts.push_back(RoundTripMs(record));
    }
    std::vector<HistoryRecord> records;
    std::vector<std::string> causes;
    std::vector<double> rtts;
};

} // namespace pellavane::testing
