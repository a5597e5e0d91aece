#include "analysis/monthly.h"

#include "analysis/analysis.h"

#include <cmath>

namespace dialtally {
namespace {

// Halves go to the even neighbour, as the monthly page has always rounded its averages.
std::int64_t RoundToWhole(double value)
{
    return static_cast<std::int64_t>(std::nearbyint(value));
}

} // namespace

MonthlySummary CalcMonthlyTotals(const SessionList& sessions, double vServFlatMonth,
                                 const BillingCycle& cycle)
{
    MonthlySummary summary;
    if (!HasRealSession(sessions))
        return summary;
    std::vector<MonthTotals>& months = summary.months;
    for (const SessionRecord& session : sessions) {
        if (!session.vUp || !session.vDown)
            continue;
        const CivilTime up = ToCivil(*session.vUp);
        const BillingCycle::Cycle billed = cycle.CycleOf(up.year, up.month, up.day);
        if (months.empty() || months.back().month != billed.month) {
            MonthTotals& entry = months.emplace_back();
            entry.month = billed.month;
            entry.year = billed.year;
            entry.cycleStartDay = cycle.StartDay();
            entry.serviceCost = vServFlatMonth;
        }
        MonthTotals& entry = months.back();
        entry.seconds += session.lDur;
        entry.communicationCost += session.vCommCost.value_or(0.0);
        entry.serviceCost += session.vServCost.value_or(0.0);
        entry.transmitted += session.lTx;
        entry.received += session.lRx;
    }
    summary.averages = AverageOfMonths(months);
    return summary;
}

std::optional<MonthAverages> AverageOfMonths(const std::vector<MonthTotals>& months)
{
    if (months.empty())
        return std::nullopt;
    MonthTotals total;
    for (const MonthTotals& entry : months) {
        total.seconds += entry.seconds;
        total.communicationCost += entry.communicationCost;
        total.serviceCost += entry.serviceCost;
        total.transmitted += entry.transmitted;
        total.received += entry.received;
    }
    const auto n = static_cast<double>(months.size());
    MonthAverages averages;
    averages.minutes = RoundToWhole(static_cast<double>(total.seconds) / n) / 60;
    averages.communicationCost = total.communicationCost / n;
    averages.serviceCost = total.serviceCost / n;
    averages.sumCost = total.SumCost() / n;
    averages.transmitted = RoundToWhole(static_cast<double>(total.transmitted) / n);
    averages.received = RoundToWhole(static_cast<double>(total.received) / n);
    return averages;
}

} // namespace dialtally
