#include "analysis/budgets.h"

#include "analysis/formatting.h"
#include "analysis/summarytexts.h"

#include <cmath>

namespace dialtally {
namespace {

double Measure(BudgetKind kind, const MonthTotals& month)
{
    switch (kind) {
    case BudgetKind::Cost:
        return month.SumCost();
    case BudgetKind::Minutes:
        return static_cast<double>(month.Minutes());
    case BudgetKind::Bytes:
        return static_cast<double>(month.transmitted + month.received);
    }
    return 0.0;
}

// value is at or over percent of limit; compared as value * 100 >= percent * limit so that
// exact amounts (8.00 of 10.00 at 80 %) are not lost to a division.
bool Reaches(double value, int percent, double limit)
{
    return value * 100.0 >= static_cast<double>(percent) * limit;
}

BudgetUse Evaluate(BudgetKind kind, double limit, const Budgets& budgets,
                   const std::optional<MonthTotals>& soFar,
                   const std::optional<MonthTotals>& estimate)
{
    BudgetUse use;
    use.kind = kind;
    use.limit = limit;
    use.used = soFar ? Measure(kind, *soFar) : 0.0;
    if (estimate)
        use.estimate = Measure(kind, *estimate);
    const double highest = std::max(use.used, use.estimate.value_or(0.0));
    for (int percent : budgets.iBudgetWarn)
        if (Reaches(highest, percent, limit))
            use.threshold = std::max(use.threshold, percent);
    if (use.used > limit)
        use.level = BudgetLevel::Over;
    else if (use.threshold > 0)
        use.level = BudgetLevel::Warning;
    return use;
}

} // namespace

std::vector<BudgetUse> CheckBudgets(const Budgets& budgets, const std::optional<MonthTotals>& soFar,
                                    const std::optional<MonthTotals>& estimate)
{
    std::vector<BudgetUse> uses;
    if (budgets.vBudgetCost)
        uses.push_back(Evaluate(BudgetKind::Cost, *budgets.vBudgetCost, budgets, soFar, estimate));
    if (budgets.vBudgetMinutes)
        uses.push_back(Evaluate(BudgetKind::Minutes, static_cast<double>(*budgets.vBudgetMinutes),
                                budgets, soFar, estimate));
    if (budgets.vBudgetBytes)
        uses.push_back(Evaluate(BudgetKind::Bytes, static_cast<double>(*budgets.vBudgetBytes),
                                budgets, soFar, estimate));
    return uses;
}

int BudgetExitStatus(const std::vector<BudgetUse>& uses)
{
    int status = 0;
    for (const BudgetUse& use : uses) {
        if (use.level == BudgetLevel::Over)
            return 4;
        if (use.level == BudgetLevel::Warning)
            status = 3;
    }
    return status;
}

QString BudgetKindName(BudgetKind kind)
{
    switch (kind) {
    case BudgetKind::Cost:
        return QStringLiteral("cost");
    case BudgetKind::Minutes:
        return QStringLiteral("minutes");
    case BudgetKind::Bytes:
        return QStringLiteral("bytes");
    }
    return {};
}

QString BudgetValueText(BudgetKind kind, double value, const QLocale& locale)
{
    switch (kind) {
    case BudgetKind::Cost:
        return FormatCurrency(value, locale);
    case BudgetKind::Minutes:
        return MinutesText(static_cast<std::int64_t>(value));
    case BudgetKind::Bytes:
        return FormatBytes(static_cast<std::int64_t>(value), locale);
    }
    return {};
}

int Percent(double value, double limit)
{
    if (!(limit > 0.0))
        return 0;
    // A hair above the exact quotient first, so that 80 of 100 does not floor to 79.
    return static_cast<int>(std::floor(value * 100.0 / limit + 1e-9));
}

QString BudgetWarningText(const std::vector<BudgetUse>& uses, const QLocale&)
{
    // Short enough to stand beside the open session's line in the status line.
    QStringList parts;
    for (const BudgetUse& use : uses) {
        if (use.threshold == 0)
            continue;
        QString part = QStringLiteral("%1 %2 %")
                           .arg(BudgetKindName(use.kind))
                           .arg(Percent(use.used, use.limit));
        if (use.estimate)
            part += QStringLiteral(" (est. %1 %)").arg(Percent(*use.estimate, use.limit));
        parts << part;
    }
    return parts.isEmpty() ? QString()
                           : QStringLiteral("Budget: ") + parts.join(QStringLiteral(", "));
}

} // namespace dialtally
