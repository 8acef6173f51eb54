// Whether the status list needs a view of its own: one row appended, with the events it causes
// handled and the rows repainted as the window does once a second, to a list that already holds
// 10 K, 1 M or 10 M rows, shown by the window's ReportListView and by the stock QTreeView with
// uniform row heights and its column heading. Also the heap each view takes for such a list. Times
// are CPU time, which a machine shared with other work disturbs less than wall-clock time.
#include "app/main_window/report_list_view.h"
#include "app/main_window/status_list_model.h"
#include "engine/monitor/recorder.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <utility>

namespace {

constexpr std::time_t kStart = 1'700'000'000;

std::size_t HeapInUse()
{
    const struct mallinfo2 info = ::mallinfo2();
    return info.uordblks + info.hblkhd;
}

struct Figures
{
    double microsPerAppend = 0;
    double viewBytes = 0;
};
std::map<std::string, Figures> g_figures;

std::unique_ptr<QAbstractItemView> MakeView(const std::string& kind)
{
    if (kind == "report") {
        return std::make_unique<pellavane::ReportListView>();
    }
    auto tree = std::make_unique<QTreeView>();
    tree->setUniformRowHeights(true);
    tree->setRootIsDecorated(false);
    tree->setItemsExpandable(false);
    tree->header()->setVisible(true);
    return tree;
}

void MeasureAppend(benchmark::State& state, const std::string& kind)
{
    const auto rows = static_cast<std::int64_t>(state.range(0));
    pellavane::StatusListModel model(pellavane::StatusLine);
    model.SetHeading(QStringLiteral("Internet Connection Status"));
    for (std::int64_t i = 0; i < rows; ++i) {
        model.AppendStatusRow(kStart + i, i % 7 != 0);
    }
    const std::size_t before = HeapInUse();
    std::unique_ptr<QAbstractItemView> view = MakeView(kind);
    view->resize(520, 169);
    view->setModel(&model);
    view->show();
    QApplication::processEvents();
    view->scrollToBottom();
    QApplication::processEvents();
    const std::size_t after = HeapInUse();

    std::int64_t next = rows;
    for (auto _ : state) {
        model.AppendStatusRow(kStart + next, next % 7 != 0);
        ++next;
        view->scrollToBottom();
        QApplication::processEvents();
        view->viewport()->repaint();
    }
    Figures& figures = g_figures[kind + "/" + std::to_string(rows)];
    figures.viewBytes = static_cast<double>(after > before ? after - before : 0);
    state.counters["view_bytes"] = figures.viewBytes;
}

void BM_ReportListViewAppend(benchmark::State& state)
{
    MeasureAppend(state, "report");
}

void BM_TreeViewAppend(benchmark::State& state)
{
    MeasureAppend(state, "tree");
}

BENCHMARK(BM_ReportListViewAppend)
    ->Arg(10'000)
    ->Arg(1'000'000)
    ->Arg(10'000'000)
    ->Iterations(100)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TreeViewAppend)->Arg(10'000)->Iterations(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TreeViewAppend)->Arg(1'000'000)->Iterations(20)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TreeViewAppend)->Arg(10'000'000)->Iterations(5)->Unit(benchmark::kMicrosecond);

class Recorder : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            const std::string name = run.run_name.function_name;
            const std::string kind = name == "BM_ReportListViewAppend" ? "report" : "tree";
            g_figures[kind + "/" + run.run_name.args].microsPerAppend = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

void PrintFigures()
{
    std::printf("\nOne row appended while shown, CPU time (same run):\n");
    const std::pair<const char*, const char*> sizes[] = {
        {"10000", "10K"}, {"1000000", "1M"}, {"10000000", "10M"}};
    for (const auto& [rows, label] : sizes) {
        const Figures& report = g_figures["report/" + std::string(rows)];
        const Figures& tree = g_figures["tree/" + std::string(rows)];
        std::printf("  %3s rows: ReportListView %.0f us, %.1f MB; QTreeView %.0f us, %.1f MB\n", label,
                    report.microsPerAppend, report.viewBytes / 1e6, tree.microsPerAppend,
                    tree.viewBytes / 1e6);
        if (report.microsPerAppend > 0 && tree.microsPerAppend > 0) {
            std::printf(
                "TABLE|append while shown, %s rows: own view vs QTreeView|%.0f us|%.0f us|%.3f|report\n",
                label, report.microsPerAppend, tree.microsPerAppend,
                report.microsPerAppend / tree.microsPerAppend);
        }
    }
    const Figures& report = g_figures["report/10000000"];
    const Figures& tree = g_figures["tree/10000000"];
    std::printf("TABLE|list view heap, 10M rows: own view vs QTreeView|%.1f MB|%.1f MB|%.3f|report\n",
                report.viewBytes / 1e6, tree.viewBytes / 1e6,
                tree.viewBytes > 0 ? report.viewBytes / tree.viewBytes : 0);
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    // The first view shown loads fonts and style caches; that is no view's own memory.
    {
        pellavane::StatusListModel warmUp(pellavane::StatusLine);
        warmUp.AppendStatusRow(kStart, true);
        for (const char* kind : {"report", "tree"}) {
            std::unique_ptr<QAbstractItemView> view = MakeView(kind);
            view->setModel(&warmUp);
            view->show();
            QApplication::processEvents();
            view->viewport()->repaint();
        }
    }
    Recorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);
    benchmark::Shutdown();
    PrintFigures();
    return 0;
}
