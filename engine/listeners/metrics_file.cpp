#include "engine/listeners/metrics_file.h"

#include <charconv>
#include <utility>

namespace pellavane {
namespace {

/** The shortest text that reads back as the same double, in the C locale whatever the program's. */
std::string Number(double value)
{
    char buffer[64];
    // Whole numbers (times, counts of seconds) in full: shortest would write 1.7e+09.
    const bool whole =
        value == static_cast<double>(static_cast<long long>(value)) && value < 1e15 && value > -1e15;
    const auto result = whole ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value))
                              : std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

void Family(std::string& text, const char* name, const char* type, const char* help)
{
    text += std::string("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
}

} // namespace

std::string EscapeLabelValue(const std::string& value)
{
    std::string escaped;
    escaped.reserve(value.size());
    for (const char c : value) {
        switch (c) {
        case '\\':
            escaped += "\\\\";
            break;
        case '"':
            escaped += "\\\"";
            break;
        case '\n':
            escaped += "\\n";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string RenderMetrics(const std::optional<CheckResult>& lastCheck, const MetricsCounters& counters,
                          int intervalSeconds, const std::string& version)
{
    std::string text;
    if (lastCheck) {
        Family(text, "pellavane_up", "gauge", "Whether the last check found the Internet reachable.");
        text += "pellavane_up " + std::string(lastCheck->connected ? "1" : "0") + '\n';
        Family(text, "pellavane_last_check_timestamp_seconds", "gauge",
               "Time of the last check in seconds since 1970.");
        text +=
            "pellavane_last_check_timestamp_seconds " + Number(static_cast<double>(lastCheck->time)) + '\n';
        Family(text, "pellavane_check_duration_seconds", "gauge", "How long the last check took.");
        text += "pellavane_check_duration_seconds " + Number(lastCheck->durationSeconds) + '\n';
        if (lastCheck->rttMs) {
            Family(text, "pellavane_rtt_seconds", "gauge", "Round trip of the last answering echo.");
            text += "pellavane_rtt_seconds " + Number(*lastCheck->rttMs / 1000.0) + '\n';
        }
        if (!lastCheck->targets.empty()) {
            Family(text, "pellavane_target_up", "gauge",
                   "Whether each target tried in the last check answered.");
            for (const TargetResult& target : lastCheck->targets) {
                text += "pellavane_target_up{target=\"" + EscapeLabelValue(target.host) + "\"} " +
                        (target.answered ? "1" : "0") + '\n';
            }
        }
        if (!lastCheck->families.empty()) {
            Family(text, "pellavane_family_up", "gauge",
                   "Whether each configured address family (4 or 6) reached the Internet in the last check.");
            for (const FamilyResult& family : lastCheck->families) {
                text += std::string("pellavane_family_up{family=\"") +
                        (family.family == AddressFamily::V4 ? "4" : "6") + "\"} " +
                        (family.connected ? "1" : "0") + '\n';
            }
        }
    }
    Family(text, "pellavane_checks_total", "counter", "Checks since the program started, by their status.");
    text += "pellavane_checks_total{status=\"connected\"} " + std::to_string(counters.connectedChecks) + '\n';
    text += "pellavane_checks_total{status=\"disconnected\"} " + std::to_string(counters.disconnectedChecks) +
            '\n';
    Family(text, "pellavane_outages_total", "counter", "Outages since the program started.");
    text += "pellavane_outages_total " + std::to_string(counters.outages) + '\n';
    Family(text, "pellavane_downtime_seconds_total", "counter",
           "Seconds found disconnected since the program started.");
    text += "pellavane_downtime_seconds_total " + Number(counters.downtimeSeconds) + '\n';
    RenderEchoMetrics(text, counters.echoes);
    Family(text, "pellavane_interval_seconds", "gauge", "Seconds between scheduled checks.");
    text += "pellavane_interval_seconds " + std::to_string(intervalSeconds) + '\n';
    Family(text, "pellavane_info", "gauge", "The program's version.");
    text += "pellavane_info{version=\"" + EscapeLabelValue(version) + "\"} 1\n";
    return text;
}

std::string RenderDegradedMetric(bool degraded)
{
    std::string text;
    Family(text, "pellavane_degraded", "gauge",
           "Whether the connection is degraded: up, but losing or delaying echoes past the thresholds.");
    return text + "pellavane_degraded " + (degraded ? "1" : "0") + '\n';
}

MetricsFileWriter::MetricsFileWriter(std::string path, std::string version, Report report,
                                     int intervalSeconds)
    : m_path(std::move(path)), m_version(std::move(version)), m_report(std::move(report)),
      m_intervalSeconds(intervalSeconds)
{}

void MetricsFileWriter::LoggingStarted(int intervalSeconds)
{
    m_intervalSeconds = intervalSeconds;
    Write();
}

void MetricsFileWriter::CheckRecorded(const CheckResult& check)
{
    if (m_lastCheck && !m_lastCheck->connected && check.time > m_lastCheck->time) {
        m_counters.downtimeSeconds += static_cast<double>(check.time - m_lastCheck->time);
    }
    if (check.connected) {
        ++m_counters.connectedChecks;
        if (check.echoes) {
            m_counters.echoes.Add(*check.echoes);
        }
    } else {
        ++m_counters.disconnectedChecks;
        if (!m_lastCheck || m_lastCheck->connected) {
            ++m_counters.outages;
        }
    }
    m_lastCheck = check;
    Write();
}

void MetricsFileWriter::QualityChanged(const QualityChange& change)
{
    // Told right after the check that turned it, whose file is written already: written again, so
    // that the file never holds the change's check with the state before it.
    m_degraded = change.degraded;
    Write();
}

void MetricsFileWriter::Write()
{
    try {
        std::string text = RenderMetrics(m_lastCheck, m_counters, m_intervalSeconds, m_version);
        // Like pellavane_up, known from the first check on.
        if (m_lastCheck) {
            text += RenderDegradedMetric(m_degraded);
        }
        ReplaceFileAtomically(m_path, text);
        m_failing = false;
    } catch (const MetricsWriteError& e) {
        if (!m_failing && m_report) {
            m_report(e.what());
        }
        m_failing = true;
    }
}

} // namespace pellavane
