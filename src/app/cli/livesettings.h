#pragma once

#include <QStringList>

class QSettings;

namespace dialtally {

// The live options (following the logger, the tray, the budgets) in `settings` and
// `settings set`, beside the tariffs.

// Takes the NAME=VALUE words that name a live option out of words and returns them.
QStringList TakeLiveOptionWords(QStringList& words);
// Sets the options that words name in store and saves them; the exit status, 0 on success, after
// the error was reported.
int SetLiveOptionWords(QSettings& store, const QStringList& words);
// The NAME=VALUE lines of the live options in the store.
QString LiveOptionLines(QSettings& store);

} // namespace dialtally
