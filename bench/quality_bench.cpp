// A year of 5-second checks with 5 echoes each (6.3 million check rows, each followed by its echoes
// row, about 1 GB) as a journal, written into a temporary folder and deleted after. The real program's
// `--quality --by day --csv` is timed against `LC_ALL=C grep -c ,check,` over the same journal in the
// same run, and its peak resident memory is measured by hour, day and month: the percentiles are exact,
// so what it keeps must not grow with the round trips it counts. The last lines are in the form
// bench/run-all.sh collects.
//   quality_bench PROGRAM
#include "bench/bench_folder.h"
#include "bench/child_run.h"
#include "engine/monitor/journal.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kStep = 5;
constexpr int kEchoes = 5;
constexpr std::int64_t kChecks = 365LL * 86400 / kStep;
constexpr int kRuns = 3;

// A small generator of its own, so the year is the same on every machine and every run.
class Random
{
public:
    std::uint32_t Next()
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(m_state >> 33);
    }

private:
    std::uint64_t m_state = 2026;
};

// The year in 1 MiB pieces: round trips of 15 to 45 ms in three decimals, 1 % of echoes lost, an
// outage of a minute every 10,007 checks and a degraded hour every day, so that every rule is met.
void WriteYear(const std::string& path)
{
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        throw std::runtime_error("cannot write " + path);
    }
    std::string buffer =
        "time,event,status,rtt_ms,target,detail\r\n2026-01-01T00:00:00+00:00,start,,,,interval=5\r\n";
    buffer.reserve(1 << 21);
    const std::time_t begin = 1767225600; // 2026-01-01T00:00:00Z
    Random random;
    char stamp[32] = {};
    std::time_t day = -1;
    char line[256];
    for (std::int64_t i = 0; i < kChecks; ++i) {
        const std::time_t t = begin + i * kStep;
        // The date is formatted once a day, the time of day by hand.
        if (t / 86400 != day) {
            day = t / 86400;
            std::tm tm{};
            ::gmtime_r(&t, &tm);
            std::strftime(stamp, sizeof stamp, "%Y-%m-%dT", &tm);
        }
        const int second = static_cast<int>(t % 86400);
        char time[80];
        std::snprintf(time, sizeof time, "%s%02d:%02d:%02d+00:00", stamp, second / 3600, second / 60 % 60,
                      second % 60);
        if (i % 10007 < 12) {
            buffer += std::string(time) + ",check,disconnected,,,provider\r\n";
        } else {
            std::string rtts;
            std::string first;
            int lost = 0;
            for (int e = 0; e < kEchoes; ++e) {
                if (random.Next() % 100 == 0) {
                    ++lost;
                    continue;
                }
                const std::uint32_t us = 15000 + random.Next() % 30000;
                char rtt[16];
                std::snprintf(rtt, sizeof rtt, "%u.%03u", us / 1000, us % 1000);
                if (!rtts.empty()) {
                    rtts += ' ';
                }
                rtts += rtt;
                first = first.empty() ? rtt : first;
            }
            const int n = std::snprintf(line, sizeof line,
                                        "%s,check,connected,%s,192.0.2.1,%s\r\n%s,echoes,,,192.0.2.1,sent=%d "
                                        "lost=%d rtt=%s\r\n",
                                        time, first.c_str(), first.empty() ? "first target silent" : "", time,
                                        kEchoes, lost, rtts.c_str());
            buffer.append(line, static_cast<std::size_t>(n));
        }
        if (second == 12 * 3600) {
            buffer += std::string(time) + ",quality,degraded,,,loss 12%\r\n";
        } else if (second == 13 * 3600) {
            buffer += std::string(time) + ",quality,normal,,,\r\n";
        }
        if (buffer.size() >= (1 << 20)) {
            std::fwrite(buffer.data(), 1, buffer.size(), out);
            buffer.clear();
        }
    }
    std::fwrite(buffer.data(), 1, buffer.size(), out);
    if (std::fclose(out) != 0) {
        throw std::runtime_error("cannot write " + path);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: quality_bench PROGRAM\n");
        return 2;
    }
    const std::string program = std::filesystem::canonical(argv[1]).string();
    int result = 0;
    try {
        // PELLAVANE_QUALITY_BENCH_FOLDER keeps the year in a folder of one's own between runs.
        const pellavane::bench::BenchFolder yearFolder("PELLAVANE_QUALITY_BENCH_FOLDER",
                                                       "pellavane-quality-bench");
        const std::filesystem::path& folder = yearFolder.Path();
        const std::string log = (folder / "Pellavane.txt").string();
        const std::string journal = pellavane::JournalPath(log);
        if (!std::filesystem::exists(journal)) {
            std::fprintf(stderr, "writing a year of checks with %d echoes each into %s\n", kEchoes,
                         folder.c_str());
            WriteYear(journal);
        }
        // The year is written in UTC; nothing the report runs may reach a bus or the network.
        const std::vector<std::string> env = {
            "TZ=UTC0", "LC_ALL=C", "PELLAVANE_CHECK_URL=", "DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent"};
        const std::vector<std::string> grep = {"grep", "-c", ",check,", journal};
        pellavane::bench::RunChild(grep, env); // the file into the page cache for both
        const double grepSeconds = pellavane::bench::BestOf(kRuns, grep, env).seconds;
        const auto report = [&](const char* by) {
            return pellavane::bench::BestOf(kRuns, {program, "--quality", "--by", by, "--log", log, "--csv"},
                                            env);
        };
        const pellavane::bench::ChildRun day = report("day");
        std::printf("journal: %lld checks with %d echoes each, %.0f MB\n", static_cast<long long>(kChecks),
                    kEchoes, static_cast<double>(std::filesystem::file_size(journal)) / 1e6);
        std::printf(
            "TABLE|--quality --by day, a year of 5 s checks of 5 echoes|%.0f ms|%.0f ms grep -c|%.2f|<= 3\n",
            day.seconds * 1000, grepSeconds * 1000, day.seconds / grepSeconds);
        for (const char* by : {"hour", "day", "month"}) {
            const long kb = std::string(by) == "day" ? day.maxRssKb : report(by).maxRssKb;
            std::printf("TABLE|peak memory of --quality --by %s, that year|%ld kB||| < 65536 kB\n", by, kb);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quality_bench: %s\n", error.what());
        result = 1;
    }
    return result;
}
