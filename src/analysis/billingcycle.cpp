#include "analysis/billingcycle.h"

namespace dialtally {
namespace {

QString DayMonth(const QDate& date, const QLocale& locale)
{
    return QString::number(date.day()) + QLatin1Char(' ') +
           locale.monthName(date.month(), QLocale::ShortFormat);
}

} // namespace

BillingCycle::BillingCycle(int startDay)
    : m_startDay(startDay >= kFirstStartDay && startDay <= kLastStartDay ? startDay
                                                                         : kFirstStartDay)
{
}

BillingCycle::Cycle BillingCycle::CycleOf(int year, int month, int day) const
{
    if (day >= m_startDay)
        return {year, month};
    return month == 1 ? Cycle{year - 1, 12} : Cycle{year, month - 1};
}

QDate BillingCycle::FirstDay(Cycle cycle) const
{
    return QDate(cycle.year, cycle.month, m_startDay);
}

QDate BillingCycle::LastDay(Cycle cycle) const
{
    return FirstDay(cycle).addMonths(1).addDays(-1);
}

QString BillingCycle::Label(Cycle cycle, bool withYear, const QLocale& locale) const
{
    const QDate first = FirstDay(cycle);
    const QDate last = LastDay(cycle);
    QString from = DayMonth(first, locale);
    QString to = DayMonth(last, locale);
    if (withYear && first.year() != last.year())
        from += QLatin1Char(' ') + QString::number(first.year());
    if (withYear)
        to += QLatin1Char(' ') + QString::number(last.year());
    return from + QStringLiteral(" \u2013 ") + to;
}

} // namespace dialtally
