#include "engine/check/system_ping.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace pellavane {
namespace {

// Twenty echo requests print well under a few kilobytes; a ping that floods instead is cut off here.
constexpr std::size_t kPingOutputLimit = 64 * 1024;

} // namespace

PingReply ReadPingRun(const CapturedRun& run, PingDialect dialect)
{
    if (!run.started) {
        return {PingReply::Kind::NoPingProgram, std::nullopt, std::nullopt};
    }
    if (ClassifyPingOutput(run.output, dialect)) {
        return {PingReply::Kind::Answered, PingRoundTrip(run.output), std::nullopt};
    }
    const bool nameFailed =
        dialect == PingDialect::Windows
            ? ContainsIgnoringCase(run.output, "could not find host") ||
                  ContainsIgnoringCase(run.errors, "could not find host")
            : run.exitStatus == 2 &&
                  (ContainsIgnoringCase(run.errors, "Name or service not known") ||
                   ContainsIgnoringCase(run.errors, "Temporary failure in name resolution"));
    // Asked for one family, a name with addresses of the other only: glibc's words for it.
    const bool noAddress = dialect == PingDialect::Unix && run.exitStatus == 2 &&
                           (ContainsIgnoringCase(run.errors, "Address family for hostname not supported") ||
                            ContainsIgnoringCase(run.errors, "No address associated with hostname"));
    return {nameFailed  ? PingReply::Kind::NameLookupFailed
            : noAddress ? PingReply::Kind::NoAddressOfFamily
                        : PingReply::Kind::Silent,
            std::nullopt, std::nullopt};
}

PingReply ReadPingEchoesRun(const CapturedRun& run, PingDialect dialect, int echoes)
{
    PingReply reply = ReadPingRun(run, dialect);
    PingEchoLines lines = ReadPingEchoes(run.output, dialect);
    const bool someAnswered = !lines.rttsMs.empty() && !ContainsIgnoringCase(run.output, "100% packet loss");
    if (reply.kind == PingReply::Kind::Silent && echoes > 1 && someAnswered) {
        reply.kind = PingReply::Kind::Answered;
        reply.rttMs = PingRoundTrip(run.output);
    }
    if (reply.kind != PingReply::Kind::Answered) {
        return reply;
    }
    EchoCounts counts;
    counts.sent = lines.transmitted ? std::min(*lines.transmitted, echoes)
                  : run.exitStatus  ? echoes
                                    : static_cast<int>(lines.rttsMs.size());
    // An answer proves one was sent, even one whose round trip could not be read.
    counts.sent = std::max(counts.sent, 1);
    lines.rttsMs.resize(std::min(lines.rttsMs.size(), static_cast<std::size_t>(counts.sent)));
    counts.rttsMs = std::move(lines.rttsMs);
    reply.echoes = std::move(counts);
    return reply;
}

SystemPing::SystemPing(EventPump pump, std::chrono::milliseconds pollSlice)
    : m_pump(std::move(pump)), m_pollSlice(pollSlice)
{}

std::vector<PingReply> SystemPing::PingAll(const std::vector<std::string>& hosts,
                                           std::chrono::milliseconds bound)
{
    std::vector<PingRequest> requests;
    for (const std::string& host : hosts) {
        requests.push_back({host, std::nullopt, std::nullopt});
    }
    return PingRound(requests, bound);
}

PingReply SystemPing::PingEchoes(const std::string& host, int echoes, std::chrono::milliseconds bound)
{
    return PingRound({{host, std::nullopt, echoes}}, bound).front();
}

std::vector<PingReply> SystemPing::PingRound(const std::vector<PingRequest>& requests,
                                             std::chrono::milliseconds bound)
{
    std::vector<std::string> commandLines;
    std::vector<bool> refused;
    for (const PingRequest& request : requests) {
        try {
            commandLines.push_back(
                ProbeCommandLine(request.host, request.echoes.value_or(1), request.family));
            refused.push_back(false);
        } catch (const std::invalid_argument&) {
            // Never started: a host that could pass for an option stays out of ping's arguments.
            commandLines.emplace_back();
            refused.push_back(true);
        }
    }
    std::vector<PingReply> replies(requests.size());
    const std::vector<CapturedRun> runs = Run(commandLines, bound);
    for (std::size_t i = 0; i < requests.size() && i < runs.size(); ++i) {
        if (!refused[i]) {
            replies[i] = requests[i].echoes
                             ? ReadPingEchoesRun(runs[i], NativePingDialect(), *requests[i].echoes)
                             : ReadPingRun(runs[i], NativePingDialect());
        }
    }
    return replies;
}

std::vector<CapturedRun> SystemPing::Run(const std::vector<std::string>& commandLines,
                                         std::chrono::milliseconds bound)
{
    try {
        CaptureLimits limits;
        limits.total = bound;
        limits.pollSlice = m_pollSlice;
        limits.maxBytes = kPingOutputLimit;
        // The markers are those of the English text, which only the C locale guarantees; Windows'
        // ping pays the variable no heed.
        return RunCapturedCommands(commandLines, m_pump, limits, {"LC_ALL=C"});
    } catch (...) {
        // Children that cannot be run mean no connection can be shown; the replies stay Silent.
        return {};
    }
}

} // namespace pellavane
