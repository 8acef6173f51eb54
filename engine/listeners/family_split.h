#pragma once

#include "engine/check/check_result.h"

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace pellavane {

/** One address family lost while the other works, or back. */
struct FamilyChange
{
    AddressFamily family = AddressFamily::V6;
    /** Lost (else back). */
    bool lost = true;
    /** Wall time of the check that found it. */
    std::time_t at = 0;
};

/** Follows the families of the checks for what the notices, the tip, the summary line and the console
 *  tell: a family lost while the other works, and its return. Only a check with two families that
 *  differ splits them; a disconnected check is an outage, told as one, and ends a split without a
 *  word, as does a family that stops being configured (never down). */
class FamilySplit
{
public:
    /** The changes check makes, in order: a family back before the other lost. */
    std::vector<FamilyChange> Follow(const CheckResult& check);
    /** The family lost now, with the time it was lost; nullopt while none is. */
    const std::optional<FamilyChange>& Lost() const noexcept { return m_lost; }
    void Clear() { m_lost.reset(); }

private:
    std::optional<FamilyChange> m_lost;
};

/** "IPv6 lost at 10:42; IPv4 works", the time written as given. */
std::string FamilyLostText(AddressFamily family, const std::string& at);
/** "IPv6 back at 10:50". */
std::string FamilyBackText(AddressFamily family, const std::string& at);

} // namespace pellavane
