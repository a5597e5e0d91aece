#include "log/datetime.h"

#include <cmath>
#include <cstdio>

namespace dialtally {
namespace {

constexpr std::int64_t kEpochFromUnixDays = -25569; // 1899-12-30 counted from 1970-01-01
constexpr std::int64_t kFirstUsableDay = -657434;   // 100-01-01
constexpr std::int64_t kLastUsableDay = 2958465;    // 9999-12-31

std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    std::int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = FloorDiv(y, 400);
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day)
{
    z += 719468;
    const std::int64_t era = FloorDiv(z, 146097);
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
    month = static_cast<int>(m);
    day = static_cast<int>(d);
}

bool InUsableRange(std::int64_t seconds)
{
    return seconds >= kFirstUsableDay * kSecondsPerDay &&
           seconds < (kLastUsableDay + 1) * kSecondsPerDay;
}

} // namespace

std::optional<DateTime> MakeDateTime(std::int64_t year, std::int64_t month, std::int64_t day,
                                     std::int64_t hour, std::int64_t minute, std::int64_t second)
{
    // Callers pass fields of a few digits; anything near the limits of the arithmetic is far
    // outside the usable range anyway.
    constexpr std::int64_t kLimit = std::int64_t{1} << 40;
    for (std::int64_t v : {year, month, day, hour, minute, second}) {
        if (v > kLimit || v < -kLimit)
            return std::nullopt;
    }
    const std::int64_t monthIndex = month - 1;
    year += FloorDiv(monthIndex, 12);
    if (year < 0 || year > 10000)
        return std::nullopt;
    const auto normalizedMonth =
        static_cast<unsigned>(monthIndex - FloorDiv(monthIndex, 12) * 12 + 1);
    const std::int64_t days =
        DaysFromCivil(year, normalizedMonth, 1) + (day - 1) - kEpochFromUnixDays;
    const std::int64_t seconds = days * kSecondsPerDay + hour * 3600 + minute * 60 + second;
    if (!InUsableRange(seconds))
        return std::nullopt;
    return DateTime{seconds};
}

CivilTime ToCivil(DateTime t)
{
    const std::int64_t days = FloorDiv(t.seconds, kSecondsPerDay);
    const std::int64_t secondOfDay = t.seconds - days * kSecondsPerDay;
    CivilTime c;
    CivilFromDays(days + kEpochFromUnixDays, c.year, c.month, c.day);
    c.hour = static_cast<int>(secondOfDay / 3600);
    c.minute = static_cast<int>(secondOfDay / 60 % 60);
    c.second = static_cast<int>(secondOfDay % 60);
    return c;
}

int Weekday(DateTime t)
{
    // Day 0 was a Saturday.
    const std::int64_t days = FloorDiv(t.seconds, kSecondsPerDay);
    const std::int64_t shifted = days + 6;
    return static_cast<int>(shifted - FloorDiv(shifted, 7) * 7) + 1;
}

std::optional<DateTime> FromDayCount(double dayCount)
{
    if (!std::isfinite(dayCount) || dayCount < static_cast<double>(kFirstUsableDay) ||
        dayCount >= static_cast<double>(kLastUsableDay + 1))
        return std::nullopt;
    const double wholeDays = std::trunc(dayCount);
    const double fraction = std::fabs(dayCount - wholeDays);
    const auto seconds =
        static_cast<std::int64_t>(wholeDays) * kSecondsPerDay +
        static_cast<std::int64_t>(std::floor(fraction * static_cast<double>(kSecondsPerDay) + 0.5));
    if (!InUsableRange(seconds))
        return std::nullopt;
    return DateTime{seconds};
}

double ToDayCount(DateTime t)
{
    const std::int64_t days = FloorDiv(t.seconds, kSecondsPerDay);
    const double fraction = static_cast<double>(t.seconds - days * kSecondsPerDay) /
                            static_cast<double>(kSecondsPerDay);
    // Before the epoch the time of day still counts forward from midnight.
    return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

std::string FormatIsoDateTime(DateTime t, char dateTimeSeparator)
{
    const CivilTime c = ToCivil(t);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d%c%02d:%02d:%02d", c.year, c.month, c.day,
                  dateTimeSeparator, c.hour, c.minute, c.second);
    return buffer;
}

} // namespace dialtally
