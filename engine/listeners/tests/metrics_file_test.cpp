#include "engine/listeners/metrics_file.h"

#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace pellavane {
namespace {

CheckResult Check(std::time_t time, bool connected, std::optional<double> rttMs = std::nullopt)
{
    CheckResult check;
    check.time = time;
    check.connected = connected;
    check.rttMs = rttMs;
    check.durationSeconds = 0.25;
    check.targets = {{"127.0.0.1", connected}, {"a\"b\\c\nd", false}};
    return check;
}

TEST(MetricsFileTest, RendersEveryFamilyWithEscapedLabels)
{
    const std::string text = RenderMetrics(Check(1700000000, true, 12.5), {3, 2, 1, 60, {}}, 5, "1.2.3");
    for (const char* line :
         {"# TYPE pellavane_up gauge\npellavane_up 1\n",
          "pellavane_last_check_timestamp_seconds 1700000000\n", "pellavane_check_duration_seconds 0.25\n",
          "pellavane_rtt_seconds 0.0125\n", "pellavane_target_up{target=\"127.0.0.1\"} 1\n",
          "pellavane_target_up{target=\"a\\\"b\\\\c\\nd\"} 0\n", "# TYPE pellavane_checks_total counter\n",
          "pellavane_checks_total{status=\"connected\"} 3\n",
          "pellavane_checks_total{status=\"disconnected\"} 2\n", "pellavane_outages_total 1\n",
          "pellavane_downtime_seconds_total 60\n", "pellavane_interval_seconds 5\n",
          "pellavane_info{version=\"1.2.3\"} 1\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << "\nin\n" << text;
    }
}

TEST(MetricsFileTest, LeavesOutWhatIsNotKnown)
{
    EXPECT_EQ(RenderMetrics(Check(1, false), {}, 5, "1").find("pellavane_rtt_seconds"), std::string::npos);
    const std::string before = RenderMetrics(std::nullopt, {}, 5, "1");
    EXPECT_EQ(before.find("pellavane_up"), std::string::npos);
    EXPECT_NE(before.find("pellavane_interval_seconds 5\n"), std::string::npos);
}

// Each configured family has its gauge; one that is not configured has none, and with none configured
// (targets on this machine alone) the family is left out.
TEST(MetricsFileTest, EachConfiguredFamilyHasItsGauge)
{
    const FamilyResult v4{AddressFamily::V4, true, "", 9.5, "192.0.2.7"};
    const FamilyResult v6{AddressFamily::V6, false, "provider", std::nullopt, ""};
    const std::pair<std::vector<FamilyResult>, std::string> cases[] = {
        {{v4, v6}, "pellavane_family_up{family=\"4\"} 1\npellavane_family_up{family=\"6\"} 0\n"},
        {{v6}, "# TYPE pellavane_family_up gauge\npellavane_family_up{family=\"6\"} 0\n#"},
        {{}, ""},
    };
    for (const auto& [families, expected] : cases) {
        CheckResult check = Check(1, true);
        check.families = families;
        const std::string text = RenderMetrics(check, {}, 5, "1");
        if (expected.empty()) {
            EXPECT_EQ(text.find("pellavane_family_up"), std::string::npos) << text;
        } else {
            EXPECT_NE(text.find(expected), std::string::npos) << text;
        }
    }
}

TEST(MetricsFileTest, CountsOutagesAndDowntimeAcrossChecks)
{
    testing::TempFolder folder;
    MetricsFileWriter writer(folder.File("pellavane.prom"), "1", {});
    // down at the start, up, down for 20 s over three checks, up
    for (const auto& [time, connected] : std::initializer_list<std::pair<std::time_t, bool>>{
             {100, false}, {110, true}, {120, false}, {130, false}, {140, true}}) {
        writer.CheckRecorded(Check(time, connected));
    }
    EXPECT_EQ(writer.Counters().connectedChecks, 2);
    EXPECT_EQ(writer.Counters().disconnectedChecks, 3);
    EXPECT_EQ(writer.Counters().outages, 2);
    EXPECT_DOUBLE_EQ(writer.Counters().downtimeSeconds, 30);
    EXPECT_NE(testing::ReadFile(folder.File("pellavane.prom")).find("pellavane_outages_total 2\n"),
              std::string::npos);
}

TEST(MetricsFileTest, EchoesOfConnectedChecksFillTheCountersAndTheHistogram)
{
    testing::TempFolder folder;
    MetricsFileWriter writer(folder.File("pellavane.prom"), "1", {});
    CheckResult check = Check(100, true, 0.05);
    // On a bound, inside it; past the last, in +Inf alone.
    check.echoes = EchoCounts{5, {0.05, 102.4, 102.5, 30000}};
    writer.CheckRecorded(check);
    check.echoes = EchoCounts{1, {}};
    writer.CheckRecorded(check);
    writer.CheckRecorded(Check(120, false));
    const std::string text = testing::ReadFile(folder.File("pellavane.prom"));
    for (const char* line :
         {"pellavane_echoes_sent_total 6\n", "pellavane_echoes_lost_total 2\n",
          "# TYPE pellavane_echo_rtt_seconds histogram\n",
          "pellavane_echo_rtt_seconds_bucket{le=\"0.00005\"} 1\n",
          "pellavane_echo_rtt_seconds_bucket{le=\"0.0512\"} 1\n",
          "pellavane_echo_rtt_seconds_bucket{le=\"0.1024\"} 2\n",
          "pellavane_echo_rtt_seconds_bucket{le=\"0.2048\"} 3\n",
          "pellavane_echo_rtt_seconds_bucket{le=\"26.2144\"} 3\n",
          "pellavane_echo_rtt_seconds_bucket{le=\"+Inf\"} 4\n", "pellavane_echo_rtt_seconds_sum 30.20495\n",
          "pellavane_echo_rtt_seconds_count 4\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << "\nin\n" << text;
    }
    std::size_t buckets = 0;
    for (std::size_t at = 0; (at = text.find("_bucket{", at)) != std::string::npos; ++at) {
        ++buckets;
    }
    EXPECT_EQ(buckets, kEchoRttBuckets + 1);
}

TEST(MetricsFileTest, TheDegradedGaugeFollowsEachChangeFromTheFirstCheckOn)
{
    testing::TempFolder folder;
    const std::string path = folder.File("pellavane.prom");
    MetricsFileWriter writer(path, "1", {});
    const auto gauge = [&] {
        const std::string text = testing::ReadFile(path);
        const auto at = text.find("\npellavane_degraded ");
        return at == std::string::npos ? std::string("absent") : text.substr(at + 20, 2);
    };
    writer.LoggingStarted(5);
    EXPECT_EQ(gauge(), "absent");
    writer.CheckRecorded(Check(1, true));
    EXPECT_EQ(gauge(), "0\n");
    writer.QualityChanged({1, true, {"loss 12%", ""}, QualityEnd::None});
    EXPECT_EQ(gauge(), "1\n");
    writer.CheckRecorded(Check(2, true));
    EXPECT_EQ(gauge(), "1\n");
    writer.QualityChanged({3, false, {}, QualityEnd::Outage});
    EXPECT_EQ(gauge(), "0\n");
    EXPECT_NE(testing::ReadFile(path).find("# TYPE pellavane_degraded gauge\n"), std::string::npos);
}

TEST(MetricsFileTest, TellsAFailureOnceUntilAWriteWorksAgain)
{
    testing::TempFolder folder;
    const std::string missing = folder.File("missing");
    std::vector<std::string> reports;
    MetricsFileWriter writer(missing + "/pellavane.prom", "1",
                             [&](const std::string& m) { reports.push_back(m); });
    writer.CheckRecorded(Check(1, true));
    writer.CheckRecorded(Check(2, true));
    ASSERT_EQ(reports.size(), 1U);
    EXPECT_NE(reports[0].find(missing + "/pellavane.prom"), std::string::npos) << reports[0];
    std::filesystem::create_directory(missing);
    writer.CheckRecorded(Check(3, true));
    EXPECT_EQ(reports.size(), 1U);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(missing), {}), 1)
        << "a temporary file left behind";
    std::filesystem::remove_all(missing);
    writer.CheckRecorded(Check(4, true));
    EXPECT_EQ(reports.size(), 2U);
}

} // namespace
} // namespace pellavane
