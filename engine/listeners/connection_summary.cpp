#include "engine/listeners/connection_summary.h"

#include "engine/check/local_network.h"

#include "core/local_time.h"

#include <algorithm>
#include <utility>

namespace pellavane {

std::string ShortDurationText(std::int64_t seconds)
{
    const std::int64_t s = std::max<std::int64_t>(0, seconds);
    if (s >= 3600) {
        return std::to_string(s / 3600) + " h " + std::to_string(s / 60 % 60) + " min";
    }
    if (s >= 60) {
        return std::to_string(s / 60) + " min " + std::to_string(s % 60) + " s";
    }
    return std::to_string(s) + " s";
}

void ConnectionSummary::Add(std::int64_t t, bool connected)
{
    if (!m_have || connected != m_connected) {
        m_since = t;
        m_cause.clear();
        m_degraded.clear();
        if (!m_outages.empty() && m_outages.back().ongoing) {
            m_outages.back().end = t;
            m_outages.back().ongoing = false;
        }
        if (!connected) {
            m_outages.push_back(Span{t, t, true});
        }
    }
    m_have = true;
    m_connected = connected;
    m_last = t;
    // Only today's matter; a window left open for months keeps a couple of days at most.
    const auto old = std::find_if(m_outages.begin(), m_outages.end(),
                                  [t](const Span& span) { return span.start >= t - 2 * 86400; });
    m_outages.erase(m_outages.begin(), old);
}

void ConnectionSummary::SetCause(std::string cause)
{
    m_cause = std::move(cause);
}

void ConnectionSummary::SetDegraded(std::string why)
{
    m_degraded = std::move(why);
}

void ConnectionSummary::SetFamilyLost(std::string text)
{
    m_familyLost = std::move(text);
}

void ConnectionSummary::Clear()
{
    *this = ConnectionSummary();
}

std::string ConnectionSummary::Text(std::int64_t now) const
{
    if (!m_have) {
        return {};
    }
    std::tm tm{};
    ToLocalTm(now, tm);
    const std::int64_t today = LocalMidnight(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    int count = 0;
    std::int64_t total = 0;
    for (const Span& span : m_outages) {
        if (span.start >= today) {
            ++count;
            total += (span.ongoing ? std::max(now, span.start) : span.end) - span.start;
        }
    }
    std::string text =
        std::string(m_connected ? "Connected" : "Disconnected") + " for " + ShortDurationText(now - m_since);
    if (!m_connected && !m_cause.empty()) {
        text += ": " + CauseSentence(m_cause);
    }
    if (m_connected && !m_familyLost.empty()) {
        text += ", " + m_familyLost;
    }
    if (m_connected && !m_degraded.empty()) {
        text += ", degraded: " + m_degraded;
    }
    text += " \xC2\xB7 ";
    if (count == 0) {
        return text + "no outages today";
    }
    return text + std::to_string(count) + (count == 1 ? " outage" : " outages") + " today (" +
           ShortDurationText(total) + ")";
}

} // namespace pellavane
