#include "engine/history/family_history.h"

#include "engine/history/log_date_form.h"

#include <utility>

namespace pellavane {

FamilyHistory::FamilyHistory(AddressFamily family, IHistorySink& next) : m_family(family), m_next(next) {}

void FamilyHistory::Record(const HistoryRecord& record)
{
    const HistoryEvent own = m_family == AddressFamily::V4 ? HistoryEvent::Ipv4 : HistoryEvent::Ipv6;
    switch (record.event) {
    case HistoryEvent::Ipv4:
    case HistoryEvent::Ipv6:
        if (record.event == own) {
            m_state = !record.familyConfigured ? State::NotConfigured
                      : record.connected       ? State::Up
                                               : State::Down;
            m_familyCause.assign(record.cause);
        }
        return;
    case HistoryEvent::Echoes:
    case HistoryEvent::Quality:
        return;
    case HistoryEvent::Check:
        PassPending();
        m_pending = record;
        m_pendingCause.assign(record.cause);
        m_pending->rtt = {};
        return;
    case HistoryEvent::Start:
    case HistoryEvent::Stop:
        PassPending();
        m_logging = record.event == HistoryEvent::Start;
        m_state = State::AsTheCheck;
        break;
    case HistoryEvent::Sleep:
    case HistoryEvent::Resume:
    case HistoryEvent::Clock:
        PassPending();
        break;
    }
    m_next.Record(record);
}

void FamilyHistory::Finish()
{
    PassPending();
}

void FamilyHistory::PassPending()
{
    if (!m_pending) {
        return;
    }
    HistoryRecord check = *m_pending;
    m_pending.reset();
    if (m_state == State::NotConfigured) {
        check.event = HistoryEvent::Stop;
        check.cause = {};
    } else if (check.connected && m_state == State::Down) {
        check.connected = false;
        check.cause = m_familyCause;
    } else {
        check.cause = m_pendingCause;
    }
    m_next.Record(check);
    if (!m_logging) {
        m_state = State::AsTheCheck;
    }
}

HistoryReport AnalyseFamilyHistory(const std::string& logPath, const ReportOptions& options,
                                   AddressFamily family, HistoryReadSummary* summary)
{
    OutageAnalyser analyser(options);
    FamilyHistory history(family, analyser);
    HistoryReadSummary read = ReadHistory(logPath, TextLogForms(), history);
    history.Finish();
    if (summary != nullptr) {
        *summary = std::move(read);
    }
    return analyser.Finish();
}

} // namespace pellavane
