#pragma once

#include "engine/check/address_families.h"
#include "engine/check/check_result.h"
#include "engine/check/local_network.h"
#include "engine/check/probe.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace pellavane {

class TargetGroup;

/** What one echo request to one host came to. */
struct PingReply
{
    enum class Kind
    {
        Answered,
        Silent,
        NameLookupFailed,
        NoPingProgram,
        /** The name resolves, but to no address of the family asked for: no target of that family. */
        NoAddressOfFamily
    };
    Kind kind = Kind::Silent;
    /** The round trip as ping printed it, when it answered: the first answer's. */
    std::optional<double> rttMs;
    /** What came back of the echoes PingEchoes sent; nullopt from PingAll. */
    std::optional<EchoCounts> echoes;
};

/** One ping of a round. */
struct PingRequest
{
    std::string host;
    /** Set: the name is looked up in this family alone. */
    std::optional<AddressFamily> family;
    /** Set: that many echo requests in one ping, counted as PingEchoes counts them; else one, as
     *  PingAll sends it. */
    std::optional<int> echoes;
};

inline bool Answered(const PingReply& reply)
{
    return reply.kind == PingReply::Kind::Answered;
}

/** The reply at i; a runner that gave fewer replies than hosts left the rest Silent. */
inline PingReply ReplyAt(const std::vector<PingReply>& replies, std::size_t i)
{
    return i < replies.size() ? replies[i] : PingReply{};
}

/** Sends echo requests. */
class IPingRunner
{
public:
    virtual ~IPingRunner() = default;
    /** One echo request to each host, all at once; returns one reply per host, in order, within
     *  bound: a host whose ping has not ended by then is Silent. Never throws. */
    virtual std::vector<PingReply> PingAll(const std::vector<std::string>& hosts,
                                           std::chrono::milliseconds bound) = 0;
    /** echoes echo requests to host in one ping, within bound; Answered when any came back, and the
     *  reply's echoes say how many were sent and what came back. Never throws. A runner that sends
     *  one request at a time sends one, and says so. */
    virtual PingReply PingEchoes(const std::string& host, int echoes, std::chrono::milliseconds bound);
    /** Every request at once within bound, one reply per request in order. A runner that does not
     *  tell families apart sends those with echoes through PingEchoes one by one and the rest through
     *  one PingAll, the family dropped. Never throws. */
    virtual std::vector<PingReply> PingRound(const std::vector<PingRequest>& requests,
                                             std::chrono::milliseconds bound);
};

/** What the web check's one request came to. */
enum class WebAnswer
{
    /** No answer within the time limit, or the request could not be sent. */
    None,
    /** 204: the web is reachable. */
    NoContent,
    /** Any other answer: something (a sign-in page) answered in the web's place. */
    Other
};

/** One HTTP request to a connectivity-check address, sent beside the pings. */
class IWebCheck
{
public:
    virtual ~IWebCheck() = default;
    /** Sends the request and returns at once; an earlier one still open is dropped. */
    virtual void Start() = 0;
    /** The answer to the request Start sent, waiting for it at most until its time limit is up;
     *  None when nothing was started. */
    virtual WebAnswer Finish() = 0;
    /** Drops the request Start sent: the check was decided without it. */
    virtual void Cancel() = 0;
};

/** The time a check may take. */
struct VerdictLimits
{
    /** Longest wait of one round of pings; a ping still running then is stopped and is Silent. */
    std::chrono::milliseconds round{9000};
    /** Longest check as a whole: three rounds of a stuck ping stay within a capture's 30 s bound. */
    std::chrono::milliseconds total{27000};
};

/** The connection's state from several targets: the first target alone, with echoesPerCheck echo
 *  requests in one ping; when it is silent, the
 *  others at once; when none answered, a confirming round of all at once with the web check beside
 *  it. Only a confirmed failure is Disconnected, and a first target whose name did not resolve in
 *  both rounds is Disconnected even when an address answered. With the machine's own network to
 *  read, the confirming round pings the default route's router beside the targets, so that a check
 *  whose targets were all silent says whether the fault lies here or with the provider. Every other
 *  target, and the first in the confirming round, is sent one echo request. A connected check says
 *  what came back of the first target's echoes; the confirming round's echo is not among them. */
class ConnectivityVerdict : public IConnectivityVerdict
{
public:
    /** web may be null: no web check; local may be null: "targets silent" stays as it is. hosts must
     *  not be empty. */
    ConnectivityVerdict(IPingRunner& ping, std::vector<std::string> hosts, IWebCheck* web = nullptr,
                        VerdictLimits limits = {}, ILocalNetwork* local = nullptr, int echoesPerCheck = 1,
                        FamilyChoice families = FamilyChoice::Auto);

    /** One check; the time field is the wall clock when it ended. Never throws. */
    CheckResult Check() override;
    /** Check().connected; the whole result is kept as LastResult(). */
    bool IsInternetConnected() override;
    const CheckResult& LastResult() const { return m_last; }

private:
    /** The check's groups of targets: one per family to probe, then the loopback targets; the whole
     *  list alone when no family is configured or no local network is known. */
    std::vector<TargetGroup> Groups();
    CheckResult Decide(const std::vector<TargetGroup>& groups, const std::string& nothingToPing,
                       double seconds);

    IPingRunner& m_ping;
    std::vector<std::string> m_hosts;
    IWebCheck* m_web;
    VerdictLimits m_limits;
    ILocalNetwork* m_local;
    int m_echoes;
    FamilyChoice m_families;
    CheckResult m_last;
};

} // namespace pellavane
