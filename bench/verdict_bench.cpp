// False outages on a lossy link: the verdict against the single ping it replaces, through the
// seeded simulated link, so the figures are the same on every run. Prints rows of run-all.sh's table.

#include "engine/check/local_network.h"
#include "engine/check/seeded_loss_ping.h"
#include "engine/check/verdict.h"

#include <cstdio>
#include <vector>

namespace {

using namespace pellavane;

constexpr int kChecks = 100000;

double PerTenThousand(int count)
{
    return count * 10000.0 / kChecks;
}

// A machine with both families configured and no router to ask.
struct DualStack : ILocalNetwork
{
    LocalNetworkState Read() override { return {}; }
    bool NeighbourReachable(const std::string&) override { return false; }
    ConfiguredFamilies Families() override { return {true, true}; }
};

} // namespace

int main()
{
    const std::vector<std::string> hosts = {"name.test", "192.0.2.1", "192.0.2.2"};
    struct Row
    {
        double loss;
        const char* goal;
    };
    for (const Row row : {Row{0.10, "<= 1"}, Row{0.30, "<= 20"}}) {
        SeededLossPing link(row.loss, 20261208);
        ConnectivityVerdict verdict(link, hosts);
        int downs = 0;
        for (int i = 0; i < kChecks; ++i) {
            downs += verdict.Check().connected ? 0 : 1;
        }
        const double pingsPerCheck = static_cast<double>(link.Pings()) / kChecks;
        SeededLossPing single(row.loss, 20261208);
        int singleDowns = 0;
        for (int i = 0; i < kChecks; ++i) {
            singleDowns +=
                single.PingAll({hosts.front()}, {}).front().kind == PingReply::Kind::Answered ? 0 : 1;
        }
        std::printf(
            "TABLE|false downs per 10,000, %d %% loss, core (%d checks)|%.1f|%.1f single ping|%.4f|%s\n",
            static_cast<int>(row.loss * 100 + 0.5), kChecks, PerTenThousand(downs),
            PerTenThousand(singleDowns), singleDowns > 0 ? static_cast<double>(downs) / singleDowns : 0.0,
            row.goal);
        std::printf("TABLE|pings per check, %d %% loss, core|%.3f|1 single ping|%.3f|report\n",
                    static_cast<int>(row.loss * 100 + 0.5), pingsPerCheck, pingsPerCheck);
    }
    // Both families on the same lossy link: each is judged on its own two addresses and the name,
    // so a lost echo must not read as one family down more often than the single-family check does.
    const std::vector<std::string> dual = {"name.test", "192.0.2.1", "192.0.2.2", "2001:db8::1",
                                           "2001:db8::2"};
    SeededLossPing link(0.10, 20261208);
    DualStack local;
    ConnectivityVerdict verdict(link, dual, nullptr, {}, &local);
    int familyDowns = 0;
    int checkDowns = 0;
    for (int i = 0; i < kChecks; ++i) {
        const CheckResult result = verdict.Check();
        checkDowns += result.connected ? 0 : 1;
        for (const FamilyResult& family : result.families) {
            familyDowns += family.connected ? 0 : 1;
        }
    }
    std::printf(
        "TABLE|false family downs per 10,000 families, 10 %% loss, dual stack|%.1f|single family above|-|"
        "<= 1\n",
        PerTenThousand(familyDowns) / 2);
    std::printf(
        "TABLE|false check downs per 10,000, 10 %% loss, dual stack|%.1f|single family above|-|<= 1\n",
        PerTenThousand(checkDowns));
    std::printf("TABLE|pings per check, 10 %% loss, dual stack|%.3f|2 one per family|%.3f|report\n",
                static_cast<double>(link.Pings()) / kChecks, static_cast<double>(link.Pings()) / kChecks / 2);
    return 0;
}
