#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace dialtally {

// A day whose minutes are charged at the grid's Sunday row. Its text forms:
//   "12-25"      every 25 December (fixed; "02-29" only in leap years)
//   "2027-05-14" that day only (one-off)
//   "easter-2"   two days before Easter Sunday, every year ("easter", "easter+1", "easter+39")
struct Holiday {
    enum class Kind { Fixed, OneOff, Easter };
    Kind kind = Kind::Fixed;
    int year = 0; // one-off only
    int month = 0;
    int day = 0;
    int offset = 0; // days from Easter Sunday

    friend bool operator==(const Holiday&, const Holiday&) = default;
};
using HolidayList = std::vector<Holiday>;

inline constexpr int kLargestEasterOffset = 200;

std::optional<Holiday> ReadHoliday(const QString& text);
QString HolidayText(const Holiday& holiday);

// Entries separated by commas or white space; an empty text is an empty list. Empty when an entry
// does not read, with that entry in bad.
std::optional<HolidayList> ReadHolidayList(const QString& text, QString* bad = nullptr);
QString HolidayListText(const HolidayList& holidays);

// Easter Sunday of a Gregorian year (the anonymous Gregorian computus), as month and day.
struct MonthDay {
    int month = 0;
    int day = 0;
    friend bool operator==(const MonthDay&, const MonthDay&) = default;
};
MonthDay EasterSunday(int year);

// Answers "is this day a holiday" for day numbers of the session log (days since 30 December
// 1899). The years 1900..2199 are worked out once, as a bit for every day; other days are worked
// out when asked.
class HolidayCalendar {
public:
    explicit HolidayCalendar(const HolidayList& holidays);
    bool Empty() const { return m_holidays.empty(); }
    bool IsHoliday(std::int64_t dayNumber) const;

private:
    bool WorkOut(std::int64_t dayNumber) const;

    HolidayList m_holidays;
    std::int64_t m_firstDay = 0;
    std::vector<bool> m_days;
};

} // namespace dialtally
