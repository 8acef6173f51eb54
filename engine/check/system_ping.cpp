#include "engine/check/system_ping.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace pellavane {
namespace {

// One echo request prints well under a kilobyte; a ping that floods instead is cut off here.
constexpr std::size_t kPingOutputLimit = 64 * 1024;

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool Contains(std::string_view text, std::string_view marker)
{
    return std::search(text.begin(), text.end(), marker.begin(), marker.end(),
                       [](char a, char b) { return Lower(a) == Lower(b); }) != text.end();
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// "=0.120 ms", "=12ms" or "<1ms" at text[at]: the number, read by hand because the program's
// locale may spell decimals with a comma.
std::optional<double> NumberOfMilliseconds(std::string_view text, std::size_t at)
{
    std::size_t i = at + 1;
    // Whole digits over a power of ten: one correctly rounded division, so "0.120" is 0.12 exactly
    // as the text would be read.
    double digitsValue = 0;
    double scale = 1;
    bool digits = false;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        digitsValue = digitsValue * 10 + (text[i] - '0');
        digits = true;
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && IsDigit(text[i]); ++i) {
            digitsValue = digitsValue * 10 + (text[i] - '0');
            scale *= 10;
            digits = true;
        }
    }
    const double value = digitsValue / scale;
    if (i < text.size() && text[i] == ' ') {
        ++i;
    }
    if (!digits || text.substr(i, 2) != "ms") {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<double> PingRoundTrip(std::string_view output)
{
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = output.find('\n', start);
        if (end == std::string_view::npos) {
            end = output.size();
        }
        const std::string_view line = output.substr(start, end - start);
        if (Contains(line, "ttl=") && Contains(line, "bytes")) {
            for (std::size_t i = 0; i < line.size(); ++i) {
                if (line[i] == '=' || line[i] == '<') {
                    if (const auto ms = NumberOfMilliseconds(line, i)) {
                        return ms;
                    }
                }
            }
        }
        start = end + 1;
    }
    return std::nullopt;
}

PingReply ReadPingRun(const CapturedRun& run, PingDialect dialect)
{
    if (!run.started) {
        return {PingReply::Kind::NoPingProgram, std::nullopt};
    }
    if (ClassifyPingOutput(run.output, dialect)) {
        return {PingReply::Kind::Answered, PingRoundTrip(run.output)};
    }
    const bool nameFailed =
        dialect == PingDialect::Windows
            ? Contains(run.output, "could not find host") || Contains(run.errors, "could not find host")
            : run.exitStatus == 2 && (Contains(run.errors, "Name or service not known") ||
                                      Contains(run.errors, "Temporary failure in name resolution"));
    return {nameFailed ? PingReply::Kind::NameLookupFailed : PingReply::Kind::Silent, std::nullopt};
}

SystemPing::SystemPing(EventPump pump, std::chrono::milliseconds pollSlice)
    : m_pump(std::move(pump)), m_pollSlice(pollSlice)
{}

std::vector<PingReply> SystemPing::PingAll(const std::vector<std::string>& hosts,
                                           std::chrono::milliseconds bound)
{
    std::vector<std::string> commandLines;
    std::vector<bool> refused;
    for (const std::string& host : hosts) {
        try {
            commandLines.push_back(ProbeCommandLine(host));
            refused.push_back(false);
        } catch (const std::invalid_argument&) {
            // Never started: a host that could pass for an option stays out of ping's arguments.
            commandLines.emplace_back();
            refused.push_back(true);
        }
    }
    std::vector<PingReply> replies(hosts.size());
    try {
        CaptureLimits limits;
        limits.total = bound;
        limits.pollSlice = m_pollSlice;
        limits.maxBytes = kPingOutputLimit;
        // The markers are those of the English text, which only the C locale guarantees; Windows'
        // ping pays the variable no heed.
        const std::vector<CapturedRun> runs = RunCapturedCommands(commandLines, m_pump, limits, {"LC_ALL=C"});
        for (std::size_t i = 0; i < hosts.size() && i < runs.size(); ++i) {
            replies[i] = refused[i] ? PingReply{} : ReadPingRun(runs[i], NativePingDialect());
        }
    } catch (...) {
        // Children that cannot be run mean no connection can be shown; the replies stay Silent.
    }
    return replies;
}

} // namespace pellavane
