// False outages on a lossy link: the verdict against the single ping it replaces, through the
// seeded simulated link, so the figures are the same on every run. Prints rows of run-all.sh's table.

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
    return 0;
}
