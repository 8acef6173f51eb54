#pragma once

#include "engine/check/check_result.h"
#include "engine/history/history.h"
#include "engine/history/outages.h"

#include <optional>
#include <string>

namespace pellavane {

/** One address family's history as checks, for the outage analyser:
 *  - a family row sets the family's state, from the check it follows to the family's next row; a start
 *    or stop row ends it (the monitor states every family again at the first check after a start);
 *    outside logging (the rows of --check --log) a family row speaks for its own check alone;
 *  - each check is passed on as a check of the family's state: disconnected when the check is (a
 *    disconnected check is down for every configured family), as the check where no row speaks for
 *    the family, and as unknown time (a stop) while the family is not configured;
 *  - every other row is passed on as it is, except the echoes and quality rows, which tell of the
 *    first family's first target and not of this family. */
class FamilyHistory : public IHistorySink
{
public:
    FamilyHistory(AddressFamily family, IHistorySink& next);
    void Record(const HistoryRecord& record) override;
    /** Passes on the check still waiting for its family rows; call at the end of the history. */
    void Finish();

private:
    enum class State : std::uint8_t
    {
        AsTheCheck,
        Up,
        Down,
        NotConfigured,
    };
    void PassPending();

    AddressFamily m_family;
    IHistorySink& m_next;
    bool m_logging = false;
    State m_state = State::AsTheCheck;
    std::string m_familyCause;
    /** The last check, held until the family rows that follow it have been read. */
    std::optional<HistoryRecord> m_pending;
    std::string m_pendingCause;
};

/** AnalyseHistory for one family's history; throws HistoryReadError. */
HistoryReport AnalyseFamilyHistory(const std::string& logPath, const ReportOptions& options,
                                   AddressFamily family, HistoryReadSummary* summary = nullptr);

} // namespace pellavane
