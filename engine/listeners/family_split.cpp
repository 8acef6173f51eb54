#include "engine/listeners/family_split.h"

#include "engine/listeners/family_rows.h"

namespace pellavane {

std::vector<FamilyChange> FamilySplit::Follow(const CheckResult& check)
{
    std::vector<FamilyChange> changes;
    const bool split =
        check.families.size() == 2 && check.families[0].connected != check.families[1].connected;
    const bool bothUp =
        check.families.size() == 2 && check.families[0].connected && check.families[1].connected;
    const AddressFamily down =
        split ? check.families[check.families[0].connected ? 1 : 0].family : AddressFamily::V6;
    if (m_lost && (!split || m_lost->family != down)) {
        if (bothUp || split) {
            changes.push_back({m_lost->family, false, check.time});
        }
        m_lost.reset();
    }
    if (split && !m_lost) {
        m_lost = FamilyChange{down, true, check.time};
        changes.push_back(*m_lost);
    }
    return changes;
}

std::string FamilyLostText(AddressFamily family, const std::string& at)
{
    const AddressFamily other = family == AddressFamily::V4 ? AddressFamily::V6 : AddressFamily::V4;
    return std::string(FamilyName(family)) + " lost at " + at + "; " + FamilyName(other) + " works";
}

std::string FamilyBackText(AddressFamily family, const std::string& at)
{
    return std::string(FamilyName(family)) + " back at " + at;
}

} // namespace pellavane
