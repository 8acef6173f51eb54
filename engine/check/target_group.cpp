#include "engine/check/target_group.h"

#include <algorithm>
#include <utility>

namespace pellavane {
namespace {

using Kind = PingReply::Kind;

} // namespace

TargetGroup::TargetGroup(std::vector<std::string> hosts, std::optional<AddressFamily> family,
                         std::optional<int> echoes)
    : m_hosts(std::move(hosts)), m_family(family), m_echoes(echoes), m_noAddress(m_hosts.size(), false)
{}

bool TargetGroup::AllLoopback() const
{
    return std::all_of(m_hosts.begin(), m_hosts.end(),
                       [](const std::string& host) { return ClassifyTarget(host) == TargetKind::Loopback; });
}

void TargetGroup::Confirm(const LocalNetworkState& local)
{
    m_local = local;
    if (local.interfaceUp && local.route && !local.route->gateway.empty()) {
        m_router = local.route->gateway;
    }
}

std::vector<PingRequest> TargetGroup::Requests() const
{
    std::vector<PingRequest> requests;
    const std::size_t from = m_stage == Stage::Others ? 1 : 0;
    const std::size_t to = m_stage == Stage::Head ? 1 : m_hosts.size();
    for (std::size_t i = from; i < to; ++i) {
        // An address is of its family already; only a name needs ping told which to look up.
        const bool name = m_family && ClassifyTarget(m_hosts[i]) == TargetKind::Name;
        requests.push_back(
            {m_hosts[i], name ? m_family : std::nullopt, m_stage == Stage::Head ? m_echoes : std::nullopt});
    }
    if (m_stage == Stage::Confirming && !m_router.empty()) {
        requests.push_back({m_router, std::nullopt, std::nullopt});
    }
    return requests;
}

// Fills targets from the hosts a round pinged, from index from on, and names the first that
// answered; false when none did. A host with no address of the group's family is no target.
bool TargetGroup::Record(std::size_t from, const std::vector<PingReply>& replies)
{
    bool any = false;
    for (std::size_t i = from; i < m_hosts.size(); ++i) {
        const PingReply reply = ReplyAt(replies, i - from);
        if (m_family && reply.kind == Kind::NoAddressOfFamily) {
            m_noAddress[i] = true;
            continue;
        }
        m_targets.push_back({m_hosts[i], Answered(reply)});
        if (Answered(reply) && !any) {
            any = true;
            m_target = m_hosts[i];
            m_rttMs = reply.rttMs;
        }
    }
    return any;
}

void TargetGroup::Take(const std::vector<PingReply>& replies)
{
    switch (m_stage) {
    case Stage::Head: {
        m_head = ReplyAt(replies, 0);
        if (m_head.kind == Kind::Answered || m_head.kind == Kind::NoPingProgram) {
            m_targets.push_back({m_hosts.front(), Answered(m_head)});
            if (Answered(m_head)) {
                m_target = m_hosts.front();
                m_rttMs = m_head.rttMs;
            }
            Decide(Answered(m_head), Answered(m_head) ? "" : "no ping program");
            return;
        }
        m_noAddress[0] = m_family && m_head.kind == Kind::NoAddressOfFamily;
        // A name that did not resolve is asked again in the confirming round, which pings the others
        // too: an answer from them now could not make the check Connected anyway.
        m_stage =
            m_head.kind != Kind::NameLookupFailed && m_hosts.size() > 1 ? Stage::Others : Stage::Confirming;
        break;
    }
    case Stage::Others:
        if (!m_noAddress[0]) {
            m_targets.push_back({m_hosts.front(), false});
        }
        if (Record(1, replies)) {
            Decide(true, "first target silent");
            return;
        }
        m_targets.clear();
        m_stage = Stage::Confirming;
        break;
    case Stage::Confirming: {
        m_firstAgain = ReplyAt(replies, 0);
        const bool answered = Record(0, replies);
        if (NoTargets()) {
            Decide(false, "targets silent");
            return;
        }
        m_routerAnswered = !m_router.empty() && Answered(ReplyAt(replies, m_hosts.size()));
        if (m_head.kind == Kind::NameLookupFailed && m_firstAgain.kind == Kind::NameLookupFailed) {
            // A broken name service breaks nearly everything a user does, even when addresses answer.
            Decide(false, "name lookup failed");
        } else if (answered) {
            Decide(true, Answered(m_firstAgain) ? "" : "first target silent");
        } else if (m_firstAgain.kind == Kind::NoPingProgram) {
            Decide(false, "no ping program");
        } else {
            m_stage = Stage::WaitsForWeb;
        }
        return;
    }
    case Stage::WaitsForWeb:
    case Stage::Decided:
        return;
    }
    if (NoTargets()) {
        Decide(false, "targets silent");
    }
}

void TargetGroup::Finish(WebAnswer web, ILocalNetwork* local)
{
    if (web == WebAnswer::NoContent) {
        return Decide(true, "echo filtered");
    }
    if (web == WebAnswer::Other) {
        return Decide(false, "captive portal");
    }
    if (m_firstAgain.kind == Kind::NameLookupFailed) {
        return Decide(false, "name lookup failed");
    }
    if (!m_local || local == nullptr) {
        return Decide(false, "targets silent");
    }
    // Read after the echo request, which made the kernel ask the link for the router's address.
    const bool neighbour = !m_router.empty() && !m_routerAnswered && local->NeighbourReachable(m_router);
    Decide(false, LocalNetworkCause(*m_local, m_routerAnswered, neighbour));
}

bool TargetGroup::NoTargets() const
{
    return std::all_of(m_noAddress.begin(), m_noAddress.end(), [](bool none) { return none; });
}

void TargetGroup::Decide(bool connected, std::string cause)
{
    m_connected = connected;
    m_cause = std::move(cause);
    m_stage = Stage::Decided;
}

} // namespace pellavane
