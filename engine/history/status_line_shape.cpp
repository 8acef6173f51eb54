#include "engine/history/status_line_shape.h"

#include <cstdio>

namespace pellavane {

void StatusLineShape::Learn(std::string_view stamp, const LocalDateTime& dt, const LocalTimes& times)
{
    m_usable = false;
    std::int64_t midnight = 0;
    if (stamp.size() < 9 || stamp[stamp.size() - 9] != ' ' || !times.RegularDay(midnight)) {
        return;
    }
    char clock[16];
    std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", dt.hour, dt.minute, dt.second);
    if (stamp.substr(stamp.size() - 8) != std::string_view(clock, 8)) {
        return;
    }
    m_prefix.assign(stamp.substr(0, stamp.size() - 8));
    m_midnight = midnight;
    m_usable = true;
}

} // namespace pellavane
