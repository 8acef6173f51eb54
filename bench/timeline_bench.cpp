// The history window's timeline repainting a month of 5-second checks (518,400 round trips, with an
// outage every six hours, a night not watched each week, 5 echoes a check with 1 % of them lost at
// random and half an hour degraded each day) over the last month, offscreen, at about the window's
// size. Each repaint decimates the samples and sums the losses again, as one after a change of range
// does. Against a repaint of the same view with no samples and no losses: the axes, grid and bands
// alone. Median of 101.
//   timeline_bench --read LOG NOW   instead times the window's reading of LOG's history (the reports'
//                               reading, and the round trips of the month before NOW, in seconds)
//                               and prints the process's peak resident memory.
#include "app/history_window/history_timeline.h"
#include "app/history_window/history_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::int64_t kEnd = 1'796'000'000;
constexpr std::int64_t kMonth = 30 * 86400;
constexpr int kStep = 5;

std::shared_ptr<pellavane::TimelineData> Month()
{
    auto data = std::make_shared<pellavane::TimelineData>();
    std::mt19937 random(17);
    std::gamma_distribution<float> rtt(4.0f, 3.0f);
    std::bernoulli_distribution lost(0.01);
    const std::int64_t start = kEnd - kMonth;
    data->echoesFrom = start;
    data->echoesSent.resize(kMonth / pellavane::kEchoBucketSeconds);
    // Every check answered, so every one of the 518,400 is drawn: the worst case for the line. The
    // outages and a night not watched each week are bands over it, and the line breaks at each.
    for (std::int64_t t = start; t < kEnd; t += kStep) {
        const bool breaks = (t - start) % (6 * 3600) == 0;
        if (breaks) {
            data->outages.push_back({t, t + 120});
        }
        if ((t - start) % 86400 == 14 * 3600) {
            data->degraded.push_back({t, t + 1800});
        }
        data->samples.push_back({t, rtt(random), !breaks});
        std::uint16_t echoesLost = 0;
        for (int echo = 0; echo < 5; ++echo) {
            echoesLost = static_cast<std::uint16_t>(echoesLost + (lost(random) ? 1 : 0));
        }
        data->echoesSent[static_cast<std::size_t>((t - start) / pellavane::kEchoBucketSeconds)] += 5;
        if (echoesLost > 0) {
            data->losses.push_back({t, 5, echoesLost});
        }
    }
    std::int64_t knownFrom = start;
    for (std::int64_t week = start + 6 * 86400; week < kEnd; week += 7 * 86400) {
        data->known.push_back({knownFrom, week});
        knownFrom = week + 8 * 3600;
    }
    data->known.push_back({knownFrom, kEnd});
    return data;
}

double MedianRepaintMs(pellavane::TimelineView& view, QImage& target)
{
    std::vector<double> times;
    for (int i = 0; i < 101; ++i) {
        QElapsedTimer timer;
        timer.start();
        view.render(&target);
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::nth_element(times.begin(), times.begin() + 50, times.end());
    return times[50];
}

long PeakKb()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

int Read(const char* log, std::int64_t now)
{
    QElapsedTimer timer;
    timer.start();
    const pellavane::HistoryView view = pellavane::ReadHistoryView(log, now);
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    if (!view.error.empty()) {
        std::fprintf(stderr, "%s\n", view.error.c_str());
        return 1;
    }
    std::printf("read %s: %zu outages, %zu days, %zu round trips and %zu checks with a lost echo of the last "
                "month in %.0f ms, VmHWM %ld kB\n",
                log, view.report.outages.size(), view.report.periods.size(), view.timeline.samples.size(),
                view.timeline.losses.size(), ms, PeakKb());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--read") == 0) {
        return Read(argv[2], std::stoll(argv[3]));
    }
    QApplication app(argc, argv);
    const auto month = Month();
    pellavane::TimelineView view;
    view.resize(956, 300);
    view.SetRange(kEnd - kMonth, kEnd);
    QImage target(view.size(), QImage::Format_ARGB32_Premultiplied);

    view.SetData(month);
    const double full = MedianRepaintMs(view, target);
    auto bare = std::make_shared<pellavane::TimelineData>(*month);
    bare->samples.clear();
    bare->losses.clear();
    view.SetData(bare);
    const double empty = MedianRepaintMs(view, target);

    std::printf("timeline: %zu samples, %zu checks with a lost echo, %zu outages, %zu degraded, %zu known "
                "stretches, %d columns\n",
                month->samples.size(), month->losses.size(), month->outages.size(), month->degraded.size(),
                month->known.size(), view.PlotRect().width());
    std::printf("TABLE|timeline repaint, a month of 5 s checks (%zu samples, loss marks)|%.2f ms|%.2f ms (no "
                "samples or marks)|%.2f|< 16 ms\n",
                month->samples.size(), full, empty, empty > 0 ? full / empty : 0.0);
    return full < 16 ? 0 : 1;
}
