#pragma once

#include "analysis/settingscheck.h"

class QSettings;

namespace dialtally {

// The first run of the program: the settings store holds no mark of an earlier run. The mark is
// "bFirstRunDone" in a section of its own, "Run", which the version check of the costs never
// deletes. A first run shows the welcome and switches logging on by itself.
bool IsFirstRun(QSettings& store);
// Writes the mark. A damaged or unreadable settings file is not written (CheckSettingsFile): false
// with the reason in problem, as when the write fails.
bool MarkFirstRunDone(QSettings& store, SettingsProblem* problem = nullptr);

} // namespace dialtally
