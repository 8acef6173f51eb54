#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace pellavane {

/** t as ISO 8601 local time with its UTC offset, to the second: "2026-12-08T04:45:17+01:00"; the
 *  number t when the system cannot tell its local time. */
std::string IsoLocalTime(std::time_t t);

/** t as local date and time in ISO 8601's order for a person, a blank for the T and no offset:
 *  "2026-12-08 04:45:17"; the number t when the system cannot tell its local time. */
std::string IsoLocalTimeWithoutZone(std::int64_t t);

/** A day "2026-12-08", or with day 0 its month "2026-12". */
std::string IsoDate(int year, int month, int day);

/** Reads what IsoLocalTime writes, also with a blank for the T, "Z" for the offset or an offset
 *  without its colon ("+0100"); a leap second reads as the second before it. False for other text
 *  or a day that does not exist. */
bool ParseIsoTime(std::string_view text, std::int64_t& out);

} // namespace pellavane
