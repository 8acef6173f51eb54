#include "engine/check/verdict.h"

#include "engine/check/seeded_loss_ping.h"
#include "engine/check/system_ping.h"
#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include "testsupport/fake_ping.h"

#include <signal.h>
#endif

namespace pellavane {
namespace {

using Kind = PingReply::Kind;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

// Replies given round by round, one per host the round pings.
class ScriptedPing : public IPingRunner
{
public:
    explicit ScriptedPing(std::deque<std::vector<Kind>> rounds) : m_rounds(std::move(rounds)) {}
    std::vector<PingReply> PingAll(const std::vector<std::string>& hosts, milliseconds) override
    {
        m_pinged.push_back(hosts);
        std::vector<PingReply> replies;
        const std::vector<Kind> kinds = m_rounds.empty() ? std::vector<Kind>{} : m_rounds.front();
        if (!m_rounds.empty()) {
            m_rounds.pop_front();
        }
        for (std::size_t i = 0; i < hosts.size(); ++i) {
            const Kind kind = i < kinds.size() ? kinds[i] : Kind::Silent;
            replies.push_back({kind, kind == Kind::Answered ? std::optional<double>(10.0 + i) : std::nullopt,
                               std::nullopt});
        }
        return replies;
    }
    std::vector<std::vector<std::string>> m_pinged;

private:
    std::deque<std::vector<Kind>> m_rounds;
};

struct FakeWeb : IWebCheck
{
    explicit FakeWeb(WebAnswer answer) : answer(answer) {}
    void Start() override { ++started; }
    WebAnswer Finish() override { return answer; }
    void Cancel() override {}
    WebAnswer answer;
    int started = 0;
};

constexpr Kind A = Kind::Answered;
constexpr Kind S = Kind::Silent;
constexpr Kind N = Kind::NameLookupFailed;
constexpr Kind P = Kind::NoPingProgram;

struct Row
{
    const char* what;
    std::vector<std::string> hosts;
    std::deque<std::vector<Kind>> rounds;
    WebAnswer web;
    bool connected;
    std::string cause;
    std::string target;
    std::size_t pings;
    bool webStarted;
};

TEST(ConnectivityVerdict, TheRuleRoundByRound)
{
    const std::vector<std::string> three = {"name.test", "192.0.2.1", "192.0.2.2"};
    // clang-format off
    const Row table[] = {
        {"first answers: one ping", three, {{A}}, WebAnswer::NoContent, true, "", "name.test", 1, false},
        {"another answers in parallel", three, {{S}, {S, A}}, WebAnswer::None, true, "first target silent", "192.0.2.2", 3, false},
        {"the confirming round answers", three, {{S}, {S, S}, {A, S, A}}, WebAnswer::None, true, "", "name.test", 6, true},
        {"every round silent, no web answer", three, {{S}, {S, S}, {S, S, S}}, WebAnswer::None, false, "targets silent", "", 6, true},
        {"echo filtered: the web answers 204", three, {{S}, {S, S}, {S, S, S}}, WebAnswer::NoContent, true, "echo filtered", "", 6, true},
        {"a sign-in page answers", three, {{S}, {S, S}, {S, S, S}}, WebAnswer::Other, false, "captive portal", "", 6, true},
        {"name fails twice: addresses do not count", three, {{N}, {N, A, A}}, WebAnswer::NoContent, false, "name lookup failed", "192.0.2.1", 4, true},
        {"name resolves on the second try", three, {{N}, {A, S, S}}, WebAnswer::None, true, "", "name.test", 4, true},
        {"name fails once, an address answers", three, {{N}, {S, S, A}}, WebAnswer::None, true, "first target silent", "192.0.2.2", 4, true},
        {"name fails in the confirming round only", three, {{S}, {S, S}, {N, S, S}}, WebAnswer::None, false, "name lookup failed", "", 6, true},
        {"no ping program: nothing more is tried", three, {{P}}, WebAnswer::NoContent, false, "no ping program", "", 1, false},
        {"one target: first and confirming round", {"127.0.0.1"}, {{S}, {S}}, WebAnswer::None, false, "targets silent", "", 2, true},
    };
    // clang-format on
    for (const Row& row : table) {
        ScriptedPing ping(row.rounds);
        FakeWeb web(row.web);
        ConnectivityVerdict verdict(ping, row.hosts, &web);
        const CheckResult result = verdict.Check();
        EXPECT_EQ(result.connected, row.connected) << row.what;
        EXPECT_EQ(result.cause, row.cause) << row.what;
        EXPECT_EQ(result.target, row.target) << row.what;
        EXPECT_EQ(result.rttMs.has_value(), !row.target.empty()) << row.what;
        std::size_t pings = 0;
        for (const auto& round : ping.m_pinged) {
            pings += round.size();
        }
        EXPECT_EQ(pings, row.pings) << row.what;
        EXPECT_EQ(web.started > 0, row.webStarted) << row.what;
        ASSERT_FALSE(result.targets.empty()) << row.what;
        EXPECT_EQ(result.targets.front().host, row.hosts.front()) << row.what;
        EXPECT_EQ(verdict.LastResult().cause, row.cause) << row.what;
    }
}

struct FakeLocalNetwork : ILocalNetwork
{
    LocalNetworkState Read() override
    {
        ++reads;
        return state;
    }
    bool NeighbourReachable(const std::string& address) override
    {
        asked.push_back(address);
        return neighbour;
    }
    ConfiguredFamilies Families() override { return families; }
    LocalNetworkState state;
    ConfiguredFamilies families;
    bool neighbour = false;
    int reads = 0;
    std::vector<std::string> asked;
};

struct LocalRow
{
    const char* what;
    std::deque<std::vector<Kind>> rounds;
    bool interfaceUp;
    std::optional<std::string> gateway;
    bool neighbour;
    WebAnswer web;
    std::string cause;
    std::size_t pings;
};

TEST(ConnectivityVerdict, ConfirmingRoundAsksTheRouterBesideTheTargets)
{
    const std::vector<std::string> two = {"name.test", "192.0.2.9"};
    // clang-format off
    const LocalRow table[] = {
        {"router answers", {{S}, {S}, {S, S, A}}, true, "192.0.2.1", false, WebAnswer::None, "provider", 5},
        {"router silent, no neighbour entry", {{S}, {S}, {S, S, S}}, true, "192.0.2.1", false, WebAnswer::None, "local network", 5},
        {"router silent, neighbour reachable", {{S}, {S}, {S, S, S}}, true, "192.0.2.1", true, WebAnswer::None, "provider", 5},
        {"no default route: no router pinged", {{S}, {S}, {S, S}}, true, std::nullopt, false, WebAnswer::None, "no network", 4},
        {"no link up: no router pinged", {{S}, {S}, {S, S}}, false, "192.0.2.1", false, WebAnswer::None, "no network", 4},
        {"route onto a link without router", {{S}, {S}, {S, S}}, true, "", false, WebAnswer::None, "provider", 4},
        {"name lookup failed wins", {{N}, {N, S, A}}, true, "192.0.2.1", false, WebAnswer::None, "name lookup failed", 4},
        {"captive portal wins", {{S}, {S}, {S, S, A}}, true, "192.0.2.1", false, WebAnswer::Other, "captive portal", 5},
        {"a target answers: connected", {{S}, {S}, {S, A, A}}, true, "192.0.2.1", false, WebAnswer::None, "first target silent", 5},
    };
    // clang-format on
    for (const LocalRow& row : table) {
        ScriptedPing ping(row.rounds);
        FakeWeb web(row.web);
        FakeLocalNetwork local;
        local.state.interfaceUp = row.interfaceUp;
        if (row.gateway) {
            local.state.route = DefaultRoute{*row.gateway, "v0"};
        }
        local.neighbour = row.neighbour;
        ConnectivityVerdict verdict(ping, two, &web, {}, &local);
        const CheckResult result = verdict.Check();
        EXPECT_EQ(result.cause, row.cause) << row.what;
        std::size_t pings = 0;
        for (const auto& round : ping.m_pinged) {
            pings += round.size();
        }
        EXPECT_EQ(pings, row.pings) << row.what;
        // The router is asked only in the confirming round, and is never a target.
        EXPECT_EQ(result.targets.size(), two.size()) << row.what;
        const bool routerPinged = ping.m_pinged.back().size() > two.size();
        EXPECT_EQ(routerPinged, row.interfaceUp && row.gateway && !row.gateway->empty()) << row.what;
        if (routerPinged) {
            EXPECT_EQ(ping.m_pinged.back().back(), *row.gateway) << row.what;
        }
    }

    // Loopback targets say nothing of the router, and nothing is sent past this machine for them.
    ScriptedPing loopbackPing({{S}, {S}, {S, S}});
    FakeLocalNetwork router;
    router.state.interfaceUp = true;
    router.state.route = DefaultRoute{"192.0.2.1", "v0"};
    ConnectivityVerdict loopback(loopbackPing, {"127.0.0.2", "localhost"}, nullptr, {}, &router);
    EXPECT_EQ(loopback.Check().cause, "targets silent");
    EXPECT_EQ(loopbackPing.m_pinged.back().size(), 2u);

    // While connected the machine's own network is never read: still one ping per check.
    ScriptedPing ping({{A}});
    FakeLocalNetwork local;
    ConnectivityVerdict verdict(ping, two, nullptr, {}, &local);
    EXPECT_TRUE(verdict.Check().connected);
    EXPECT_EQ(local.reads, 0);
    EXPECT_EQ(ping.m_pinged.size(), 1u);
}

// The first target's echoes as a runner of several echoes in one ping gives them; the rest scripted.
class EchoingPing : public ScriptedPing
{
public:
    EchoingPing(EchoCounts head, std::deque<std::vector<Kind>> rounds)
        : ScriptedPing(std::move(rounds)), m_head(std::move(head))
    {}
    PingReply PingEchoes(const std::string& host, int echoes, milliseconds) override
    {
        m_asked = echoes;
        m_pinged.push_back({host});
        if (m_head.rttsMs.empty()) {
            return {Kind::Silent, std::nullopt, m_head};
        }
        return {Kind::Answered, m_head.rttsMs.front(), m_head};
    }
    int m_asked = 0;

private:
    EchoCounts m_head;
};

TEST(ConnectivityVerdict, AConnectedCheckCarriesTheFirstTargetsEchoes)
{
    struct Case
    {
        const char* what;
        EchoCounts head;
        std::deque<std::vector<Kind>> rounds;
        WebAnswer web;
        std::optional<int> sent;
        std::vector<double> rtts;
    };
    const Case table[] = {
        {"some came back", {5, {18, 19.5, 17}}, {}, WebAnswer::None, 5, {18, 19.5, 17}},
        {"silent first, another answers", {5, {}}, {{S, A}}, WebAnswer::None, 5, {}},
        {"its confirming echo is one more, answered", {5, {}}, {{S, S}, {A, S, S}}, WebAnswer::None, 6, {10}},
        {"echoes filtered, the web answers: none",
         {5, {}},
         {{S, S}, {S, S, S}},
         WebAnswer::NoContent,
         std::nullopt,
         {}},
        {"disconnected: none", {5, {}}, {{S, S}, {S, S, S}}, WebAnswer::None, std::nullopt, {}},
    };
    for (const Case& row : table) {
        EchoingPing ping(row.head, row.rounds);
        FakeWeb web(row.web);
        ConnectivityVerdict verdict(ping, {"name.test", "192.0.2.1", "192.0.2.2"}, &web, {}, nullptr, 5);
        const CheckResult result = verdict.Check();
        EXPECT_EQ(ping.m_asked, 5) << row.what;
        ASSERT_EQ(result.echoes.has_value(), row.sent.has_value()) << row.what;
        if (row.sent) {
            EXPECT_EQ(result.echoes->sent, *row.sent) << row.what;
            EXPECT_EQ(result.echoes->rttsMs, row.rtts) << row.what;
        }
    }
    // A runner of one echo at a time: the check's one echo and its round trip, also when it came
    // in the confirming round, as the journal's one-echo rule reads such a check.
    for (std::deque<std::vector<Kind>> rounds :
         {std::deque<std::vector<Kind>>{{A}}, std::deque<std::vector<Kind>>{{S}, {S}, {A, S}}}) {
        ScriptedPing single(rounds);
        ConnectivityVerdict one(single, {"name.test", "192.0.2.1"});
        const CheckResult result = one.Check();
        ASSERT_TRUE(result.echoes);
        EXPECT_EQ(result.echoes->sent, 1);
        EXPECT_EQ(result.echoes->rttsMs, std::vector<double>{10.0});
    }
}

// Answers each request by its host and the family its name is looked up in ("name.test|6"); a
// request not listed is silent. Every round's requests are kept.
class FamilyPing : public IPingRunner
{
public:
    explicit FamilyPing(std::map<std::string, Kind> answers) : m_answers(std::move(answers)) {}
    std::vector<PingReply> PingAll(const std::vector<std::string>& hosts, milliseconds bound) override
    {
        std::vector<PingRequest> requests;
        for (const std::string& host : hosts) {
            requests.push_back({host, std::nullopt, std::nullopt});
        }
        return PingRound(requests, bound);
    }
    std::vector<PingReply> PingRound(const std::vector<PingRequest>& requests, milliseconds) override
    {
        m_rounds.push_back(requests);
        std::vector<PingReply> replies;
        for (const PingRequest& request : requests) {
            const auto found = m_answers.find(Key(request));
            const Kind kind = found != m_answers.end() ? found->second : Kind::Silent;
            PingReply reply{kind, kind == Kind::Answered ? std::optional<double>(20.0) : std::nullopt,
                            std::nullopt};
            if (request.echoes) {
                reply.echoes = EchoCounts{*request.echoes, kind == Kind::Answered ? std::vector<double>{20.0}
                                                                                  : std::vector<double>{}};
            }
            replies.push_back(reply);
        }
        return replies;
    }
    static std::string Key(const PingRequest& request)
    {
        return request.host + "|" + (!request.family ? "" : *request.family == AddressFamily::V4 ? "4" : "6");
    }
    std::vector<std::vector<PingRequest>> m_rounds;

private:
    std::map<std::string, Kind> m_answers;
};

TEST(ConnectivityVerdict, EachConfiguredFamilyIsJudgedOverItsOwnTargetsSideBySide)
{
    using Hosts = std::vector<std::string>;
    const Hosts dual = {"name.test", "198.51.100.7", "2001:db8:7::7"};
    struct Family
    {
        AddressFamily family;
        bool connected;
        std::string cause;
    };
    constexpr AddressFamily V4 = AddressFamily::V4;
    constexpr AddressFamily V6 = AddressFamily::V6;
    struct Case
    {
        const char* what;
        Hosts hosts;
        ConfiguredFamilies configured;
        FamilyChoice choice;
        std::map<std::string, Kind> answers;
        WebAnswer web;
        bool connected;
        std::string cause;
        std::vector<Family> families;
        std::vector<std::string> pinged;
    };
    // clang-format off
    const Case table[] = {
        {"both answer: one ping per family", dual, {true, true}, FamilyChoice::Auto,
         {{"name.test|4", A}, {"name.test|6", A}}, WebAnswer::NoContent, true, "",
         {{V4, true, ""}, {V6, true, ""}}, {"name.test|4", "name.test|6"}},
        {"IPv6 silent: the check stays connected", dual, {true, true}, FamilyChoice::Auto,
         {{"name.test|4", A}}, WebAnswer::NoContent, true, "",
         {{V4, true, ""}, {V6, false, "local network"}},
         {"name.test|4", "name.test|6", "2001:db8:7::7|", "name.test|6", "2001:db8:7::7|", "2001:db8::1|"}},
        {"IPv4 silent: IPv6 speaks for the check", dual, {true, true}, FamilyChoice::Auto,
         {{"name.test|6", A}, {"192.0.2.1|", A}}, WebAnswer::None, true, "",
         {{V4, false, "provider"}, {V6, true, ""}},
         {"name.test|4", "name.test|6", "198.51.100.7|", "name.test|4", "198.51.100.7|", "192.0.2.1|"}},
        {"both silent: the first family's cause", dual, {true, true}, FamilyChoice::Auto,
         {{"2001:db8::1|", A}}, WebAnswer::None, false, "local network",
         {{V4, false, "local network"}, {V6, false, "provider"}},
         {"name.test|4", "name.test|6", "198.51.100.7|", "2001:db8:7::7|", "name.test|4", "198.51.100.7|",
          "192.0.2.1|", "name.test|6", "2001:db8:7::7|", "2001:db8::1|"}},
        {"both silent, the web answers: echoes filtered in both", dual, {true, true}, FamilyChoice::Auto,
         {}, WebAnswer::NoContent, true, "echo filtered",
         {{V4, true, "echo filtered"}, {V6, true, "echo filtered"}},
         {"name.test|4", "name.test|6", "198.51.100.7|", "2001:db8:7::7|", "name.test|4", "198.51.100.7|",
          "192.0.2.1|", "name.test|6", "2001:db8:7::7|", "2001:db8::1|"}},
        {"no IPv6 configured: never pinged", dual, {true, false}, FamilyChoice::Auto,
         {{"name.test|4", A}}, WebAnswer::None, true, "", {{V4, true, ""}}, {"name.test|4"}},
        {"IPv6 alone chosen", dual, {true, true}, FamilyChoice::V6,
         {{"name.test|6", A}}, WebAnswer::None, true, "", {{V6, true, ""}}, {"name.test|6"}},
        {"a name with no IPv6 address is no IPv6 target", dual, {true, true}, FamilyChoice::Auto,
         {{"name.test|4", A}, {"name.test|6", Kind::NoAddressOfFamily}, {"2001:db8:7::7|", A}}, WebAnswer::None,
         true, "", {{V4, true, ""}, {V6, true, "first target silent"}},
         {"name.test|4", "name.test|6", "2001:db8:7::7|"}},
        {"a family left with no target is not told", {"name.test"}, {true, true}, FamilyChoice::Auto,
         {{"name.test|4", A}, {"name.test|6", Kind::NoAddressOfFamily}}, WebAnswer::None, true, "",
         {{V4, true, ""}}, {"name.test|4", "name.test|6"}},
        {"loopback beside a family: pinged as it is", {"127.0.0.1", "198.51.100.7"}, {true, true},
         FamilyChoice::Auto, {{"198.51.100.7|", A}, {"127.0.0.1|", A}}, WebAnswer::None, true, "",
         {{V4, true, ""}}, {"198.51.100.7|", "127.0.0.1|"}},
        {"loopback alone: as it always was", {"127.0.0.1"}, {true, true}, FamilyChoice::Auto,
         {{"127.0.0.1|", A}}, WebAnswer::None, true, "", {}, {"127.0.0.1|"}},
        {"nothing of the chosen family", dual, {true, false}, FamilyChoice::V6, {}, WebAnswer::None,
         false, "no network", {}, {}},
    };
    // clang-format on
    for (const Case& row : table) {
        FamilyPing ping(row.answers);
        FakeWeb web(row.web);
        FakeLocalNetwork local;
        local.families = row.configured;
        local.state.interfaceUp = true;
        local.state.ipv4Route = DefaultRoute{"192.0.2.1", "v0"};
        local.state.ipv6Route = DefaultRoute{"2001:db8::1", "v0"};
        local.state.route = local.state.ipv4Route;
        ConnectivityVerdict verdict(ping, row.hosts, &web, {}, &local, 5, row.choice);
        const CheckResult result = verdict.Check();
        EXPECT_EQ(result.connected, row.connected) << row.what;
        EXPECT_EQ(result.cause, row.cause) << row.what;
        ASSERT_EQ(result.families.size(), row.families.size()) << row.what;
        for (std::size_t i = 0; i < row.families.size(); ++i) {
            EXPECT_EQ(result.families[i].family, row.families[i].family) << row.what;
            EXPECT_EQ(result.families[i].connected, row.families[i].connected) << row.what << " " << i;
            EXPECT_EQ(result.families[i].cause, row.families[i].cause) << row.what << " " << i;
            EXPECT_EQ(result.families[i].rttMs.has_value(), !result.families[i].target.empty()) << row.what;
        }
        std::vector<std::string> pinged;
        for (const auto& round : ping.m_rounds) {
            for (const PingRequest& request : round) {
                pinged.push_back(FamilyPing::Key(request));
            }
        }
        EXPECT_EQ(pinged, row.pinged) << row.what;
        // The families share rounds: never more than the three of a single check.
        EXPECT_LE(ping.m_rounds.size(), 3u) << row.what;
        if (!ping.m_rounds.empty()) {
            // Only the first family's first target is sent the check's echoes.
            EXPECT_EQ(ping.m_rounds.front().front().echoes, std::optional<int>(5)) << row.what;
            for (std::size_t i = 1; i < ping.m_rounds.front().size(); ++i) {
                EXPECT_FALSE(ping.m_rounds.front()[i].echoes) << row.what;
            }
        }
        EXPECT_EQ(web.started, row.cause == "echo filtered" || !row.connected
                                   ? std::min(1, static_cast<int>(pinged.size()))
                                   : 0)
            << row.what;
    }
}

struct LossRow
{
    double loss;
    int checks;
    int mostFalseDowns;
};

TEST(ConnectivityVerdict, SeededLossGivesNextToNoFalseDowns)
{
    // At most the figures per 10,000 checks; the single-ping rule would give about loss * checks.
    const LossRow table[] = {{0.10, 20000, 2}, {0.30, 20000, 40}};
    for (const LossRow& row : table) {
        SeededLossPing ping(row.loss, 20261208);
        ConnectivityVerdict verdict(ping, {"name.test", "192.0.2.1", "192.0.2.2"});
        int downs = 0;
        for (int i = 0; i < row.checks; ++i) {
            downs += verdict.Check().connected ? 0 : 1;
        }
        EXPECT_LE(downs, row.mostFalseDowns) << row.loss;
        // While connected a check costs about one ping, as with a single target.
        EXPECT_LT(static_cast<double>(ping.Pings()) / row.checks, 1 + row.loss * 2.5) << row.loss;
    }
    SeededLossPing dead(1.0, 1);
    ConnectivityVerdict outage(dead, {"name.test", "192.0.2.1", "192.0.2.2"});
    for (int i = 0; i < 50; ++i) {
        ASSERT_FALSE(outage.Check().connected) << "check " << i;
    }
}

#ifndef _WIN32

// The real children: a fake ping first on PATH that notes each start, then does as its script says.
class VerdictWithFakePing : public ::testing::Test
{
protected:
    void FakePing(const std::string& body) { m_ping.Write(body); }
    std::vector<std::string> Calls() const { return m_ping.Calls(); }
    std::vector<std::string> Hosts() const { return {"name.test", "127.0.0.2", "127.0.0.3"}; }

