// The cost of one capture of a tiny child against the least a caller could do for the same child:
// posix_spawnp, read the pipe to its end, waitpid. The ratio of the two, measured in the same run,
// is printed at the end.
#include "cmd_output.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr const char* kChild = "printf";
constexpr const char* kChildOutput = "hello";

std::string BareSpawnReadWait()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe2 failed");
    }
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    char* argv[] = {const_cast<char*>(kChild), const_cast<char*>(kChildOutput), nullptr};
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, kChild, &actions, nullptr, argv, environ);
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
        std::string output = BareSpawnReadWait();
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

BENCHMARK(BM_BareSpawnReadWait)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RunCapturedCommand)->UseRealTime()->Unit(benchmark::kMicrosecond);

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
    }
    return 0;
}
