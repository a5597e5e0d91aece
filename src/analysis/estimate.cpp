#include "analysis/estimate.h"

#include "analysis/summarytexts.h"

#include <algorithm>
#include <cmath>

namespace dialtally {
namespace {

std::int64_t Scaled(std::int64_t value, double factor)
{
    return static_cast<std::int64_t>(std::llround(static_cast<double>(value) * factor));
}

} // namespace

MonthSpan CalendarMonthOf(DateTime now)
{
    const CivilTime civil = ToCivil(now);
    MonthSpan span;
    span.start = MakeDateTime(civil.year, civil.month, 1).value_or(now);
    span.end = MakeDateTime(civil.year, civil.month + 1, 1).value_or(now);
    return span;
}

MonthSpan CurrentMonthSpan(DateTime now, const BillingCycle& cycle)
{
    if (cycle.IsCalendarMonth())
        return CalendarMonthOf(now);
    const CivilTime civil = ToCivil(now);
    const BillingCycle::Cycle current = cycle.CycleOf(civil.year, civil.month, civil.day);
    const QDate first = cycle.FirstDay(current);
    const QDate next = cycle.LastDay(current).addDays(1);
    MonthSpan span;
    span.start = MakeDateTime(first.year(), first.month(), first.day()).value_or(now);
    span.end = MakeDateTime(next.year(), next.month(), next.day()).value_or(now);
    span.cycleStartDay = cycle.StartDay();
    return span;
}

std::optional<MonthTotals> MonthSoFar(const SessionList& sessions, const MonthSpan& span,
                                      double vServFlatMonth)
{
    std::optional<MonthTotals> month;
    // Sessions stand in the order they started, so the month's sessions are at the end; walking
    // back stops at the first session before the span.
    for (auto it = sessions.rbegin(); it != sessions.rend(); ++it) {
        const SessionRecord& session = *it;
        if (!session.vUp)
            continue;
        if (*session.vUp < span.start)
            break;
        if (!session.vDown || !span.Holds(*session.vUp))
            continue;
        if (!month) {
            const CivilTime start = ToCivil(span.start);
            month.emplace();
            month->month = start.month;
            month->year = start.year;
            month->cycleStartDay = span.cycleStartDay;
            month->serviceCost = vServFlatMonth;
        }
        month->seconds += session.lDur;
        month->communicationCost += session.vCommCost.value_or(0.0);
        month->serviceCost += session.vServCost.value_or(0.0);
        month->transmitted += session.lTx;
        month->received += session.lRx;
    }
    return month;
}

std::optional<MonthTotals> EstimateMonth(const SessionList& sessions, const MonthSpan& span,
                                         DateTime now, double vServFlatMonth)
{
    std::optional<MonthTotals> month = MonthSoFar(sessions, span, vServFlatMonth);
    if (!month || span.Seconds() <= 0)
        return std::nullopt;
    const std::int64_t whole = span.Seconds();
    const std::int64_t elapsed =
        std::clamp<std::int64_t>(now.seconds - span.start.seconds, kSecondsPerDay, whole);
    const double factor = static_cast<double>(whole) / static_cast<double>(elapsed);
    month->seconds = Scaled(month->seconds, factor);
    month->communicationCost *= factor;
    month->serviceCost = (month->serviceCost - vServFlatMonth) * factor + vServFlatMonth;
    month->transmitted = Scaled(month->transmitted, factor);
    month->received = Scaled(month->received, factor);
    return month;
}

QStringList EstimateRow(const MonthTotals& estimate, const QLocale& locale)
{
    QStringList row = MonthRow(estimate, false, locale);
    row.front() = QStringLiteral("ESTIMATE");
    return row;
}

} // namespace dialtally
