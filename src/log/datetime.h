#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace dialtally {

// A local wall-clock time to whole seconds, counted from 30 December 1899 00:00:00, the day-count
// epoch of the session log. It carries no time zone: the adapter writes local time and every
// calculation (clock hours, weekdays, months) is done on that local calendar.
struct DateTime {
    std::int64_t seconds = 0;

    friend auto operator<=>(const DateTime&, const DateTime&) = default;
};

struct CivilTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;

    friend bool operator==(const CivilTime&, const CivilTime&) = default;
};

inline constexpr std::int64_t kSecondsPerDay = 86400;

// Calendar arithmetic: a field beyond its range rolls over into the next unit (month 13 is
// January of the following year, hour 24 is midnight of the next day, day 0 the last day of the
// month before). Empty when the result falls outside 1 January 100 .. 31 December 9999, the
// range of dates that the session log can hold.
std::optional<DateTime> MakeDateTime(std::int64_t year, std::int64_t month, std::int64_t day,
                                     std::int64_t hour = 0, std::int64_t minute = 0,
                                     std::int64_t second = 0);

CivilTime ToCivil(DateTime t);

// 1 = Sunday .. 7 = Saturday.
int Weekday(DateTime t);

// Days since 30 December 1899; the time of day is the fraction, also for days before the epoch
// (-1.25 is 29 December 1899 06:00). Fractions are rounded to the nearest second. Empty for NaN,
// infinities and day counts outside the usable range.
std::optional<DateTime> FromDayCount(double dayCount);
double ToDayCount(DateTime t);

// "YYYY-MM-DD hh:mm:ss"
std::string FormatIsoDateTime(DateTime t, char dateTimeSeparator = ' ');

} // namespace dialtally
