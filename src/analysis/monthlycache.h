#pragma once

#include "analysis/monthly.h"
#include "log/sessionlog.h"

namespace dialtally {

// The monthly totals kept between refreshes. While the session list only grows at its end (the
// logger is followed), the months before the last one stay as they are: only the sessions from
// the start of the last month entry on are summed again. Months are those of the billing cycle
// given; another cycle sums all anew.
class MonthlyTotalsCache {
public:
    // All months anew (CalcMonthlyTotals).
    const MonthlySummary& Rebuild(const SessionList& sessions, double vServFlatMonth,
                                  const BillingCycle& cycle = BillingCycle());
    // The list changed from firstTouched on and is as before up to there.
    const MonthlySummary& Extend(const SessionList& sessions, SessionIndex firstTouched,
                                 double vServFlatMonth, const BillingCycle& cycle = BillingCycle());
    const MonthlySummary& Summary() const { return m_summary; }

private:
    void FindLastEntryStart(const SessionList& sessions);

    MonthlySummary m_summary;
    SessionIndex m_lastEntryStart = 0; // the first session of the last month entry
    double m_flatFee = 0.0;
    BillingCycle m_cycle;
};

} // namespace dialtally
