#pragma once

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

// A year of 5-second checks from 2026-01-01 in UTC, one echo each, as the benchmarks of the reports
// read it: a text log or a journal, the checks down where the caller says.

namespace pellavane::bench {

inline constexpr int kYearStep = 5;
inline constexpr std::int64_t kYearOfChecks = 365LL * 86400 / kYearStep;

// Writes the year in 1 MiB pieces; the fields are counted on by hand, as a formatted time for each of
// 6.3 million lines would take longer than what is measured.
inline void WriteYearOfChecks(const std::string& path, bool journal, bool (*disconnected)(std::int64_t check))
{
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        throw std::runtime_error("cannot write " + path);
    }
    std::string buffer;
    buffer.reserve(1 << 21);
    if (journal) {
        buffer +=
            "time,event,status,rtt_ms,target,detail\r\n2026-01-01T00:00:00+00:00,start,,,,interval=5\r\n";
    }
    int year = 2026, month = 1, day = 1;
    int second = 0;
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    char line[128];
    for (std::int64_t i = 0; i < kYearOfChecks; ++i) {
        const int h = second / 3600, m = second / 60 % 60, s = second % 60;
        const bool down = disconnected(i);
        int n = 0;
        if (journal) {
            n = std::snprintf(line, sizeof line, "%04d-%02d-%02dT%02d:%02d:%02d+00:00,check,%s\r\n", year,
                              month, day, h, m, s,
                              down ? "disconnected,,,targets silent" : "connected,0.050,127.0.0.1,");
        } else if (second == 0) {
            n = std::snprintf(line, sizeof line, "%02d/%02d/%04d Internet Connection Status: %s\r\n", month,
                              day, year, down ? "Disconnected" : "Connected");
        } else {
            n = std::snprintf(line, sizeof line,
                              "%02d/%02d/%04d %02d:%02d:%02d Internet Connection Status: %s\r\n", month, day,
                              year, h, m, s, down ? "Disconnected" : "Connected");
        }
        buffer.append(line, static_cast<std::size_t>(n));
        if (buffer.size() >= (1 << 20)) {
            std::fwrite(buffer.data(), 1, buffer.size(), out);
            buffer.clear();
        }
        second += kYearStep;
        if (second == 86400) {
            second = 0;
            if (++day > kDays[month - 1]) {
                day = 1;
                ++month;
            }
        }
    }
    std::fwrite(buffer.data(), 1, buffer.size(), out);
    if (std::fclose(out) != 0) {
        throw std::runtime_error("cannot write " + path);
    }
}

} // namespace pellavane::bench
