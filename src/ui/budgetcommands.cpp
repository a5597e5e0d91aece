// The budgets of the main window: the Budgets dialog of the Settings menu and the warning that
// the status line shows once the current month or its estimate reaches a threshold.
#include "analysis/budgets.h"
#include "analysis/estimate.h"
#include "ui/frmbudgets.h"
#include "ui/frmmain.h"
#include "ui/traycontrol.h"

#include <QSettings>
#include <algorithm>

namespace dialtally {

void frmMain::OpenBudgets()
{
    frmBudgets dialog({m_settings, m_store.get(), gfUpdateUI}, m_live, this);
    dialog.exec();
    if (gfUpdateUI) {
        UpdateBudgetWarning();
        ShowOpenSession();
    }
    gfUpdateUI = false;
}

void frmMain::UpdateBudgetWarning()
{
    const DateTime now = m_clock();
    const MonthSpan month = CurrentMonthSpan(now, m_settings.cycle);
    const double flatFee = m_settings.costs.vServFlatMonth;
    const auto uses = CheckBudgets(m_live.budgets, MonthSoFar(m_gSessions, month, flatFee),
                                   EstimateMonth(m_gSessions, month, now, flatFee));
    m_budgetLine = BudgetWarningText(uses);
    const auto nearest =
        std::max_element(uses.begin(), uses.end(), [](const BudgetUse& a, const BudgetUse& b) {
            return std::max(a.used, a.estimate.value_or(0.0)) / a.limit <
                   std::max(b.used, b.estimate.value_or(0.0)) / b.limit;
        });
    m_budgetLineShort = nearest == uses.end() ? QString() : BudgetWarningText({*nearest});
    m_tray->Announce(uses, month.start);
}

} // namespace dialtally
