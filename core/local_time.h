#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace pellavane {

/** A local date and time as a person reads it off a clock. */
struct LocalDateTime
{
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

/** The local broken-down time of t; false when the system cannot give one. */
bool ToLocalTm(std::int64_t t, std::tm& out);

/** Seconds since the epoch of a local date and time, by mktime: isDst 0 reads it as standard time,
 *  1 as summer time, -1 as whichever the system takes; out-of-range fields are normalised (day 32
 *  is the next month's first). */
std::int64_t LocalToEpoch(const LocalDateTime& dt, int isDst = -1);

/** The local midnight that begins a day; mktime's normalising makes day 32 the next month's first. */
std::int64_t LocalMidnight(int year, int month, int day);

/** The local date and time of t in the user's general date form: short date (four-digit year), one
 *  blank, time to the second; exactly midnight gives the date alone. */
std::string DateTimeText(std::time_t t);

/** The names a written date and time may hold in the user's language. */
struct DateNames
{
    std::string am = "AM";
    std::string pm = "PM";
    /** The twelve short month names, then the twelve long ones; empty when not known. */
    std::vector<std::string> months;
};

/** How DateTimeText writes under the user's current locale, for reading its text back. */
struct LocaleDateTimeForm
{
    enum class Notation
    {
        /** strftime conversions ("%d.%m.%Y", "%H:%M:%S"). */
        Strftime,
        /** Windows date and time pictures ("dd/MM/yyyy", "h:mm:ss tt"). */
        Picture,
    };
    Notation notation = Notation::Strftime;
    std::string date;
    std::string time;
    DateNames names;
};

LocaleDateTimeForm UserDateTimeForm();

} // namespace pellavane
