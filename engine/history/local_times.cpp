#include "engine/history/local_times.h"

#include <algorithm>
#include <ctime>

namespace pellavane {
namespace {

bool ReadsBackAs(std::int64_t t, const LocalDateTime& dt)
{
    std::tm tm{};
    return ToLocalTm(t, tm) && tm.tm_year == dt.year - 1900 && tm.tm_mon == dt.month - 1 &&
           tm.tm_mday == dt.day && tm.tm_hour == dt.hour && tm.tm_min == dt.minute && tm.tm_sec == dt.second;
}

} // namespace

std::int64_t LocalTimes::ToEpoch(const LocalDateTime& dt)
{
    if (!m_haveDay || dt.year != m_year || dt.month != m_month || dt.day != m_day) {
        NewDay(dt);
    }
    std::int64_t t = 0;
    if (m_regular) {
        t = m_midnight + dt.hour * 3600 + dt.minute * 60 + dt.second;
    } else {
        t = OnChangeDay(dt);
    }
    m_last = t;
    return t;
}

void LocalTimes::NewDay(const LocalDateTime& dt)
{
    m_haveDay = true;
    m_year = dt.year;
    m_month = dt.month;
    m_day = dt.day;
    LocalDateTime midnight{dt.year, dt.month, dt.day, 0, 0, 0};
    m_midnight = LocalToEpoch(midnight, -1);
    LocalDateTime next = midnight;
    next.day += 1;
    const std::int64_t nextMidnight = LocalToEpoch(next, -1);
    m_regular = nextMidnight - m_midnight == 86400 && ReadsBackAs(m_midnight, midnight) &&
                ReadsBackAs(m_midnight + 86399, LocalDateTime{dt.year, dt.month, dt.day, 23, 59, 59});
}

// The hour the clocks go back comes twice: the later reading is taken once the log has passed the
// earlier one, so a log going through that hour keeps its order.
std::int64_t LocalTimes::OnChangeDay(const LocalDateTime& dt) const
{
    const std::int64_t standard = LocalToEpoch(dt, 0);
    const std::int64_t summer = LocalToEpoch(dt, 1);
    const bool standardFits = ReadsBackAs(standard, dt);
    const bool summerFits = ReadsBackAs(summer, dt);
    if (standardFits && summerFits && standard != summer) {
        const std::int64_t early = std::min(standard, summer);
        const std::int64_t late = std::max(standard, summer);
        return early >= m_last ? early : late;
    }
    if (standardFits) {
        return standard;
    }
    if (summerFits) {
        return summer;
    }
    return LocalToEpoch(dt, -1);
}

} // namespace pellavane
