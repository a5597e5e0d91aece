#include "analysis/comparison.h"

#include "analysis/costs.h"
#include "analysis/formatting.h"
#include "analysis/summarytexts.h"

#include <algorithm>

namespace dialtally {
namespace {

// The entry of every session (-1 for one that counts in none), grouped as CalcMonthlyTotals
// groups them: a new entry whenever the month of the cycle changes.
std::vector<std::int32_t> GroupSessions(std::span<const SessionRecord> sessions,
                                        const BillingCycle& cycle, TariffComparison& comparison)
{
    std::vector<std::int32_t> entryOf(sessions.size(), -1);
    for (std::size_t i = 0; i < sessions.size(); ++i) {
        const SessionRecord& session = sessions[i];
        if (!session.vUp || !session.vDown)
            continue;
        const CivilTime up = ToCivil(*session.vUp);
        const BillingCycle::Cycle billed = cycle.CycleOf(up.year, up.month, up.day);
        if (comparison.months.empty() || comparison.months.back().entry.month != billed.month) {
            MonthTotals entry;
            entry.month = billed.month;
            entry.year = billed.year;
            entry.cycleStartDay = cycle.StartDay();
            comparison.months.push_back({entry, {}, 0});
        }
        entryOf[i] = static_cast<std::int32_t>(comparison.months.size() - 1);
    }
    return entryOf;
}

// The monthly sums of one tariff, added to column of every month.
void PriceMonths(std::span<const SessionRecord> sessions, const std::vector<std::int32_t>& entryOf,
                 const CostSettings& costs, std::vector<double>& sums)
{
    const HolidayCalendar holidays(costs.vHolidays);
    sums.assign(sums.size(), costs.vServFlatMonth);
    for (std::size_t i = 0; i < sessions.size(); ++i) {
        if (entryOf[i] < 0)
            continue;
        const SessionRecord& s = sessions[i];
        double cost = 0.0;
        if (costs.bCommCosts)
            cost += CommunicationCost(s.lDur, *s.vUp, costs, &holidays);
        if (costs.bServCosts)
            cost += ServiceCost(s.lDur, s.lTx, s.lRx, costs);
        sums[static_cast<std::size_t>(entryOf[i])] += cost;
    }
}

bool HasRealSessionIn(std::span<const SessionRecord> sessions)
{
    return sessions.size() > 1 || (sessions.size() == 1 && sessions.front().lDur > 0);
}

} // namespace

TariffComparison CompareTariffs(std::span<const SessionRecord> sessions,
                                std::span<const NamedTariff> tariffs, const BillingCycle& cycle)
{
    TariffComparison comparison;
    for (const NamedTariff& tariff : tariffs)
        comparison.names.push_back(tariff.name);
    comparison.totals.assign(tariffs.size(), 0.0);
    if (!HasRealSessionIn(sessions))
        return comparison;
    const std::vector<std::int32_t> entryOf = GroupSessions(sessions, cycle, comparison);
    std::vector<double> sums(comparison.months.size());
    for (std::size_t t = 0; t < tariffs.size(); ++t) {
        PriceMonths(sessions, entryOf, tariffs[t].costs, sums);
        for (std::size_t m = 0; m < sums.size(); ++m) {
            comparison.months[m].sums.push_back(sums[m]);
            comparison.totals[t] += sums[m];
        }
    }
    for (TariffComparison::Month& month : comparison.months)
        month.cheapest = static_cast<std::size_t>(
            std::min_element(month.sums.begin(), month.sums.end()) - month.sums.begin());
    comparison.cheapest = static_cast<std::size_t>(
        std::min_element(comparison.totals.begin(), comparison.totals.end()) -
        comparison.totals.begin());
    return comparison;
}

std::vector<QStringList> ComparisonTable(const TariffComparison& comparison, bool withYear,
                                         const QLocale& locale)
{
    std::vector<QStringList> table;
    QStringList header = {QStringLiteral("Month")};
    for (const QString& name : comparison.names)
        header << name;
    table.push_back(header << QStringLiteral("Cheapest"));
    for (const TariffComparison::Month& month : comparison.months) {
        QStringList row = {MonthLabel(month.entry, withYear, locale)};
        for (const double sum : month.sums)
            row << FormatCurrency(sum, locale);
        table.push_back(row << comparison.names[month.cheapest]);
    }
    QStringList total = {QStringLiteral("Total")};
    QStringList difference = {QStringLiteral("Difference")};
    for (std::size_t t = 0; t < comparison.totals.size(); ++t) {
        total << FormatCurrency(comparison.totals[t], locale);
        const double d = comparison.Difference(t);
        difference << (t == 0
                           ? QString()
                           : (d > 0 ? QStringLiteral("+") : QString()) + FormatCurrency(d, locale));
    }
    table.push_back(total << comparison.names[comparison.cheapest]);
    table.push_back(difference << QString());
    return table;
}

} // namespace dialtally
