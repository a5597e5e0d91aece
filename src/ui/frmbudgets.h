#pragma once

#include "analysis/liveoptions.h"
#include "ui/settingsdialog.h"

#include <array>

class QGroupBox;
class QLabel;

namespace dialtally {
class DialogLayout;
}

namespace dialtally {

// The monthly budgets: a limit on the sum of costs, on connected minutes and on transmitted plus
// received megabytes, each left empty for none, and the two warning thresholds in percent. It
// follows the pattern of the settings dialogs; what it saves goes to the live options.
class frmBudgets : public SettingsDialog {
    Q_OBJECT
public:
    frmBudgets(const SettingsEdit& edit, LiveOptions& options, QWidget* parent = nullptr);

protected:
    void Confirmed() override;

private:
    QLineEdit* AddRow(QGroupBox* frame, DialogLayout& layout, int top, const QString& caption,
                      const QString& unit, const char* name);

    LiveOptions& m_options;
    QGroupBox* fraBudgets = nullptr;
    QLineEdit* txtBudgetCost = nullptr;
    QLineEdit* txtBudgetMinutes = nullptr;
    QLineEdit* txtBudgetMb = nullptr;
    std::array<QLineEdit*, 2> txtBudgetWarn{};
};

} // namespace dialtally
