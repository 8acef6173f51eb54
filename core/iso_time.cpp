#include "core/iso_time.h"

#include "core/civil_date.h"
#include "core/local_time.h"

#include <algorithm>
#include <cstdio>

namespace pellavane {
namespace {

std::string DateAndTime(const std::tm& local, char separator)
{
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d%c%02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, separator, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

bool TwoDigits(std::string_view text, std::size_t at, int& value)
{
    const char a = text[at];
    const char b = text[at + 1];
    if (a < '0' || a > '9' || b < '0' || b > '9') {
        return false;
    }
    value = (a - '0') * 10 + (b - '0');
    return true;
}

} // namespace

std::string IsoLocalTime(std::time_t t)
{
    std::tm local{};
    if (!ToLocalTm(t, local)) {
        return std::to_string(t);
    }
    // The offset is what the local reading is ahead of UTC, so the zone's rules need not be known.
    const std::int64_t asUtc =
        DaysFromCivil(local.tm_year + 1900LL, local.tm_mon + 1, local.tm_mday) * 86400 +
        local.tm_hour * 3600LL + local.tm_min * 60LL + local.tm_sec;
    const long long offsetMinutes = static_cast<long long>(asUtc - static_cast<std::int64_t>(t)) / 60;
    const long long magnitude = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    char zone[32];
    std::snprintf(zone, sizeof zone, "%c%02lld:%02lld", offsetMinutes < 0 ? '-' : '+', magnitude / 60,
                  magnitude % 60);
    return DateAndTime(local, 'T') + zone;
}

std::string IsoLocalTimeWithoutZone(std::int64_t t)
{
    std::tm local{};
    if (!ToLocalTm(t, local)) {
        return std::to_string(t);
    }
    return DateAndTime(local, ' ');
}

std::string IsoDate(int year, int month, int day)
{
    char text[32];
    if (day == 0) {
        std::snprintf(text, sizeof text, "%04d-%02d", year, month);
    } else {
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    }
    return text;
}

bool ParseIsoTime(std::string_view text, std::int64_t& out)
{
    if (text.size() < 20 || text[4] != '-' || text[7] != '-' || (text[10] != 'T' && text[10] != ' ') ||
        text[13] != ':' || text[16] != ':') {
        return false;
    }
    int c = 0, y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (!TwoDigits(text, 0, c) || !TwoDigits(text, 2, y) || !TwoDigits(text, 5, mo) ||
        !TwoDigits(text, 8, d) || !TwoDigits(text, 11, h) || !TwoDigits(text, 14, mi) ||
        !TwoDigits(text, 17, s)) {
        return false;
    }
    const int year = c * 100 + y;
    if (mo < 1 || mo > 12 || d < 1 || d > DaysInMonth(year, mo) || h > 23 || mi > 59 || s > 60) {
        return false;
    }
    int offset = 0;
    const std::string_view zone = text.substr(19);
    if (zone != "Z") {
        int oh = 0, om = 0;
        const bool colon = zone.size() == 6 && zone[3] == ':';
        if ((zone.size() != 5 && !colon) || (zone[0] != '+' && zone[0] != '-') || !TwoDigits(zone, 1, oh) ||
            !TwoDigits(zone, colon ? 4 : 3, om)) {
            return false;
        }
        // No zone is further than 14 hours from UTC, and an hour has 60 minutes.
        if (oh > 14 || om > 59 || (oh == 14 && om > 0)) {
            return false;
        }
        offset = (oh * 3600 + om * 60) * (zone[0] == '-' ? -1 : 1);
    }
    out = DaysFromCivil(year, mo, d) * 86400 + h * 3600 + mi * 60 + std::min(s, 59) - offset;
    return true;
}

} // namespace pellavane
