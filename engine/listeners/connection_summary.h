#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pellavane {

/** The one line the window shows about the checks of this session: how long the connection has
 *  been as it is, and today's outages ("Connected for 3 h 12 min · 2 outages today (4 min 10 s)"). */
class ConnectionSummary
{
public:
    /** One check, in the order they are made. */
    void Add(std::int64_t t, bool connected);
    /** The cause of the check added last, which the line names while disconnected
     *  ("Disconnected for 4 min 10 s: the router answers, the Internet does not · ..."). */
    void SetCause(std::string cause);
    /** Why the connection is degraded now, which the line names while connected ("Connected for
     *  3 h 12 min, degraded: loss 12% · ..."); empty when it is not. A change of the connection
     *  clears it. */
    void SetDegraded(std::string why);
    /** The family lost while the other works, as FamilyLostText words it, which the line names while
     *  connected ("Connected for 3 h 12 min, IPv6 lost at 10:42; IPv4 works · ..."); empty when none
     *  is. */
    void SetFamilyLost(std::string text);
    void Clear();
    /** The line at now; empty before the first check. */
    std::string Text(std::int64_t now) const;

private:
    struct Span
    {
        std::int64_t start;
        std::int64_t end;
        bool ongoing;
    };
    bool m_have = false;
    bool m_connected = false;
    std::int64_t m_since = 0;
    std::int64_t m_last = 0;
    std::string m_cause;
    std::string m_degraded;
    std::string m_familyLost;
    std::vector<Span> m_outages;
};

/** A duration in the summary's short form: "3 h 12 min", "4 min 10 s", "45 s". */
std::string ShortDurationText(std::int64_t seconds);

} // namespace pellavane
