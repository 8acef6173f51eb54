#pragma once

#include "engine/check/local_network.h"
#include "engine/check/verdict.h"

#include <optional>
#include <string>
#include <vector>

namespace pellavane {

/** The verdict's rule over one group of targets (one family's, or the whole list where families are
 *  not told apart), a round at a time, so that the groups of one check share each round: the first
 *  target alone; when silent, the others at once; when none answered, a confirming round of all with
 *  the router beside them, after which only the web check or the machine's own network is left. */
class TargetGroup
{
public:
    /** hosts must not be empty. family set: names are looked up in it alone, and a host with no
     *  address of it is no target. echoes set: the first target is sent that many, counted. */
    TargetGroup(std::vector<std::string> hosts, std::optional<AddressFamily> family,
                std::optional<int> echoes);

    /** Neither decided nor waiting for the web: it has a round to ping. */
    bool Pending() const { return m_stage != Stage::Decided && m_stage != Stage::WaitsForWeb; }
    bool Decided() const { return m_stage == Stage::Decided; }
    bool WaitsForWeb() const { return m_stage == Stage::WaitsForWeb; }
    /** Its next round is the confirming one, which wants Confirm first. */
    bool NextIsConfirming() const { return m_stage == Stage::Confirming; }
    /** Every target is on this machine: the router says nothing of them. */
    bool AllLoopback() const;
    /** The machine's network as this group sees it, before the confirming round: its router is
     *  pinged beside the targets when a link is up. */
    void Confirm(const LocalNetworkState& local);

    /** The requests of the next round. */
    std::vector<PingRequest> Requests() const;
    /** The replies to Requests, in order. */
    void Take(const std::vector<PingReply>& replies);
    /** Decides a group whose targets were all silent in the confirming round, by the web's answer
     *  and else by the machine's own network. local may be null. */
    void Finish(WebAnswer web, ILocalNetwork* local);

    /** Every target it asked had no address of its family: the group tells nothing. */
    bool NoTargets() const;

    const std::optional<AddressFamily>& Family() const { return m_family; }
    bool Connected() const { return m_connected; }
    const std::string& Cause() const { return m_cause; }
    const std::optional<double>& RttMs() const { return m_rttMs; }
    const std::string& Target() const { return m_target; }
    const std::vector<TargetResult>& Targets() const { return m_targets; }
    /** The first target's reply alone, and its reply in the confirming round. */
    const PingReply& Head() const { return m_head; }
    const PingReply& FirstAgain() const { return m_firstAgain; }

private:
    enum class Stage
    {
        Head,
        Others,
        Confirming,
        WaitsForWeb,
        Decided
    };

    void Decide(bool connected, std::string cause);
    bool Record(std::size_t from, const std::vector<PingReply>& replies);

    std::vector<std::string> m_hosts;
    std::optional<AddressFamily> m_family;
    std::optional<int> m_echoes;
    Stage m_stage = Stage::Head;
    std::vector<bool> m_noAddress;
    std::optional<LocalNetworkState> m_local;
    std::string m_router;
    bool m_routerAnswered = false;
    PingReply m_head;
    PingReply m_firstAgain;
    bool m_connected = false;
    std::string m_cause;
    std::optional<double> m_rttMs;
    std::string m_target;
    std::vector<TargetResult> m_targets;
};

} // namespace pellavane
