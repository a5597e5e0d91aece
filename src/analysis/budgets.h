#pragma once

#include "analysis/liveoptions.h"
#include "analysis/monthly.h"

#include <QLocale>
#include <QString>
#include <optional>
#include <vector>

namespace dialtally {

enum class BudgetKind { Cost, Minutes, Bytes };

// How far a budget is used: under every threshold, at or over a warning threshold (the month so
// far or the estimate reached it), or over the limit (the month so far is beyond it; an estimate
// beyond it is a warning, since the month may still end under it).
enum class BudgetLevel { Under, Warning, Over };

struct BudgetUse {
    BudgetKind kind = BudgetKind::Cost;
    double limit = 0.0;
    double used = 0.0;              // the month so far
    std::optional<double> estimate; // the month-end estimate; empty without one
    // The highest threshold that the month so far or the estimate reached; 0 for none.
    int threshold = 0;
    BudgetLevel level = BudgetLevel::Under;
};

// Every budget that is set, in the order cost, minutes, bytes, measured against the current
// month so far and its estimate (both empty when the month holds no session yet).
std::vector<BudgetUse> CheckBudgets(const Budgets& budgets, const std::optional<MonthTotals>& soFar,
                                    const std::optional<MonthTotals>& estimate);

// The exit status of `check`: 0 when every budget is under its thresholds, 3 when one is at or
// over a warning threshold, 4 when one is over its limit.
int BudgetExitStatus(const std::vector<BudgetUse>& uses);

// "cost", "minutes", "bytes".
QString BudgetKindName(BudgetKind kind);
// A value of the budget's kind as the program shows it: money, "75 min", bytes.
QString BudgetValueText(BudgetKind kind, double value, const QLocale& locale = QLocale());
// Whole percent of the limit, rounded down so that 79.9 % never reads as 80 %.
int Percent(double value, double limit);

// The status line's warning of the budgets that reached a threshold, in percent of their limits:
// "Budget: cost 85 % (est. 120 %), minutes 80 %". Empty when none did.
QString BudgetWarningText(const std::vector<BudgetUse>& uses, const QLocale& locale = QLocale());

} // namespace dialtally
