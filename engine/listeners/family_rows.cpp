#include "engine/listeners/family_rows.h"

#include <algorithm>

namespace pellavane {
namespace {

constexpr std::array<AddressFamily, 2> kFamilies = {AddressFamily::V4, AddressFamily::V6};

JournalRow RowFor(const CheckResult& check, AddressFamily family)
{
    for (const FamilyResult& result : check.families) {
        if (result.family == family) {
            return FamilyRow(check.time, result);
        }
    }
    return FamilyNotConfiguredRow(check.time, family);
}

} // namespace

FamilyState FamilyStateIn(const CheckResult& check, AddressFamily family)
{
    const auto found = std::find_if(check.families.begin(), check.families.end(),
                                    [family](const FamilyResult& r) { return r.family == family; });
    if (found == check.families.end()) {
        return FamilyState::NotConfigured;
    }
    return found->connected ? FamilyState::Connected : FamilyState::Disconnected;
}

const char* FamilyName(AddressFamily family)
{
    return family == AddressFamily::V4 ? "IPv4" : "IPv6";
}

std::vector<JournalRow> FamilyRows::After(const CheckResult& check)
{
    std::vector<JournalRow> rows;
    for (std::size_t i = 0; i < kFamilies.size(); ++i) {
        const FamilyState state = FamilyStateIn(check, kFamilies[i]);
        // Without any family the check reads as it always did: nothing to tell apart.
        const bool first = !m_last[i] && !check.families.empty();
        if (first || (m_last[i] && *m_last[i] != state)) {
            rows.push_back(RowFor(check, kFamilies[i]));
        }
        m_last[i] = state;
    }
    return rows;
}

std::vector<JournalRow> LoneCheckFamilyRows(const CheckResult& check)
{
    std::vector<JournalRow> rows;
    if (check.families.empty()) {
        return rows;
    }
    const FamilyState status = check.connected ? FamilyState::Connected : FamilyState::Disconnected;
    // A family this check did not ask (not configured, or not chosen) has no state to differ.
    for (const AddressFamily family : kFamilies) {
        const FamilyState state = FamilyStateIn(check, family);
        if (state != FamilyState::NotConfigured && state != status) {
            rows.push_back(RowFor(check, family));
        }
    }
    return rows;
}

} // namespace pellavane
