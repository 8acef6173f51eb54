// The HTML report of a year of 5-second checks of one echo each (6.3 million journal rows) with 3,000
// outages of a minute, made by the real program (`pellavane --report`), against `--outages --csv`
// over the same journal in the same run: its time, its peak resident memory (the child's maxrss) and
// the size of the page per 1,000 outages. The journal is written into a temporary folder and deleted
// after. The last lines are in the form bench/run-all.sh collects.
#include "bench/bench_folder.h"
#include "bench/child_run.h"
#include "bench/year_of_checks.h"
#include "engine/monitor/journal.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kRuns = 3;
// Every 2,103rd check begins an outage of a minute: 3,000 in the year.
constexpr std::int64_t kOutageEvery = 2103;
constexpr std::int64_t kOutages = (pellavane::bench::kYearOfChecks + kOutageEvery - 1) / kOutageEvery;

bool Disconnected(std::int64_t i)
{
    return i % kOutageEvery < 12;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: report_bench PROGRAM\n");
        return 2;
    }
    const std::string program = std::filesystem::canonical(argv[1]).string();
    int result = 0;
    try {
        // PELLAVANE_REPORT_BENCH_FOLDER keeps the year in a folder of one's own between runs.
        const pellavane::bench::BenchFolder yearFolder("PELLAVANE_REPORT_BENCH_FOLDER",
                                                       "pellavane-report-bench");
        const std::filesystem::path& folder = yearFolder.Path();
        const std::string log = (folder / "Pellavane.txt").string();
        const std::string journal = pellavane::JournalPath(log);
        const std::string page = (folder / "report.html").string();
        if (!std::filesystem::exists(journal)) {
            std::fprintf(stderr, "writing a year of checks with %lld outages into %s\n",
                         static_cast<long long>(kOutages), folder.c_str());
            pellavane::bench::WriteYearOfChecks(journal, true, Disconnected);
        }
        // The year is written in UTC; nothing the report runs may reach a bus or the network.
        const std::vector<std::string> env = {
            "TZ=UTC0", "LC_ALL=C", "PELLAVANE_CHECK_URL=", "DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent",
            "PELLAVANE_PROBE_HOST=127.0.0.1"};
        const std::vector<std::string> outages = {program, "--outages", "--csv", "--log", log};
        pellavane::bench::RunChild(outages, env); // the file into the page cache for both
        const pellavane::bench::ChildRun csv = pellavane::bench::BestOf(kRuns, outages, env);
        const pellavane::bench::ChildRun html =
            pellavane::bench::BestOf(kRuns, {program, "--report", page, "--log", log}, env);
        const double pageMb = static_cast<double>(std::filesystem::file_size(page)) / 1e6;
        std::printf("journal: %lld checks, %.0f MB, %lld outages; page %.2f MB\n",
                    static_cast<long long>(pellavane::bench::kYearOfChecks),
                    static_cast<double>(std::filesystem::file_size(journal)) / 1e6,
                    static_cast<long long>(kOutages), pageMb);
        std::printf("TABLE|--report, a year of 5 s checks with 3,000 outages|%.0f ms|%.0f ms --outages "
                    "--csv|%.2f|< 2 s\n",
                    html.seconds * 1000, csv.seconds * 1000, html.seconds / csv.seconds);
        std::printf("TABLE|its page per 1,000 outages|%.2f MB|||< 1 MB\n",
                    pageMb * 1000 / static_cast<double>(kOutages));
        std::printf("TABLE|peak memory of --report, that year|%ld kB|%ld kB --outages --csv|%.2f|\n",
                    html.maxRssKb, csv.maxRssKb,
                    static_cast<double>(html.maxRssKb) / static_cast<double>(std::max(1L, csv.maxRssKb)));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "report_bench: %s\n", error.what());
        result = 1;
    }
    return result;
}
