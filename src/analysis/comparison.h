#pragma once

#include "analysis/billingcycle.h"
#include "analysis/monthly.h"
#include "analysis/settings.h"

#include <QLocale>
#include <QString>
#include <QStringList>
#include <span>
#include <vector>

namespace dialtally {

// The name under which the tariff in force is compared.
inline const QString kTariffInForce = QStringLiteral("(in force)");

struct NamedTariff {
    QString name;
    CostSettings costs;
};

// The sessions priced again under several tariffs, month by month (or cycle by cycle) as the
// monthly summary groups them. Each sum is what the monthly page's "Sum" would show under that
// tariff: both costs of the month's sessions and the flat fee once.
struct TariffComparison {
    struct Month {
        MonthTotals entry;        // month, year and cycle of the entry (its costs are unused)
        std::vector<double> sums; // one per tariff, in the order given
        std::size_t cheapest = 0; // the first of the lowest sums
    };
    std::vector<QString> names;
    std::vector<Month> months;
    std::vector<double> totals;
    std::size_t cheapest = 0;

    // The total of tariff index minus the total of the first tariff (the one in force).
    double Difference(std::size_t index) const { return totals[index] - totals.front(); }
};

// tariffs must not be empty; the first is the one the others are measured against. A list
// without a real session (see HasRealSession) has no months and totals of 0.
TariffComparison CompareTariffs(std::span<const SessionRecord> sessions,
                                std::span<const NamedTariff> tariffs, const BillingCycle& cycle);

// The comparison as the window and the command line show it: the header ("Month", the names,
// "Cheapest"), a row per month (its label, the sums as money, the cheapest name), then "Total"
// and "Difference" (each total less the first, with a sign; empty under the first).
std::vector<QStringList> ComparisonTable(const TariffComparison& comparison, bool withYear,
                                         const QLocale& locale = QLocale());

} // namespace dialtally
