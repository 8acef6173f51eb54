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

inline std::FILE* OpenForWriting(const std::string& path)
{
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        throw std::runtime_error("cannot write " + path);
    }
    return out;
}

inline void Close(std::FILE* out, const std::string& path)
{
    if (std::fclose(out) != 0) {
        throw std::runtime_error("cannot write " + path);
    }
}

// Writes the year in 1 MiB pieces; the fields are counted on by hand, as a formatted time for each of
// 6.3 million lines would take longer than what is measured. With byMonth, each month goes into a
// piece of its own as a monthly logrotate leaves it before compressing, path.12 for January to
// path.1 for December, a journal's each beginning with the header.
inline void WriteYearOfChecks(const std::string& path, bool journal, bool (*disconnected)(std::int64_t check),
                              bool byMonth = false)
{
    const auto pieceOf = [&](int month) { return byMonth ? path + "." + std::to_string(13 - month) : path; };
    std::FILE* out = OpenForWriting(pieceOf(1));
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
                if (byMonth && month <= 12) {
                    std::fwrite(buffer.data(), 1, buffer.size(), out);
                    buffer.clear();
                    Close(out, pieceOf(month - 1));
                    out = OpenForWriting(pieceOf(month));
                    if (journal) {
                        buffer += "time,event,status,rtt_ms,target,detail\r\n";
                    }
                }
            }
        }
    }
    std::fwrite(buffer.data(), 1, buffer.size(), out);
    Close(out, pieceOf(month > 12 ? 12 : month));
}

} // namespace pellavane::bench
