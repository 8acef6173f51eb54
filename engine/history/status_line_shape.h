#pragma once

#include "engine/history/history.h"
#include "engine/history/local_times.h"
#include "engine/history/status_line.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace pellavane {

/** Most lines of a text log are the line before with a later time: the same date text, a time as
 *  HH:MM:SS and one of the two status texts. Such a line is read from fixed places without the
 *  form; the shape is learnt from a line the form read, so both always agree. */
class StatusLineShape
{
public:
    /** Learns the shape of a line whose stamp the form read as dt on the day times last read. */
    void Learn(std::string_view stamp, const LocalDateTime& dt, const LocalTimes& times);

    /** Reads a line of the learnt shape; false for any other line. Inline: it runs for nearly every
     *  line of a log. */
    bool Read(std::string_view line, HistoryRecord& record) const
    {
        const std::size_t prefix = m_prefix.size();
        std::string_view stamp;
        if (!m_usable || !SplitStatusLine(line, stamp, record.connected) || stamp.size() != prefix + 8 ||
            std::memcmp(stamp.data(), m_prefix.data(), prefix) != 0) {
            return false;
        }
        const char* clock = stamp.data() + prefix;
        const auto digit = [](char c) { return static_cast<unsigned>(c - '0') < 10u; };
        if (!digit(clock[0]) || !digit(clock[1]) || clock[2] != ':' || !digit(clock[3]) || !digit(clock[4]) ||
            clock[5] != ':' || !digit(clock[6]) || !digit(clock[7])) {
            return false;
        }
        const int h = (clock[0] - '0') * 10 + (clock[1] - '0');
        const int m = (clock[3] - '0') * 10 + (clock[4] - '0');
        const int s = (clock[6] - '0') * 10 + (clock[7] - '0');
        if (h > 23 || m > 59 || s > 59) {
            return false;
        }
        record.time = m_midnight + h * 3600 + m * 60 + s;
        return true;
    }

private:
    bool m_usable = false;
    std::string m_prefix;
    std::int64_t m_midnight = 0;
};

} // namespace pellavane
