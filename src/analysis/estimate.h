#pragma once

#include "analysis/monthly.h"
#include "log/datetime.h"
#include "log/sessionlog.h"

#include <QLocale>
#include <QStringList>
#include <optional>

namespace dialtally {

// A month of use: from start (included) to end (excluded). Whatever decides where "the current
// month" begins and ends (the calendar, a billing day) hands its span here; the estimate and
// the budgets take no other view of it.
struct MonthSpan {
    DateTime start;
    DateTime end;
    int cycleStartDay = 1; // the billing cycle's start day; 1 is the calendar month
    std::int64_t Seconds() const { return end.seconds - start.seconds; }
    bool Holds(DateTime t) const { return t >= start && t < end; }
};

// The calendar month that holds now.
MonthSpan CalendarMonthOf(DateTime now);

// "The current month" for the estimate and the budgets of the window and the command line alike:
// every caller asks here, so that a change of what a month of use is changes all of them. With a
// billing cycle that starts on another day than the 1st it is the cycle that holds now.
MonthSpan CurrentMonthSpan(DateTime now, const BillingCycle& cycle = BillingCycle());

// The current month's use so far: the sessions with both times whose up time falls inside the
// span, grouped as the monthly page groups them, with the flat fee once. Empty when the span
// holds no such session.
std::optional<MonthTotals> MonthSoFar(const SessionList& sessions, const MonthSpan& span,
                                      double vServFlatMonth);

// The month-end estimate: the use so far divided by the elapsed part of the span and multiplied
// by the whole span; the flat fee is counted once, not extrapolated. The elapsed part is at least
// one day, so that the first hours of a month do not multiply a single call by hundreds. Empty
// when the span holds no session.
std::optional<MonthTotals> EstimateMonth(const SessionList& sessions, const MonthSpan& span,
                                         DateTime now, double vServFlatMonth);

// The estimate's row of the monthly summary: "ESTIMATE" and the month's usage, costs and bytes.
QStringList EstimateRow(const MonthTotals& estimate, const QLocale& locale = QLocale());

} // namespace dialtally
