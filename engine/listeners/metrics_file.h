#pragma once

#include "engine/check/check_result.h"
#include "engine/listeners/echo_metrics.h"
#include "engine/monitor/monitor_listener.h"

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace pellavane {

/** What the metrics file tells of the monitor since the program started. */
struct MetricsCounters
{
    long long connectedChecks = 0;
    long long disconnectedChecks = 0;
    /** Runs of disconnected checks, the first check counting when it finds no connection. */
    long long outages = 0;
    /** Seconds between a disconnected check and the next check. */
    double downtimeSeconds = 0;
    /** The first target's echoes and their round trips. */
    EchoMetrics echoes;
};

/** The metrics in the text exposition format 0.0.4 that the node exporter's textfile collector
 *  reads; lastCheck nullopt before the first check, when only the interval and the version are known. */
std::string RenderMetrics(const std::optional<CheckResult>& lastCheck, const MetricsCounters& counters,
                          int intervalSeconds, const std::string& version);

/** The gauge pellavane_degraded, 1 while the connection is degraded, else 0. */
std::string RenderDegradedMetric(bool degraded);

/** A label value with backslash, double quote and line feed escaped, as the format asks. */
std::string EscapeLabelValue(const std::string& value);

class MetricsWriteError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/** Replaces the file at path with text so that a reader sees the old file or the new one, never a
 *  part: written under a name in the same folder that does not end in ".prom", flushed to disk, then
 *  renamed over it; readable by everyone, since the collector runs as another user. Throws
 *  MetricsWriteError naming the file (as what, "the metrics file" or "the report") and the reason;
 *  nothing is left behind then. */
void ReplaceFileAtomically(const std::string& path, const std::string& text,
                           const std::string& what = "the metrics file");

/** Keeps the metrics file up to date after every check. A failure to write never stops logging: it is
 *  told once, and once more only after a write has worked again. */
class MetricsFileWriter : public IMonitorListener
{
public:
    using Report = std::function<void(const std::string& message)>;
    /** intervalSeconds is the interval chosen before logging starts; LoggingStarted updates it. */
    MetricsFileWriter(std::string path, std::string version, Report report, int intervalSeconds = 0);

    void LoggingStarted(int intervalSeconds) override;
    void CheckRecorded(const CheckResult& check) override;
    void QualityChanged(const QualityChange& change) override;

    const MetricsCounters& Counters() const noexcept { return m_counters; }

private:
    void Write();

    std::string m_path;
    std::string m_version;
    Report m_report;
    int m_intervalSeconds = 0;
    MetricsCounters m_counters;
    std::optional<CheckResult> m_lastCheck;
    bool m_failing = false;
    bool m_degraded = false;
};

} // namespace pellavane
