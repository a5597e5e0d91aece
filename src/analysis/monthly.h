#pragma once

#include "analysis/billingcycle.h"
#include "log/sessionlog.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace dialtally {

// One entry of the monthly totals: a run of sessions whose up times share a month number. Sessions
// are grouped by the month number alone, in list order: January 1998 followed directly by
// January 1999 is one entry; a month between them makes three. With a billing cycle that starts
// on another day than the 1st, the entries are its cycles, named by the month they begin in.
struct MonthTotals {
    int month = 0;         // 1..12
    int year = 0;          // of the entry's first session
    int cycleStartDay = 1; // the first day of the entry's billing cycle; 1 is the calendar month
    std::int64_t seconds = 0;
    double communicationCost = 0.0;
    double serviceCost = 0.0; // includes the monthly flat fee, once per entry
    std::int64_t transmitted = 0;
    std::int64_t received = 0;

    std::int64_t Minutes() const { return seconds / 60; }
    double SumCost() const { return communicationCost + serviceCost; }
    BillingCycle Cycle() const { return BillingCycle(cycleStartDay); }
    // The first and the last day of the entry's cycle (of its first session's year).
    QDate From() const { return Cycle().FirstDay({year, month}); }
    QDate To() const { return Cycle().LastDay({year, month}); }
};

// The averages row: the totals of all entries divided by their number.
struct MonthAverages {
    std::int64_t minutes = 0; // average seconds rounded to whole seconds, then whole minutes
    double communicationCost = 0.0;
    double serviceCost = 0.0;
    double sumCost = 0.0;
    std::int64_t transmitted = 0; // rounded to whole bytes
    std::int64_t received = 0;
};

struct MonthlySummary {
    std::vector<MonthTotals> months;
    std::optional<MonthAverages> averages; // empty when there are no months
};

// The monthly totals of the whole session list, for the monthly page and the usage graph. Only
// sessions with both times count. A list without a real session (see HasRealSession) has no
// months; the flat fee vServFlatMonth is added to the service cost of every entry. A session
// belongs to the cycle of its up time's day.
MonthlySummary CalcMonthlyTotals(const SessionList& sessions, double vServFlatMonth,
                                 const BillingCycle& cycle = BillingCycle());

// The averages row of the given months; empty when there are none.
std::optional<MonthAverages> AverageOfMonths(const std::vector<MonthTotals>& months);

} // namespace dialtally
