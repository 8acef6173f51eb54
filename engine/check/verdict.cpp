#include "engine/check/verdict.h"

#include <algorithm>
#include <ctime>
#include <utility>

namespace pellavane {
namespace {

/** A target on this machine itself: a loopback address or the name that stands for it. */
bool IsLoopbackTarget(const std::string& host)
{
    return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

using Clock = std::chrono::steady_clock;
using Kind = PingReply::Kind;

bool Answered(const PingReply& reply)
{
    return reply.kind == Kind::Answered;
}

PingReply ReplyAt(const std::vector<PingReply>& replies, std::size_t i)
{
    return i < replies.size() ? replies[i] : PingReply{};
}

// Fills targets from the hosts a round pinged and names the first that answered; false when none.
bool Record(CheckResult& result, const std::vector<std::string>& hosts, const std::vector<PingReply>& replies)
{
    bool any = false;
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        const PingReply reply = ReplyAt(replies, i);
        result.targets.push_back({hosts[i], Answered(reply)});
        if (Answered(reply) && !any) {
            any = true;
            result.target = hosts[i];
            result.rttMs = reply.rttMs;
        }
    }
    return any;
}

} // namespace

PingReply IPingRunner::PingEchoes(const std::string& host, int, std::chrono::milliseconds bound)
{
    PingReply reply = ReplyAt(PingAll({host}, bound), 0);
    reply.echoes = EchoCounts{1, {}};
    if (Answered(reply) && reply.rttMs) {
        reply.echoes->rttsMs.push_back(*reply.rttMs);
    }
    return reply;
}

ConnectivityVerdict::ConnectivityVerdict(IPingRunner& ping, std::vector<std::string> hosts, IWebCheck* web,
                                         VerdictLimits limits, ILocalNetwork* local, int echoesPerCheck)
    : m_ping(ping), m_hosts(std::move(hosts)), m_web(web), m_limits(limits), m_local(local),
      m_echoes(std::clamp(echoesPerCheck, 1, kMostEchoesPerCheck))
{}

CheckResult ConnectivityVerdict::Check()
{
    const auto started = Clock::now();
    const auto deadline = started + m_limits.total;
    // Every round gets its own share, and the last what is left, so a ping that hangs in each of
    // them still ends the check within the total.
    const auto roundBound = [&] {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        return std::clamp(left, std::chrono::milliseconds::zero(), m_limits.round);
    };
    CheckResult result;
    PingReply head;
    PingReply firstAgain;
    bool echoesFiltered = false;
    const auto decide = [&](bool connected, std::string cause) {
        // A silent first target lost every echo it was sent, whoever else answered. When no echo
        // came back at all and only the web said the connection is up, echoes are filtered on the
        // way and their loss says nothing of its quality.
        if (connected && !echoesFiltered) {
            result.echoes = Answered(head) && head.echoes ? *head.echoes : EchoCounts{m_echoes, {}};
            if (!Answered(head) && Answered(firstAgain) && firstAgain.rttMs) {
                // The confirming round's echo to the first target is one more sent, and answered. A
                // check of one echo keeps one, read as its row reads: the first target answered.
                if (m_echoes == 1) {
                    result.echoes->rttsMs.clear();
                } else {
                    ++result.echoes->sent;
                }
                result.echoes->rttsMs.push_back(*firstAgain.rttMs);
            }
        }
        if (m_web != nullptr) {
            m_web->Cancel();
        }
        result.connected = connected;
        result.cause = std::move(cause);
        result.time = std::time(nullptr);
        result.durationSeconds = std::chrono::duration<double>(Clock::now() - started).count();
        m_last = result;
        return result;
    };
    if (m_hosts.empty()) {
        return decide(false, "targets silent");
    }

    const std::vector<std::string> first(m_hosts.begin(), m_hosts.begin() + 1);
    head = m_ping.PingEchoes(m_hosts.front(), m_echoes, roundBound());
    if (head.kind == Kind::Answered || head.kind == Kind::NoPingProgram) {
        Record(result, first, {head});
        return decide(Answered(head), Answered(head) ? "" : "no ping program");
    }

    // A name that did not resolve is asked again in the confirming round, which pings the others
    // too: an answer from them now could not make the check Connected anyway.
    if (head.kind != Kind::NameLookupFailed && m_hosts.size() > 1) {
        const std::vector<std::string> others(m_hosts.begin() + 1, m_hosts.end());
        const std::vector<PingReply> replies = m_ping.PingAll(others, roundBound());
        result.targets.push_back({m_hosts.front(), false});
        if (Record(result, others, replies)) {
            return decide(true, "first target silent");
        }
        result.targets.clear();
    }

    if (m_web != nullptr) {
        m_web->Start();
    }
    // The router is asked in the same round, so a check takes no longer for it; a machine with no
    // route or no link up has no router to ask.
    // Targets on this machine itself answer or not whatever the router does; it is not asked for
    // them, so a check of loopback never sends anything past it.
    std::optional<LocalNetworkState> local;
    std::vector<std::string> confirmingHosts = m_hosts;
    if (m_local != nullptr && !std::all_of(m_hosts.begin(), m_hosts.end(), IsLoopbackTarget)) {
        local = m_local->Read();
        if (local->interfaceUp && local->route && !local->route->gateway.empty()) {
            confirmingHosts.push_back(local->route->gateway);
        }
    }
    const std::vector<PingReply> confirming = m_ping.PingAll(confirmingHosts, roundBound());
    firstAgain = ReplyAt(confirming, 0);
    const bool answered = Record(result, m_hosts, confirming);
    if (head.kind == Kind::NameLookupFailed && firstAgain.kind == Kind::NameLookupFailed) {
        // A broken name service breaks nearly everything a user does, even when addresses answer.
        return decide(false, "name lookup failed");
    }
    if (answered) {
        return decide(true, Answered(firstAgain) ? "" : "first target silent");
    }
    if (firstAgain.kind == Kind::NoPingProgram) {
        return decide(false, "no ping program");
    }
    const WebAnswer web = m_web != nullptr ? m_web->Finish() : WebAnswer::None;
    if (web == WebAnswer::NoContent) {
        echoesFiltered = true;
        return decide(true, "echo filtered");
    }
    if (web == WebAnswer::Other) {
        return decide(false, "captive portal");
    }
    if (firstAgain.kind == Kind::NameLookupFailed) {
        return decide(false, "name lookup failed");
    }
    if (!local) {
        return decide(false, "targets silent");
    }
    const bool routerPinged = confirmingHosts.size() > m_hosts.size();
    const bool routerAnswered = routerPinged && Answered(ReplyAt(confirming, m_hosts.size()));
    // Read after the echo request, which made the kernel ask the link for the router's address.
    const bool neighbour =
        routerPinged && !routerAnswered && m_local->NeighbourReachable(confirmingHosts.back());
    return decide(false, LocalNetworkCause(*local, routerAnswered, neighbour));
}

bool ConnectivityVerdict::IsInternetConnected()
{
    return Check().connected;
}

} // namespace pellavane
