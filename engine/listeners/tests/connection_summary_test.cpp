#include "engine/listeners/connection_summary.h"

#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace pellavane {
namespace {

using pellavane::testing::ScopedTimeZone;

TEST(ConnectionSummaryTest, TellsTheStateSinceWhenAndTodaysOutages)
{
    const ScopedTimeZone zone("UTC0");
    const std::int64_t t = pellavane::testing::LocalTime(2026, 12, 8, 1, 0, 0);
    ConnectionSummary summary;
    EXPECT_EQ(summary.Text(t), "");
    summary.Add(t - 7200, false); // yesterday's outage is not today's
    summary.Add(t - 3600, true);
    summary.Add(t, false);
    summary.Add(t + 120, true);
    summary.Add(t + 200, false);
    summary.Add(t + 250, true);
    summary.Add(t + 3600, true);
    EXPECT_EQ(summary.Text(t + 250 + 11520),
              "Connected for 3 h 12 min \xC2\xB7 2 outages today (2 min 50 s)");
    summary.Add(t + 4000, false);
    EXPECT_EQ(summary.Text(t + 4045), "Disconnected for 45 s \xC2\xB7 3 outages today (3 min 35 s)");
    summary.SetCause("provider");
    EXPECT_EQ(summary.Text(t + 4045),
              "Disconnected for 45 s: the router answers, the Internet does not \xC2\xB7 "
              "3 outages today (3 min 35 s)");
    // A cause is named only while disconnected, and a new outage starts without the last one's.
    summary.Add(t + 4100, true);
    EXPECT_EQ(summary.Text(t + 4100).find("router"), std::string::npos);
    summary.Add(t + 4200, false);
    EXPECT_EQ(summary.Text(t + 4200).find("router"), std::string::npos);
    summary.Clear();
    summary.Add(t, true);
    EXPECT_EQ(summary.Text(t + 5), "Connected for 5 s \xC2\xB7 no outages today");

    // Degraded is said while connected, and an outage takes it away.
    summary.SetDegraded("loss 12%");
    EXPECT_EQ(summary.Text(t + 5), "Connected for 5 s, degraded: loss 12% \xC2\xB7 no outages today");
    summary.Add(t + 10, true);
    EXPECT_NE(summary.Text(t + 10).find("degraded"), std::string::npos);
    summary.Add(t + 15, false);
    summary.Add(t + 20, true);
    EXPECT_EQ(summary.Text(t + 20).find("degraded"), std::string::npos);
    summary.SetDegraded("median 640 ms");
    summary.SetDegraded("");
    EXPECT_EQ(summary.Text(t + 20).find("degraded"), std::string::npos);

    // A family lost while the other works is named while connected only.
    summary.SetFamilyLost("IPv6 lost at 01:00; IPv4 works");
    summary.SetDegraded("loss 12%");
    EXPECT_EQ(summary.Text(t + 20),
              "Connected for 0 s, IPv6 lost at 01:00; IPv4 works, degraded: loss 12% \xC2\xB7 "
              "1 outage today (5 s)");
    summary.Add(t + 25, false);
    EXPECT_EQ(summary.Text(t + 25).find("IPv6"), std::string::npos);
}

} // namespace
} // namespace pellavane
