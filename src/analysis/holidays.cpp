#include "analysis/holidays.h"

#include "log/datetime.h"

#include <QRegularExpression>
#include <QStringList>

namespace dialtally {
namespace {

constexpr int kFirstWorkedYear = 1900;
constexpr int kLastWorkedYear = 2199;

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Empty when the day does not exist in that year (29 February of a common year).
std::optional<std::int64_t> DayNumber(int year, int month, int day)
{
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return std::nullopt;
    const auto t = MakeDateTime(year, month, day);
    if (!t)
        return std::nullopt;
    return t->seconds / kSecondsPerDay;
}

std::optional<std::int64_t> DayInYear(const Holiday& holiday, int year)
{
    switch (holiday.kind) {
    case Holiday::Kind::Fixed:
        return DayNumber(year, holiday.month, holiday.day);
    case Holiday::Kind::OneOff:
        if (holiday.year != year)
            return std::nullopt;
        return DayNumber(year, holiday.month, holiday.day);
    case Holiday::Kind::Easter: {
        const MonthDay easter = EasterSunday(year);
        const auto sunday = DayNumber(year, easter.month, easter.day);
        if (!sunday)
            return std::nullopt;
        return *sunday + holiday.offset;
    }
    }
    return std::nullopt;
}

QString TwoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

std::optional<Holiday> ReadHoliday(const QString& text)
{
    static const QRegularExpression easter(QStringLiteral("^easter(?:([+-])(\\d{1,3}))?$"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression date(QStringLiteral("^(?:(\\d{4})-)?(\\d{2})-(\\d{2})$"));
    const QString trimmed = text.trimmed();
    Holiday holiday;
    if (const auto m = easter.match(trimmed); m.hasMatch()) {
        holiday.kind = Holiday::Kind::Easter;
        const int offset = m.captured(2).isEmpty() ? 0 : m.captured(2).toInt();
        if (offset > kLargestEasterOffset)
            return std::nullopt;
        holiday.offset = m.captured(1) == QLatin1String("-") ? -offset : offset;
        return holiday;
    }
    const auto m = date.match(trimmed);
    if (!m.hasMatch())
        return std::nullopt;
    holiday.month = m.captured(2).toInt();
    holiday.day = m.captured(3).toInt();
    if (m.captured(1).isEmpty()) {
        // A fixed day must exist in some year: 29 February does, in leap years.
        if (!DayNumber(2000, holiday.month, holiday.day))
            return std::nullopt;
        return holiday;
    }
    holiday.kind = Holiday::Kind::OneOff;
    holiday.year = m.captured(1).toInt();
    if (holiday.year < 100 || !DayNumber(holiday.year, holiday.month, holiday.day))
        return std::nullopt;
    return holiday;
}

QString HolidayText(const Holiday& holiday)
{
    switch (holiday.kind) {
    case Holiday::Kind::Fixed:
        return TwoDigits(holiday.month) + QLatin1Char('-') + TwoDigits(holiday.day);
    case Holiday::Kind::OneOff:
        return QStringLiteral("%1").arg(holiday.year, 4, 10, QLatin1Char('0')) + QLatin1Char('-') +
               TwoDigits(holiday.month) + QLatin1Char('-') + TwoDigits(holiday.day);
    case Holiday::Kind::Easter:
        if (holiday.offset == 0)
            return QStringLiteral("easter");
        return QStringLiteral("easter%1%2")
            .arg(holiday.offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
            .arg(std::abs(holiday.offset));
    }
    return {};
}

std::optional<HolidayList> ReadHolidayList(const QString& text, QString* bad)
{
    static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
    HolidayList holidays;
    for (const QString& word : text.split(separators, Qt::SkipEmptyParts)) {
        const auto holiday = ReadHoliday(word);
        if (!holiday) {
            if (bad)
                *bad = word;
            return std::nullopt;
        }
        holidays.push_back(*holiday);
    }
    return holidays;
}

QString HolidayListText(const HolidayList& holidays)
{
    QStringList words;
    for (const Holiday& holiday : holidays)
        words << HolidayText(holiday);
    return words.join(QLatin1Char(','));
}

MonthDay EasterSunday(int year)
{
    const int a = year % 19;
    const int b = year / 100;
    const int c = year % 100;
    const int d = b / 4;
    const int e = b % 4;
    const int f = (b + 8) / 25;
    const int g = (b - f + 1) / 3;
    const int h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4;
    const int k = c % 4;
    const int l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    const int month = (h + l - 7 * m + 114) / 31;
    const int day = (h + l - 7 * m + 114) % 31 + 1;
    return {month, day};
}

HolidayCalendar::HolidayCalendar(const HolidayList& holidays) : m_holidays(holidays)
{
    if (m_holidays.empty())
        return;
    m_firstDay = *DayNumber(kFirstWorkedYear, 1, 1);
    const std::int64_t lastDay = *DayNumber(kLastWorkedYear, 12, 31);
    m_days.assign(static_cast<std::size_t>(lastDay - m_firstDay + 1), false);
    for (int year = kFirstWorkedYear; year <= kLastWorkedYear; ++year)
        for (const Holiday& holiday : m_holidays)
            if (const auto day = DayInYear(holiday, year);
                day && *day >= m_firstDay && *day <= lastDay)
                m_days[static_cast<std::size_t>(*day - m_firstDay)] = true;
}

bool HolidayCalendar::IsHoliday(std::int64_t dayNumber) const
{
    if (m_holidays.empty())
        return false;
    const std::int64_t slot = dayNumber - m_firstDay;
    if (slot >= 0 && slot < static_cast<std::int64_t>(m_days.size()))
        return m_days[static_cast<std::size_t>(slot)];
    return WorkOut(dayNumber);
}

bool HolidayCalendar::WorkOut(std::int64_t dayNumber) const
{
    const int year = ToCivil(DateTime{dayNumber * kSecondsPerDay}).year;
    // An Easter offset can reach into the year before or after.
    for (const Holiday& holiday : m_holidays)
        for (int y = year - 1; y <= year + 1; ++y)
            if (DayInYear(holiday, y) == dayNumber)
                return true;
    return false;
}

} // namespace dialtally
