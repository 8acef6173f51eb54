#include "engine/check/verdict.h"

#include "engine/check/target_group.h"

#include <algorithm>
#include <ctime>
#include <iterator>
#include <utility>

namespace pellavane {
namespace {

using Clock = std::chrono::steady_clock;
using Kind = PingReply::Kind;

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

std::vector<PingReply> IPingRunner::PingRound(const std::vector<PingRequest>& requests,
                                              std::chrono::milliseconds bound)
{
    std::vector<PingReply> replies(requests.size());
    std::vector<std::string> plain;
    for (std::size_t i = 0; i < requests.size(); ++i) {
        if (requests[i].echoes) {
            replies[i] = PingEchoes(requests[i].host, *requests[i].echoes, bound);
        } else {
            plain.push_back(requests[i].host);
        }
    }
    if (!plain.empty()) {
        const std::vector<PingReply> answers = PingAll(plain, bound);
        std::size_t next = 0;
        for (std::size_t i = 0; i < requests.size(); ++i) {
            if (!requests[i].echoes) {
                replies[i] = ReplyAt(answers, next++);
            }
        }
    }
    return replies;
}

ConnectivityVerdict::ConnectivityVerdict(IPingRunner& ping, std::vector<std::string> hosts, IWebCheck* web,
                                         VerdictLimits limits, ILocalNetwork* local, int echoesPerCheck,
                                         FamilyChoice families)
    : m_ping(ping), m_hosts(std::move(hosts)), m_web(web), m_limits(limits), m_local(local),
      m_echoes(std::clamp(echoesPerCheck, 1, kMostEchoesPerCheck)), m_families(families)
{}

std::vector<TargetGroup> ConnectivityVerdict::Groups()
{
    const ConfiguredFamilies configured = m_local != nullptr ? m_local->Families() : ConfiguredFamilies{};
    std::vector<TargetGroup> groups;
    // With no family configured the check runs as it always did: every target, no family asked for.
    if (!configured.v4 && !configured.v6) {
        groups.emplace_back(m_hosts, std::nullopt, m_echoes);
        return groups;
    }
    for (const AddressFamily family : FamiliesToProbe(configured, m_families)) {
        std::vector<std::string> targets = TargetsOfFamily(m_hosts, family);
        if (!targets.empty()) {
            // Only the first group's first target measures the connection's quality.
            groups.emplace_back(std::move(targets), family,
                                groups.empty() ? std::optional<int>(m_echoes) : std::nullopt);
        }
    }
    std::vector<std::string> loopback;
    std::copy_if(m_hosts.begin(), m_hosts.end(), std::back_inserter(loopback),
                 [](const std::string& host) { return ClassifyTarget(host) == TargetKind::Loopback; });
    if (!loopback.empty()) {
        groups.emplace_back(std::move(loopback), std::nullopt,
                            groups.empty() ? std::optional<int>(m_echoes) : std::nullopt);
    }
    return groups;
}

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
    std::vector<TargetGroup> groups = m_hosts.empty() ? std::vector<TargetGroup>{} : Groups();
    // Targets given, yet none of a family to probe: the machine has no network of the chosen family.
    const std::string nothingToPing = m_hosts.empty() ? "targets silent" : "no network";
    const auto anyConnected = [&] {
        return std::any_of(groups.begin(), groups.end(), [](const TargetGroup& g) {
            return g.Decided() && g.Connected() && !g.NoTargets();
        });
    };
    bool webStarted = false;
    std::optional<LocalNetworkState> local;
    // The groups share each round, so that the families go side by side within one check's bound.
    while (std::any_of(groups.begin(), groups.end(), [](const TargetGroup& g) { return g.Pending(); })) {
        std::vector<PingRequest> requests;
        std::vector<std::size_t> counts;
        for (TargetGroup& group : groups) {
            if (group.Pending() && group.NextIsConfirming()) {
                // The router is asked in the same round, so a check takes no longer for it. Targets
                // on this machine itself answer or not whatever the router does: it is not asked for
                // them, so a check of loopback never sends anything past it.
                if (m_local != nullptr && !group.AllLoopback()) {
                    if (!local) {
                        local = m_local->Read();
                    }
                    group.Confirm(group.Family() ? local->ForFamily(*group.Family()) : *local);
                }
                if (m_web != nullptr && !webStarted && !anyConnected()) {
                    m_web->Start();
                    webStarted = true;
                }
            }
            const std::vector<PingRequest> own =
                group.Pending() ? group.Requests() : std::vector<PingRequest>{};
            requests.insert(requests.end(), own.begin(), own.end());
            counts.push_back(own.size());
        }
        const std::vector<PingReply> replies = m_ping.PingRound(requests, roundBound());
        std::size_t at = 0;
        for (std::size_t i = 0; i < groups.size(); ++i) {
            if (counts[i] > 0) {
                std::vector<PingReply> own;
                for (std::size_t j = at; j < at + counts[i]; ++j) {
                    own.push_back(ReplyAt(replies, j));
                }
                groups[i].Take(own);
                at += counts[i];
            }
        }
    }
    // The web cannot tell the families apart: it speaks only when no echo of any came back.
    const bool webSpeaks =
        webStarted && !anyConnected() &&
        std::any_of(groups.begin(), groups.end(), [](const TargetGroup& g) { return g.WaitsForWeb(); });
    const WebAnswer web = webSpeaks ? m_web->Finish() : WebAnswer::None;
    for (TargetGroup& group : groups) {
        if (group.WaitsForWeb()) {
            group.Finish(web, m_local);
        }
    }
    return Decide(groups, nothingToPing, std::chrono::duration<double>(Clock::now() - started).count());
}

CheckResult ConnectivityVerdict::Decide(const std::vector<TargetGroup>& groups,
                                        const std::string& nothingToPing, double seconds)
{
    CheckResult result;
    const TargetGroup* shown = nullptr;
    for (const TargetGroup& group : groups) {
        if (group.NoTargets()) {
            continue;
        }
        result.targets.insert(result.targets.end(), group.Targets().begin(), group.Targets().end());
        if (group.Family()) {
            result.families.push_back(
                {*group.Family(), group.Connected(), group.Cause(), group.RttMs(), group.Target()});
        }
        // The first group that is connected speaks for the check, else the first of all.
        if (shown == nullptr || (!shown->Connected() && group.Connected())) {
            shown = &group;
        }
    }
    result.connected = shown != nullptr && shown->Connected();
    result.cause = shown != nullptr ? shown->Cause() : nothingToPing;
    if (shown != nullptr) {
        result.rttMs = shown->RttMs();
        result.target = shown->Target();
    }
    // A silent first target lost every echo it was sent, whoever else answered. When no echo came
    // back at all and only the web said the connection is up, echoes are filtered on the way and
    // their loss says nothing of its quality.
    if (result.connected && result.cause != "echo filtered") {
        const PingReply& head = groups.front().Head();
        const PingReply& firstAgain = groups.front().FirstAgain();
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
    result.time = std::time(nullptr);
    result.durationSeconds = seconds;
    m_last = result;
    return result;
}

bool ConnectivityVerdict::IsInternetConnected()
{
    return Check().connected;
}

} // namespace pellavane
