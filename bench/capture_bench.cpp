// The cost of one capture of a tiny child against the least a caller could do for the same child:
// posix_spawnp, read the pipe to its end, waitpid; and the throughput of a capture of 256 MiB of
// output against a bare loop of 1024-byte reads keeping the same bytes. The ratios, measured in the
// same run, are printed at the end, the last lines in the form bench/run-all.sh collects.
#include "engine/check/capture.h"

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr const char* kChild = "printf";
constexpr const char* kChildOutput = "hello";

// The baseline: what a capture does at the least, a spawn, a 1024-byte read loop that keeps what it
// reads (a capture's caller needs the text, not only its length) and a wait.
std::string BareSpawnReadWait(std::vector<const char*> argv)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe2 failed");
    }
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned =
        ::posix_spawnp(&pid, argv[0], &actions, nullptr, const_cast<char* const*>(argv.data()), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    std::string output;
    if (spawned == 0) {
        std::array<char, 1024> buffer;
        ssize_t got = 0;
        while ((got = ::read(fds[0], buffer.data(), buffer.size())) > 0) {
            output.append(buffer.data(), static_cast<std::size_t>(got));
        }
        ::waitpid(pid, nullptr, 0);
    }
    ::close(fds[0]);
    return output;
}

void BM_BareSpawnReadWait(benchmark::State& state)
{
    for (auto _ : state) {
        std::string output = BareSpawnReadWait({kChild, kChildOutput});
        if (output != kChildOutput) {
            state.SkipWithError("unexpected output");
            break;
        }
        benchmark::DoNotOptimize(output);
    }
}

void BM_RunCapturedCommand(benchmark::State& state)
{
    const std::string commandLine = std::string(kChild) + " " + kChildOutput;
    int pumped = 0;
    const pellavane::EventPump pump = [&] { ++pumped; };
    for (auto _ : state) {
        std::string output = pellavane::RunCapturedCommand(commandLine, true, false, true, pump);
        if (output != kChildOutput) {
            state.SkipWithError("unexpected output");
            break;
        }
        benchmark::DoNotOptimize(output);
    }
    state.counters["pumps_per_call"] = benchmark::Counter(pumped, benchmark::Counter::kAvgIterations);
}

constexpr std::size_t kBulkBytes = 256U * 1024U * 1024U;
const std::string kBulkCount = std::to_string(kBulkBytes);

void BM_BareBulkReadLoop(benchmark::State& state)
{
    for (auto _ : state) {
        if (BareSpawnReadWait({"head", "-c", kBulkCount.c_str(), "/dev/zero"}).size() != kBulkBytes) {
            state.SkipWithError("short read");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBulkBytes));
}

void BM_CaptureBulk(benchmark::State& state)
{
    const std::string commandLine = "head -c " + kBulkCount + " /dev/zero";
    pellavane::CaptureLimits limits;
    limits.total = std::chrono::minutes(5);
    for (auto _ : state) {
        const std::string output = pellavane::RunCapturedCommand(commandLine, true, false, true, {}, limits);
        if (output.size() != kBulkBytes) {
            state.SkipWithError("short capture");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBulkBytes));
}

BENCHMARK(BM_BareSpawnReadWait)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RunCapturedCommand)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareBulkReadLoop)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CaptureBulk)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// Keeps each benchmark's mean real time per call so the ratio can be printed after the table.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (!run.error_occurred && run.run_type == Run::RT_Iteration) {
                m_realTime[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double Time(const std::string& name) const
    {
        const auto found = m_realTime.find(name);
        return found == m_realTime.end() ? 0.0 : found->second;
    }

private:
    std::map<std::string, double> m_realTime;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const double bare = reporter.Time("BM_BareSpawnReadWait");
    const double capture = reporter.Time("BM_RunCapturedCommand");
    if (bare > 0.0 && capture > 0.0) {
        std::printf(
            "RunCapturedCommand / bare posix_spawnp+read+waitpid: %.2f (%.1f us against %.1f us per call)\n",
            capture / bare, capture, bare);
        std::printf("TABLE|capture cost per call|%.1f us|%.1f us|%.2f|<= 1.1\n", capture, bare,
                    capture / bare);
    }
    // Names carry the iteration count when it is fixed.
    const double bareBulk = reporter.Time("BM_BareBulkReadLoop");
    const double captureBulk = reporter.Time("BM_CaptureBulk");
    if (bareBulk > 0.0 && captureBulk > 0.0) {
        const double mib = static_cast<double>(kBulkBytes) / (1024.0 * 1024.0);
        // Times are in milliseconds here.
        const double captureRate = mib / (captureBulk / 1000.0);
        const double bareRate = mib / (bareBulk / 1000.0);
        std::printf("Capture of 256 MiB / bare 1024-byte read loop, throughput: %.2f (%.0f MiB/s against "
                    "%.0f MiB/s)\n",
                    captureRate / bareRate, captureRate, bareRate);
        std::printf("TABLE|capture throughput, 256 MiB|%.0f MiB/s|%.0f MiB/s|%.2f|>= 0.9\n", captureRate,
                    bareRate, captureRate / bareRate);
    }
    return 0;
}
