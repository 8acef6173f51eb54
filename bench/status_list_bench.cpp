// What the status list costs at scale: bytes per row and append time of the window's compact model
// against a QStringListModel holding the same row texts, and the cost of one appended row while a
// view shows ten million rows against the same view over an empty list. The ratios, measured in
// the same run, are printed at the end, with the resident memory of a simulated year of rows at the
// default interval and at one second.
#include "app/main_window/report_list_view.h"
#include "app/main_window/status_list_model.h"
#include "engine/monitor/recorder.h"
#include "engine/monitor/schedule.h"

#include <QApplication>
#include <QStringListModel>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr std::time_t kStart = 1'700'000'000;

struct Figures
{
    double bytesPerRow = 0;
    double nanosPerRow = 0;
};
std::map<std::string, Figures> g_figures;

std::size_t HeapInUse()
{
    const struct mallinfo2 info = ::mallinfo2();
    return info.uordblks + info.hblkhd;
}

bool Connected(std::int64_t i)
{
    return i % 7 != 0;
}

template <class Fill>
void MeasureAppend(benchmark::State& state, const std::string& name, Fill fill)
{
    const auto rows = static_cast<std::int64_t>(state.range(0));
    Figures figures;
    for (auto _ : state) {
        const std::size_t before = HeapInUse();
        const auto started = std::chrono::steady_clock::now();
        auto model = fill(rows);
        const auto elapsed = std::chrono::steady_clock::now() - started;
        const std::size_t after = HeapInUse();
        benchmark::DoNotOptimize(model.get());
        figures.bytesPerRow = static_cast<double>(after - before) / static_cast<double>(rows);
        figures.nanosPerRow =
            std::chrono::duration<double, std::nano>(elapsed).count() / static_cast<double>(rows);
        state.PauseTiming();
        model.reset();
        state.ResumeTiming();
    }
    state.counters["bytes_per_row"] = figures.bytesPerRow;
    state.counters["ns_per_row"] = figures.nanosPerRow;
    state.SetItemsProcessed(state.iterations() * rows);
    g_figures[name + "/" + std::to_string(rows)] = figures;
}

std::unique_ptr<pellavane::StatusListModel> FillCompact(std::int64_t rows)
{
    auto model = std::make_unique<pellavane::StatusListModel>(pellavane::StatusLine);
    for (std::int64_t i = 0; i < rows; ++i)
        model->AppendStatusRow(kStart + i, Connected(i));
    return model;
}

// What a list of ready-made strings does: the row's text is made and kept when the row is added.
std::unique_ptr<QStringListModel> FillStrings(std::int64_t rows)
{
    auto model = std::make_unique<QStringListModel>();
    for (std::int64_t i = 0; i < rows; ++i) {
        const int row = model->rowCount();
        model->insertRows(row, 1);
        model->setData(model->index(row),
                       QString::fromStdString(pellavane::StatusLine(kStart + i, Connected(i))));
    }
    return model;
}

void BM_CompactAppend(benchmark::State& state)
{
    MeasureAppend(state, "compact", FillCompact);
}

void BM_StringListAppend(benchmark::State& state)
{
    MeasureAppend(state, "strings", FillStrings);
}

// One more row while a view shows the list, with the events it causes handled, as the window does
// once a second; the list already holds range(0) rows.
void BM_AppendWhileShown(benchmark::State& state)
{
    const auto rows = static_cast<std::int64_t>(state.range(0));
    pellavane::StatusListModel model(pellavane::StatusLine);
    for (std::int64_t i = 0; i < rows; ++i)
        model.AppendStatusRow(kStart + i, Connected(i));
    pellavane::ReportListView view;
    view.resize(520, 169);
    view.setModel(&model);
    view.show();
    QApplication::processEvents();
    view.scrollToBottom();
    std::int64_t next = rows;
    for (auto _ : state) {
        model.AppendStatusRow(kStart + next, Connected(next));
        ++next;
        QApplication::processEvents();
        view.viewport()->repaint();
    }
}

BENCHMARK(BM_CompactAppend)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StringListAppend)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CompactAppend)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_AppendWhileShown)->Arg(0)->Arg(10'000'000)->Unit(benchmark::kMicrosecond)->Iterations(200);

