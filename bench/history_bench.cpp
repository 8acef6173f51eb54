// A year of 5-second checks (6.3 million lines, about 372 MB) as a text log and as a journal, written
// into a temporary folder and deleted after. Each is reported on in a process of its own, timed from
// start to end and against `LC_ALL=C grep -c Disconnected` over the same file in the same run; the
// report's peak resident memory is that process's VmHWM. The same year is then written again in twelve
// monthly pieces compressed by gzip, as a monthly logrotate leaves them, and its report is timed against
// the report over the uncut file; the two reports must agree. The last lines are in the form
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
#include <tuple>
#include <vector>

namespace {

constexpr std::int64_t kChecks = pellavane::bench::kYearOfChecks;
constexpr int kRuns = 3;

// Every 10,007th check begins an outage of a minute: about 630 in the year.
bool Disconnected(std::int64_t i)
{
    return i % 10007 < 12;
}

// With byMonth, the year in twelve monthly pieces compressed by gzip, as logrotate leaves them.
void WriteYear(const std::string& path, bool journal, bool byMonth = false)
{
    pellavane::bench::WriteYearOfChecks(path, journal, Disconnected, byMonth);
    for (int m = 1; byMonth && m <= 12; ++m) {
        pellavane::bench::RunChild({"gzip", "-f", path + "." + std::to_string(m)});
    }
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

// The measured side: the outages of one history, printed as CSV; its peak memory, the outages, what
// was not understood or told and a hash of the report go into memoryFile.
int Report(const std::string& log, const std::string& memoryFile)
{
    pellavane::HistoryReadSummary summary;
    const pellavane::HistoryReport report = pellavane::AnalyseHistory(log, {}, &summary);
    const std::string text = pellavane::OutagesText(report.outages, pellavane::ReportFormat::Csv);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::ofstream(memoryFile) << StatusKb("VmHWM:") << " " << report.outages.size() << " "
                              << summary.notUnderstood + summary.notes.size() << " "
                              << std::hash<std::string>{}(text) << "\n";
    return 0;
}

struct Figures
{
    double seconds;
    double grepSeconds;
    long hwmKb;
    long outages;
    std::size_t reportHash;
};

// The report over log, and grep over file when one is named (the rotated pieces are measured against
// the report over the uncut file instead).
Figures Measure(const std::string& self, const std::string& log, const std::string& file,
                const std::string& memoryFile)
{
    Figures f{};
    if (!file.empty()) {
        const std::vector<std::string> grep = {"grep", "-c", "Disconnected", file};
        TimeRun(grep, {"LC_ALL=C"}); // the file into the page cache for both
        f.grepSeconds = Best(grep, {"LC_ALL=C"});
    }
    f.seconds = Best({self, "--report", log, memoryFile});
    std::ifstream in(memoryFile);
    long notUnderstood = 0;
    in >> f.hwmKb >> f.outages >> notUnderstood >> f.reportHash;
    if (notUnderstood != 0) {
        throw std::runtime_error("lines not understood in the history of " + log);
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
        std::filesystem::create_directories(folder / "text-pieces");
        std::filesystem::create_directories(folder / "journal-pieces");
        const std::string textLog = (folder / "text" / "Pellavane.txt").string();
        const std::string journalLog = (folder / "journal" / "Pellavane.txt").string();
        const std::string journal = pellavane::JournalPath(journalLog);
        const std::string textPieces = (folder / "text-pieces" / "Pellavane.txt").string();
        const std::string journalPiecesLog = (folder / "journal-pieces" / "Pellavane.txt").string();
        const std::string journalPieces = pellavane::JournalPath(journalPiecesLog);
        const std::string memory = (folder / "memory").string();
        if (!std::filesystem::exists(textLog) || !std::filesystem::exists(journal)) {
            std::fprintf(stderr, "writing a year of checks into %s\n", folder.c_str());
            WriteYear(textLog, false);
            WriteYear(journal, true);
        }
        if (!std::filesystem::exists(textPieces + ".1.gz") ||
            !std::filesystem::exists(journalPieces + ".1.gz")) {
            std::fprintf(stderr, "writing the year again in twelve gzip pieces into %s\n", folder.c_str());
            WriteYear(textPieces, false, true);
            WriteYear(journalPieces, true, true);
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
        const Figures textCut = Measure(self, textPieces, "", memory);
        const Figures rowsCut = Measure(self, journalPiecesLog, "", memory);
        for (const auto& [what, cut, whole] :
             {std::tuple{"text log", textCut, text}, std::tuple{"journal", rowsCut, rows}}) {
            if (cut.reportHash != whole.reportHash) {
                throw std::runtime_error(std::string("the report over the pieces of the ") + what +
                                         " differs from the uncut file's");
            }
            std::printf(
                "TABLE|outages of the same year in twelve .gz pieces, %s|%.0f ms|%.0f ms uncut|%.2f|<= 1.5\n",
                what, cut.seconds * 1000, whole.seconds * 1000, cut.seconds / whole.seconds);
            std::printf("TABLE|peak memory (VmHWM) of that report, %s in pieces|%ld kB||| < 65536 kB\n", what,
                        cut.hwmKb);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "history_bench: %s\n", error.what());
        result = 1;
    }
    return result;
}
