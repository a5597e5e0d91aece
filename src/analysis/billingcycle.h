#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

namespace dialtally {

// The months of the bill. A provider bills from a start day of its choosing (1..28, so that every
// month holds it): with start day 12 a cycle runs from the 12th of one month to the 11th of the
// next. With start day 1 the cycles are the calendar months.
class BillingCycle {
public:
    static constexpr int kFirstStartDay = 1;
    static constexpr int kLastStartDay = 28;

    // A start day outside 1..28 gives start day 1.
    explicit BillingCycle(int startDay = kFirstStartDay);

    int StartDay() const { return m_startDay; }
    bool IsCalendarMonth() const { return m_startDay == kFirstStartDay; }

    // A cycle is named by the year and month in which it begins.
    struct Cycle {
        int year = 0;
        int month = 0;
        friend bool operator==(const Cycle&, const Cycle&) = default;
    };

    // The cycle that holds a day (year, month 1..12, day 1..31).
    Cycle CycleOf(int year, int month, int day) const;
    QDate FirstDay(Cycle cycle) const;
    QDate LastDay(Cycle cycle) const;

    // "12 Jan – 11 Feb" with the locale's short month names; withYear adds the year after each
    // day when the cycle spans two years ("12 Dec 2026 – 11 Jan 2027"), otherwise once at the end
    // ("12 Jan – 11 Feb 2027").
    QString Label(Cycle cycle, bool withYear, const QLocale& locale = QLocale()) const;

    friend bool operator==(const BillingCycle&, const BillingCycle&) = default;

private:
    int m_startDay = kFirstStartDay;
};

} // namespace dialtally
