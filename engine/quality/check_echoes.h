#pragma once

#include "engine/history/history.h"
#include "engine/history/journal_format.h"

#include <cstdint>
#include <limits>
#include <string_view>
#include <utility>
#include <vector>

namespace pellavane {

/** The detail of a connected check whose first target did not answer while another did. */
inline constexpr std::string_view kFirstTargetSilent = "first target silent";

/** Reads each connected check's echoes of the first target back from a history's records, oldest
 *  first, for every reader that counts them:
 *  - those of the echoes row right after the check, at its time;
 *  - without one, or when that row cannot be read, the check's own one echo: answered when its detail
 *    is empty and its round trip reads, lost when the detail is "first target silent", else none;
 *  - a disconnected check has none, and an echoes row that follows no connected check of its time (or
 *    a second one) is passed over; so are the family rows written between a check and its echoes.
 *  A template on its callback, onEchoes(time, sent, roundTripsUs) with the answered echoes' round trips
 *  in whole microseconds, so that a reader of millions of rows pays no call through a pointer. */
template <typename OnEchoes>
class CheckEchoesReader
{
public:
    /** Checks before from or after to are passed over without reading their echoes. */
    explicit CheckEchoesReader(OnEchoes onEchoes,
                               std::int64_t from = std::numeric_limits<std::int64_t>::min(),
                               std::int64_t to = std::numeric_limits<std::int64_t>::max())
        : m_onEchoes(std::move(onEchoes)), m_from(from), m_to(to)
    {}

    void Record(const HistoryRecord& record)
    {
        switch (record.event) {
        case HistoryEvent::Ipv4:
        case HistoryEvent::Ipv6:
            return;
        case HistoryEvent::Echoes:
            if (m_pending && record.time == m_pendingTime &&
                ParseEchoesDetail(record.cause, m_sent, m_rttsUs)) {
                m_pending = false;
                m_onEchoes(record.time, m_sent, std::as_const(m_rttsUs));
                return;
            }
            Flush();
            return;
        case HistoryEvent::Check:
            Flush();
            if (record.connected && record.time >= m_from && record.time <= m_to) {
                m_pending = true;
                m_pendingTime = record.time;
                m_oneAnswered = record.cause.empty() && ReadRoundTripMicroseconds(record.rtt, m_oneRttUs);
                m_oneLost = record.cause == kFirstTargetSilent;
            }
            return;
        default:
            Flush();
            return;
        }
    }

    /** Ends the history: gives the last check's echoes when no echoes row came after it. */
    void Finish() { Flush(); }

private:
    // The check's own one echo, once no echoes row of its own can follow.
    void Flush()
    {
        if (!m_pending) {
            return;
        }
        m_pending = false;
        if (m_oneAnswered) {
            m_rttsUs.assign(1, m_oneRttUs);
        } else if (m_oneLost) {
            m_rttsUs.clear();
        } else {
            return;
        }
        m_onEchoes(m_pendingTime, 1, std::as_const(m_rttsUs));
    }

    OnEchoes m_onEchoes;
    std::int64_t m_from;
    std::int64_t m_to;
    bool m_pending = false;
    std::int64_t m_pendingTime = 0;
    bool m_oneAnswered = false;
    bool m_oneLost = false;
    std::uint32_t m_oneRttUs = 0;
    int m_sent = 0;
    std::vector<std::uint32_t> m_rttsUs;
};

} // namespace pellavane
