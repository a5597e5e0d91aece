#pragma once

#include "analysis/settingscheck.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

class QSettings;

namespace dialtally {

// Limits per month; a limit that is not set is no budget.
struct Budgets {
    std::optional<double> vBudgetCost;          // the sum of both costs, money
    std::optional<std::int64_t> vBudgetMinutes; // connected minutes
    std::optional<std::int64_t> vBudgetBytes;   // transmitted plus received bytes
    // Percentages of a limit at which the use warns, ascending.
    std::array<int, 2> iBudgetWarn{80, 100};
    friend bool operator==(const Budgets&, const Budgets&) = default;
};

// The options of live use: following the logger, the tray, and the budgets. They live in
// sections of our own ("Live" and "Budgets") of the settings store.
struct LiveOptions {
    bool bFollowLogger = true;
    bool bKeepInTray = false;
    Budgets budgets;
    friend bool operator==(const LiveOptions&, const LiveOptions&) = default;
};

// Missing or unreadable values read as their defaults.
LiveOptions LoadLiveOptions(QSettings& store);
// Writes every live option; false with the problem when the file is damaged (it is then left as
// it is) or cannot be written.
bool SaveLiveOptions(QSettings& store, const LiveOptions& options,
                     SettingsProblem* problem = nullptr);

// The names that `settings set` takes for the live options.
QStringList LiveOptionNames();
// Sets one option from its text form: "True"/"False" for the flags, a plain number for a limit
// (money with a point) and an empty text for no limit, whole percentages 1..1000 for the
// thresholds. False, with options unchanged, when the text is not valid for the name.
bool SetLiveOption(LiveOptions& options, const QString& name, const QString& value);
// NAME=VALUE lines of every live option, in the form SetLiveOption takes back.
QString LiveOptionsText(const LiveOptions& options);

} // namespace dialtally
