// Many records in one process: descriptors and memory must not grow with the count. The figures
// are printed; the checks allow for the status list's own few bytes a row and the allocator.
#include "app/tests/faults/fault_support.h"

#include "app/main_window/status_list_model.h"
#include "engine/check/probe.h"
#include "engine/monitor/recorder.h"
#include "testsupport/main_window_fakes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace pellavane {
namespace {

using namespace pellavane::testing;

struct Figures
{
    int descriptors;
    long rssKb;
};

Figures Now()
{
    return {OpenDescriptorCount(), StatusKilobytes("VmRSS")};
}

// AddressSanitizer keeps freed memory in quarantine, a few hundred megabytes, so resident memory
// grows under it whatever the program does; its leak check at exit stands in for this one there.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryComparable = false;
#else
constexpr bool kMemoryComparable = true;
#endif

void Print(const char* what, int records, const Figures& warm, const Figures& end)
{
    std::printf("%s, %d records: open descriptors %d after warm-up, %d at the end; VmRSS %ld kB after "
                "warm-up, %ld kB at the end\n",
                what, records, warm.descriptors, end.descriptors, warm.rssKb, end.rssKb);
}

/** Figures after a tenth of the records (the warm-up) and after all of them, printed. */
struct Run
{
    Figures warm;
    Figures end;
};

Run RecordMany(StatusRecorder& recorder, int records, const char* what)
{
    const int warmUp = records / 10;
    for (int i = 0; i < warmUp; ++i) {
        recorder.RecordStatus();
    }
    const Figures warm = Now();
    for (int i = warmUp; i < records; ++i) {
        recorder.RecordStatus();
    }
    const Run run{warm, Now()};
    Print(what, records, run.warm, run.end);
    return run;
}

// The real recorder, log writer and status list; the verdict answers at once, so the count can be
// large.
TEST(LongRun, HundredThousandRecordsKeepDescriptorsAndMemoryFlat)
{
    Sandbox sandbox;
    const std::string log = sandbox.File("long.txt");
    FakeVerdict verdict;
    SystemClock clock;
    StatusListModel list(StatusLine);
    StatusRecorder recorder(
        verdict, clock, [&] { return log; }, list);
    const int records = Scaled(100000, 5000);
    const auto [warm, end] = RecordMany(recorder, records, "fake probe");
    const int warmUp = records / 10;

    EXPECT_EQ(end.descriptors, warm.descriptors);
    // The list keeps 8 bytes a row; everything beyond that and a margin is a leak.
    const long listKb = static_cast<long>(records - warmUp) * 8 / 1024;
    if (kMemoryComparable) {
        EXPECT_LE(end.rssKb - warm.rssKb, listKb + 4096);
    }
    EXPECT_EQ(list.rowCount(), records);
    EXPECT_EQ(LineCount(ReadFile(log)), records);
}

// The same through the real capture of a fake ping: a child, a pipe and a reap for every record.
TEST(LongRun, ThousandsOfRealCapturesLeaveNoDescriptorOrChildBehind)
{
    Sandbox sandbox;
    ScopedEnv path("PATH", sandbox.File("bin") + ":/usr/bin:/bin");
    ScopedEnv host("PELLAVANE_PROBE_HOST", "127.0.0.1");
    const std::string log = sandbox.File("captured.txt");
    PingVerdict verdict;
    SystemClock clock;
    StatusListModel list(StatusLine);
    StatusRecorder recorder(
        verdict, clock, [&] { return log; }, list);
    const int records = Scaled(2000, 100);
    const auto [warm, end] = RecordMany(recorder, records, "real capture of a fake ping");

    EXPECT_EQ(end.descriptors, warm.descriptors);
    if (kMemoryComparable) {
        EXPECT_LE(end.rssKb - warm.rssKb, 4096);
    }
    const std::string text = ReadFile(log);
    EXPECT_EQ(LineCount(text), records);
    EXPECT_EQ(text.find(kStatusDisconnected), std::string::npos) << "every fake ping answered";
}

} // namespace
} // namespace pellavane
