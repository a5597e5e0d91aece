#pragma once

#include "log/oldlog.h"
#include "log/progress.h"
#include "log/update.h"

#include <QString>
#include <cstdint>

namespace dialtally {

// The import of an old log as one change of the session log, safe against a crash or a full
// disk at any moment: the current "SesLog.log" and "Dtally.log" stay as they are until the new
// log is complete and on disk. The converted records and the current log go to "TempLog.log";
// then the journal "TempLog.jnl" is written, which names that file, the session log it copied
// and the old log it converted (by identity and length); then "TempLog.log" replaces "SesLog.log"
// in one rename, "Dtally.log" becomes "OldLog.log" and the journal goes. An import found cut
// short by its journal is finished when its new log is still whole and the session log and the
// old log unchanged since, and given up otherwise (the old log then waits for the next import);
// one whose new log was already put in place only has its old log retired, when that is still
// the one it converted, so that no old log is imported twice or retired unimported.
inline const QString kImportJournalName = QStringLiteral("TempLog.jnl");

// The progress texts of an import, in the order shown.
inline const QString kImportingText = QStringLiteral("Importing log...");
inline const QString kReadingOldLogText = QStringLiteral("Reading old log..");
inline const QString kWritingImportText = QStringLiteral("Analyzing and writing imported log..");
inline const QString kAppendingText =
    QStringLiteral("Appending imported log to existing new log..");
inline const QString kImportedText = QStringLiteral("Log imported successfully..");

enum class ImportOutcome {
    Imported,
    NoOldLog,     // there was no "Dtally.log" (any more)
    ReadFailed,   // the old log could not be read or its records written
    AppendFailed, // the current session log could not be put behind them
    Failed,       // anything else: the lock, the journal, a rename
};

// What an import did, for the window, the command line and the tests.
struct ImportReport {
    ImportOutcome outcome = ImportOutcome::Failed;
    OldLogCounts counts;
    std::int64_t currentRecords = 0;   // records of the current log put behind the converted ones
    bool finishedInterrupted = false;  // an import cut short before was finished first
    bool abandonedInterrupted = false; // ... or its new log was out of date and thrown away
    QString error;                     // why it failed, naming the file and the reason
};

// True when the program folder holds an old log to import.
bool OldLogExists(const QString& programDir);

// Settles what an import cut short left (see above), under the update lock. False with *error
// when it could not; report, when given, says what was done.
bool FinishInterruptedImport(const UpdateSettings& settings, ImportReport* report = nullptr,
                             QString* error = nullptr);

// Converts "Dtally.log" and makes the result, followed by the current session log, the new
// session log; the old log is kept as "OldLog.log". Runs under the update lock after an update
// cut short is finished (ChangeSessionLog). The bar shows the texts above and the reading. On any
// failure "SesLog.log" and "Dtally.log" are as they were, and "TempLog.log" is gone.
ImportReport ImportOldLogFile(const UpdateSettings& settings, ProgressBar* bar,
                              const RegionalDateForm& form = RegionalDateForm::FromLocale());

// Drops the old log without importing it: it is kept as "OldLog.log" (RetireOldLog), under the
// update lock.
bool DiscardOldLog(const UpdateSettings& settings, QString* error = nullptr);

} // namespace dialtally
