#pragma once

#include "engine/check/check_result.h"

#include <array>
#include <string>

namespace pellavane {

/** Buckets of the echoes' round-trip histogram: 50 microseconds doubled 19 times, up to about 26 s,
 *  the bounds the common exporters of echo round trips use, so that their dashboards read ours. */
inline constexpr std::size_t kEchoRttBuckets = 20;

/** The upper bound of bucket k in seconds: 0.00005 x 2^k. */
double EchoRttBucketBound(std::size_t k);

/** The first target's echoes in connected checks since the program started. */
struct EchoMetrics
{
    long long sent = 0;
    long long lost = 0;
    /** Answered echoes whose round trip is at most each bucket's bound, each counting in every
     *  bucket that holds it, as the exposition format counts them. */
    std::array<long long, kEchoRttBuckets> atMost{};
    long long answered = 0;
    double rttSumSeconds = 0;

    void Add(const EchoCounts& echoes);
};

/** The echo families: pellavane_echoes_sent_total, pellavane_echoes_lost_total and the histogram
 *  pellavane_echo_rtt_seconds, appended to text. Bounds are written in plain decimals
 *  (le="0.00005"), the same text every time. */
void RenderEchoMetrics(std::string& text, const EchoMetrics& echoes);

} // namespace pellavane
