#include "app/command_line/console_mode.h"

#include "engine/check/probe.h"
#include "engine/monitor/recorder.h"
#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace pellavane {
namespace {

using pellavane::testing::ReadFile;
using pellavane::testing::ScopedTimeZone;
using pellavane::testing::TempFolder;

struct FamiliesVerdict : IConnectivityVerdict
{
    bool IsInternetConnected() override { return result.connected; }
    CheckResult Check() override { return result; }
    CheckResult result;
};

struct FixedClock : IClock
{
    std::time_t Now() override { return 1'796'701'517; } // 2026-12-08T03:45:17Z
};

// --check tells the families on standard error only when one is down, keeps its exit status (connected
// while any family is) and journals a family row only where it differs from the check.
TEST(RunCheck, TellsEachFamilyWhenOneIsDownAndJournalsOnlyAFamilyThatDiffers)
{
    const ScopedTimeZone zone("UTC0");
    const FamilyResult v4Up{AddressFamily::V4, true, "", 9.5, "192.0.2.7"};
    const FamilyResult v6Up{AddressFamily::V6, true, "", 12.5, "2001:db8::7"};
    const FamilyResult v4Down{AddressFamily::V4, false, "provider", std::nullopt, ""};
    const FamilyResult v6Down{AddressFamily::V6, false, "provider", std::nullopt, ""};
    const struct
    {
        std::vector<FamilyResult> families;
        int exit;
        std::string err;
        std::string familyRows;
    } cases[] = {
        {{v4Up, v6Up}, 0, "", ""},
        {{v4Up, v6Down},
         0,
         "IPv4: connected\nIPv6: disconnected (provider)\n",
         "2026-12-08T03:45:17+00:00,ipv6,disconnected,,,provider\r\n"},
        {{v4Down, v6Down},
         1,
         "Cause: the router answers, the Internet does not (provider)\nIPv4: disconnected (provider)\n"
         "IPv6: disconnected (provider)\n",
         ""},
        // One family configured: its line and its row would only repeat the check's.
        {{v4Up}, 0, "", ""},
        {{v4Down}, 1, "Cause: the router answers, the Internet does not (provider)\n", ""},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        FamiliesVerdict verdict;
        verdict.result.families = c.families;
        verdict.result.connected = c.exit == 0;
        verdict.result.cause = c.exit == 0 ? "" : "provider";
        FixedClock clock;
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(RunCheck(verdict, clock, folder.File("net.txt"), out, err), c.exit);
        EXPECT_EQ(err.str(), c.err);
        const std::string journal = ReadFile(folder.File("net.journal.csv"));
        const std::string afterCheck = journal.substr(journal.find("check,"));
        EXPECT_EQ(afterCheck.substr(afterCheck.find("\r\n") + 2), c.familyRows) << c.err;
    }
}

} // namespace
} // namespace pellavane
