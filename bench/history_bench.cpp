// A year of 5-second checks (6.3 million lines, about 372 MB) as a text log and as a journal, written
// into a temporary folder and deleted after. Each is reported on in a process of its own, timed from
// start to end and against `LC_ALL=C grep -c Disconnected` over the same file in the same run; the
// report's peak resident memory is that process's VmHWM. The last lines are in the form
// bench/run-all.sh collects.
#include "bench/bench_folder.h"
#include "bench/child_run.h"
#include "bench/year_of_checks.h"
#include "engine/history/history_report.h"
#include "engine/history/outages.h"
#include "engine/monitor/journal.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr std::int64_t kChecks = pellavane::bench::kYearOfChecks;
constexpr int kRuns = 3;

// Every 10,007th check begins an outage of a minute: about 630 in the year.
bool Disconnected(std::int64_t i)
{
    return i % 10007 < 12;
}

void WriteYear(const std::string& path, bool journal)
{
    pellavane::bench::WriteYearOfChecks(path, journal, Disconnected);
}

double TimeRun(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv = {})
{
    return pellavane::bench::RunChild(args, extraEnv).seconds;
}

double Best(const std::vector<std::string>& args, const std::vector<std::string>& env = {})
{
    double best = 1e9;
    for (int i = 0; i < kRuns; ++i) {
        best = std::min(best, TimeRun(args, env));
    }
    return best;
}

long StatusKb(const char* field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(field, 0) == 0) {
            return std::atol(line.c_str() + std::strlen(field));
        }
    }
    return -1;
}

// The measured side: the outages of one history, printed as CSV, and the peak memory on stderr.
int Report(const std::string& log, const std::string& memoryFile)
{
    pellavane::HistoryReadSummary summary;
    const pellavane::HistoryReport report = pellavane::AnalyseHistory(log, {}, &summary);
    const std::string text = pellavane::OutagesText(report.outages, pellavane::ReportFormat::Csv);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::ofstream(memoryFile) << StatusKb("VmHWM:") << " " << report.outages.size() << " "
                              << summary.notUnderstood << "\n";
    return 0;
}

struct Figures
{
    double seconds;
    double grepSeconds;
    long hwmKb;
    long outages;
};

Figures Measure(const std::string& self, const std::string& log, const std::string& file,
                const std::string& memoryFile)
{
    const std::vector<std::string> grep = {"grep", "-c", "Disconnected", file};
    TimeRun(grep, {"LC_ALL=C"}); // the file into the page cache for both
    Figures f{};
    f.grepSeconds = Best(grep, {"LC_ALL=C"});
    f.seconds = Best({self, "--report", log, memoryFile});
    std::ifstream in(memoryFile);
    long notUnderstood = 0;
    in >> f.hwmKb >> f.outages >> notUnderstood;
    if (notUnderstood != 0) {
        throw std::runtime_error("lines not understood in " + file);
    }
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    // The year is written in UTC, with no change of the clocks to count on by hand.
    ::setenv("TZ", "UTC0", 1);
    ::tzset();
    if (argc == 4 && std::string(argv[1]) == "--report") {
        return Report(argv[2], argv[3]);
    }
    int result = 0;
    try {
        // PELLAVANE_HISTORY_BENCH_FOLDER keeps the year in a folder of one's own between runs.
        const pellavane::bench::BenchFolder yearFolder("PELLAVANE_HISTORY_BENCH_FOLDER",
                                                       "pellavane-history-bench");
        const std::filesystem::path& folder = yearFolder.Path();
        std::filesystem::create_directories(folder / "text");
        std::filesystem::create_directories(folder / "journal");
        const std::string textLog = (folder / "text" / "Pellavane.txt").string();
        const std::string journalLog = (folder / "journal" / "Pellavane.txt").string();
        const std::string journal = pellavane::JournalPath(journalLog);
        const std::string memory = (folder / "memory").string();
        if (!std::filesystem::exists(textLog) || !std::filesystem::exists(journal)) {
            std::fprintf(stderr, "writing a year of checks into %s\n", folder.c_str());
            WriteYear(textLog, false);
            WriteYear(journal, true);
        }
        const auto mb = [](const std::string& path) {
            return static_cast<double>(std::filesystem::file_size(path)) / 1e6;
        };
        const std::string self = std::filesystem::canonical("/proc/self/exe").string();
        const Figures text = Measure(self, textLog, textLog, memory);
        const Figures rows = Measure(self, journalLog, journal, memory);
        std::printf("text log: %lld lines, %.0f MB, %ld outages\n", static_cast<long long>(kChecks),
                    mb(textLog), text.outages);
        std::printf("journal: %lld rows, %.0f MB, %ld outages\n", static_cast<long long>(kChecks),
                    mb(journal), rows.outages);
        for (const auto& [what, f] : {std::pair{"text log", text}, std::pair{"journal", rows}}) {
            std::printf(
                "TABLE|outages of a year of 5 s checks, %s|%.0f ms|%.0f ms grep -c|%.2f|< 1 s, <= 3\n", what,
                f.seconds * 1000, f.grepSeconds * 1000, f.seconds / f.grepSeconds);
            std::printf("TABLE|peak memory (VmHWM) of that report, %s|%ld kB||| < 65536 kB\n", what, f.hwmKb);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "history_bench: %s\n", error.what());
        result = 1;
    }
    return result;
}
