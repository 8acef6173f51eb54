#include "engine/listeners/echo_metrics.h"

#include <charconv>

namespace pellavane {
namespace {

std::string Decimal(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return std::string(buffer, result.ptr);
}

void Family(std::string& text, const char* name, const char* type, const char* help)
{
    text += std::string("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
}

} // namespace

namespace {

// Doubling is exact, so each bound is the double nearest its decimal: it prints as that decimal, and
// a round trip ping printed as the bound ("0.050 ms") reads as the same double and falls inside.
double Doubled(double first, std::size_t k)
{
    for (std::size_t i = 0; i < k; ++i) {
        first *= 2;
    }
    return first;
}

} // namespace

double EchoRttBucketBound(std::size_t k)
{
    return Doubled(0.00005, k);
}

void EchoMetrics::Add(const EchoCounts& echoes)
{
    sent += echoes.sent;
    lost += echoes.Lost();
    for (const double rttMs : echoes.rttsMs) {
        // Compared in milliseconds, as ping printed them: seconds would round again.
        for (std::size_t k = 0; k < kEchoRttBuckets; ++k) {
            atMost[k] += rttMs <= Doubled(0.05, k) ? 1 : 0;
        }
        ++answered;
        rttSumSeconds += rttMs / 1000.0;
    }
}

void RenderEchoMetrics(std::string& text, const EchoMetrics& echoes)
{
    Family(text, "pellavane_echoes_sent_total", "counter",
           "Echo requests sent to the first target in connected checks since the program started.");
    text += "pellavane_echoes_sent_total " + std::to_string(echoes.sent) + '\n';
    Family(text, "pellavane_echoes_lost_total", "counter", "Echo requests of those that were not answered.");
    text += "pellavane_echoes_lost_total " + std::to_string(echoes.lost) + '\n';
    const std::string name = "pellavane_echo_rtt_seconds";
    Family(text, name.c_str(), "histogram", "Round trip of every answered echo of the first target.");
    for (std::size_t k = 0; k < kEchoRttBuckets; ++k) {
        text += name + "_bucket{le=\"" + Decimal(EchoRttBucketBound(k)) + "\"} " +
                std::to_string(echoes.atMost[k]) + '\n';
    }
    text += name + "_bucket{le=\"+Inf\"} " + std::to_string(echoes.answered) + '\n';
    std::array<char, 64> sum{};
    const auto end = std::to_chars(sum.data(), sum.data() + sum.size(), echoes.rttSumSeconds);
    text += name + "_sum " + std::string(sum.data(), end.ptr) + '\n';
    text += name + "_count " + std::to_string(echoes.answered) + '\n';
}

} // namespace pellavane
