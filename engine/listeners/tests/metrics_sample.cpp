// Prints a metrics file with every family and awkward label values, for promtool to judge.
#include "engine/listeners/metrics_file.h"

#include <iostream>

int main()
{
    pellavane::CheckResult check;
    check.time = 1700000000;
    check.connected = true;
    check.rttMs = 0.042;
    check.durationSeconds = 1.5;
    check.targets = {{"127.0.0.1", true}, {"::1", false}, {"odd \"name\" \\ here\n", false}};
    check.families = {{pellavane::AddressFamily::V4, true, "", 0.042, "127.0.0.1"},
                      {pellavane::AddressFamily::V6, false, "provider", std::nullopt, ""}};
    pellavane::EchoMetrics echoes;
    echoes.Add({5, {0.05, 18.123, 250, 30000}});
    std::cout << pellavane::RenderMetrics(check, {10, 2, 1, 7.5, echoes}, 60, "0.1.0 \"dev\"");
    std::cout << pellavane::RenderDegradedMetric(true);
}