    testing::FakePingOnPath m_ping;
};

TEST_F(VerdictWithFakePing, AnsweringFirstTargetStartsExactlyOnePing)
{
    FakePing("echo '64 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.250 ms'\n");
    SystemPing ping;
    ConnectivityVerdict verdict(ping, Hosts());
    const CheckResult result = verdict.Check();
    EXPECT_TRUE(result.connected);
    EXPECT_EQ(result.rttMs, 0.25);
    EXPECT_EQ(Calls(), std::vector<std::string>{"C|" + ProbeCommandLine("name.test").substr(5)});
}

TEST_F(VerdictWithFakePing, SilentTargetsArePingedInParallelAndTheCheckIsDisconnected)
{
    FakePing("sleep 0.3\necho '1 packets transmitted, 0 received, 100% packet loss'\nexit 1\n");
    SystemPing ping;
    ConnectivityVerdict verdict(ping, Hosts());
    const auto started = steady_clock::now();
    const CheckResult result = verdict.Check();
    // Three rounds of 0.3 s; one ping after the other would take 1.8 s.
    EXPECT_LT(steady_clock::now() - started, milliseconds{1600});
    EXPECT_FALSE(result.connected);
    EXPECT_EQ(result.cause, "targets silent");
    EXPECT_EQ(Calls().size(), 6U);
}

TEST_F(VerdictWithFakePing, UnresolvedFirstNameIsDisconnectedThoughAddressesAnswer)
{
    FakePing(
        "case \"$*\" in *name.test*) echo \"ping: name.test: Name or service not known\" >&2; exit 2;; esac\n"
        "echo '64 bytes from 127.0.0.2: icmp_seq=1 ttl=64 time=0.050 ms'\n");
    SystemPing ping;
    ConnectivityVerdict verdict(ping, Hosts());
    const CheckResult result = verdict.Check();
    EXPECT_FALSE(result.connected);
    EXPECT_EQ(result.cause, "name lookup failed");
}

bool Gone(const std::string& pid)
{
    std::ifstream stat("/proc/" + pid + "/stat");
    std::string line;
    // A zombie of init's has ended too; it only waits for a reaper that is not us.
    return !std::getline(stat, line) || line.find(") Z ") != std::string::npos;
}

TEST_F(VerdictWithFakePing, HangingChildrenAreStoppedAndReapedWithinTheBound)
{
    const std::string pids = m_ping.File("pids");
    FakePing("sleep 100 &\necho $! >> '" + pids + "'\necho $$ >> '" + pids + "'\nexec sleep 100\n");
    SystemPing ping({}, milliseconds{10});
    ConnectivityVerdict verdict(ping, Hosts(), nullptr, {milliseconds{300}, milliseconds{800}});
    const auto started = steady_clock::now();
    const CheckResult result = verdict.Check();
    EXPECT_LT(steady_clock::now() - started, milliseconds{1500});
    EXPECT_FALSE(result.connected);
    std::ifstream in(pids);
    int count = 0;
    for (std::string pid; std::getline(in, pid); ++count) {
        for (int wait = 0; wait < 100 && !Gone(pid); ++wait) {
            std::this_thread::sleep_for(milliseconds{10});
        }
        EXPECT_TRUE(Gone(pid)) << pid;
    }
    // Two processes per ping; a round cut short may stop a child before it noted both.
    EXPECT_GE(count, 6);
}

TEST_F(VerdictWithFakePing, NoPingOnThePathIsSaidSo)
{
    testing::TempFolder empty;
    testing::ScopedEnv path("PATH", empty.Path().string());
    SystemPing ping;
    ConnectivityVerdict verdict(ping, Hosts());
    EXPECT_EQ(verdict.Check().cause, "no ping program");
}

#endif

} // namespace
} // namespace pellavane
