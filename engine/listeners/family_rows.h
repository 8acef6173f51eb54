#pragma once

#include "engine/check/check_result.h"
#include "engine/history/journal_format.h"

#include <array>
#include <optional>
#include <vector>

namespace pellavane {

/** One address family's state as the journal records it. */
enum class FamilyState : std::uint8_t
{
    NotConfigured,
    Connected,
    Disconnected,
};

/** That family's state in check: not configured when the check carries no verdict of it. */
FamilyState FamilyStateIn(const CheckResult& check, AddressFamily family);

/** "IPv4" or "IPv6". */
const char* FamilyName(AddressFamily family);

/** Which family rows the monitor's checks add to the journal: every family's at the first check after
 *  logging starts, then a family's row only when its state changed. A machine with no family
 *  configured (targets on this machine alone) adds none until one is. */
class FamilyRows
{
public:
    /** Logging started: the next check states every family again. */
    void Restart() { m_last = {}; }
    /** The rows that follow check's own rows in the same write. */
    std::vector<JournalRow> After(const CheckResult& check);

private:
    std::array<std::optional<FamilyState>, 2> m_last;
};

/** The family rows of a lone check (--check --log): one for each configured family whose state
 *  differs from the check's status; none when no family is configured. */
std::vector<JournalRow> LoneCheckFamilyRows(const CheckResult& check);

} // namespace pellavane