// Keeps the real time per iteration of each run, to compare the shown list's two sizes.
class Recorder : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            m_perIteration[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    double PerIteration(const std::string& name) const
    {
        const auto found = m_perIteration.find(name);
        return found == m_perIteration.end() ? 0 : found->second;
    }

private:
    std::map<std::string, double> m_perIteration;
};

void PrintRatios(const Recorder& recorder)
{
    const auto compact = g_figures.find("compact/1000000");
    const auto strings = g_figures.find("strings/1000000");
    const auto large = g_figures.find("compact/10000000");
    std::printf("\nStatus list at scale (same run):\n");
    if (compact != g_figures.end() && strings != g_figures.end()) {
        std::printf(
            "  1M rows: compact %.1f bytes/row, strings %.1f bytes/row: strings need %.1fx the memory\n",
            compact->second.bytesPerRow, strings->second.bytesPerRow,
            strings->second.bytesPerRow / compact->second.bytesPerRow);
        std::printf("  1M rows: compact %.0f ns/row, strings %.0f ns/row: compact appends %.1fx faster\n",
                    compact->second.nanosPerRow, strings->second.nanosPerRow,
                    strings->second.nanosPerRow / compact->second.nanosPerRow);
        std::printf("TABLE|status list bytes per row, 1M rows|%.1f B|%.1f B|%.3f|<= 0.15\n",
                    compact->second.bytesPerRow, strings->second.bytesPerRow,
                    compact->second.bytesPerRow / strings->second.bytesPerRow);
        std::printf("TABLE|status list append time per row, 1M rows|%.0f ns|%.0f ns|%.2f|report\n",
                    compact->second.nanosPerRow, strings->second.nanosPerRow,
                    compact->second.nanosPerRow / strings->second.nanosPerRow);
    }
    if (large != g_figures.end())
        std::printf("  10M rows: compact %.1f bytes/row, %.0f MB in all, %.0f ns/row\n",
                    large->second.bytesPerRow, large->second.bytesPerRow * 10'000'000 / (1024.0 * 1024.0),
                    large->second.nanosPerRow);
    const double empty = recorder.PerIteration("BM_AppendWhileShown/0/iterations:200");
    const double full = recorder.PerIteration("BM_AppendWhileShown/10000000/iterations:200");
    if (empty > 0 && full > 0)
        std::printf(
            "  one row appended while shown: %.0f us at 10M rows vs %.0f us on an empty list: %.2fx\n", full,
            empty, full / empty);
    if (empty > 0 && full > 0)
        std::printf("TABLE|row appended while shown, 10M rows|%.0f us|%.0f us (empty list)|%.2f|report\n",
                    full, empty, full / empty);
}

// The process's resident memory in kB, as the kernel counts it: pages touched, not bytes reserved.
long ResidentKb()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return 0;
}

// A year of checks every intervalSeconds added through the model, as the window adds them, with
// no view: what the rows themselves keep resident, against what the store says it holds.
void MeasureYear(int intervalSeconds)
{
    constexpr std::int64_t kYearSeconds = 365LL * 24 * 3600;
    const std::int64_t rows = kYearSeconds / intervalSeconds;
    ::malloc_trim(0);
    const long before = ResidentKb();
    pellavane::StatusListModel model(pellavane::StatusLine);
    for (std::int64_t i = 0; i < rows; ++i)
        model.AppendStatusRow(static_cast<std::time_t>(kStart + i * intervalSeconds), Connected(i));
    const long after = ResidentKb();
    const double resident = static_cast<double>(after - before) * 1024;
    const auto held = static_cast<double>(model.Store().MemoryBytes());
    constexpr double kMB = 1024.0 * 1024.0;
    std::printf("  a year at %d s: %lld rows, %.1f MB resident, %.2f bytes/row (the store holds %.1f MB)\n",
                intervalSeconds, static_cast<long long>(rows), resident / kMB,
                resident / static_cast<double>(rows), held / kMB);
    std::printf(
        "TABLE|status list after a year at %d s, %.1fM rows|%.1f MB resident|%.1f MB held|%.2f|report\n",
        intervalSeconds, static_cast<double>(rows) / 1e6, resident / kMB, held / kMB, resident / held);
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Recorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);
    benchmark::Shutdown();
    PrintRatios(recorder);
    // The default interval is the list's second row.
    MeasureYear(pellavane::kIntervalTable[1].seconds);
    MeasureYear(1);
    return 0;
}
