#pragma once

#include "log/progress.h"
#include "log/sessionlog.h"
#include "platform/places.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

namespace dialtally {

// The companion logger appends to the data file; the update renames it to the work file, turns
// every recognised line into a record at the end of the session log and deletes the work file.
// Both files live in the Windows folder.
inline const QString kDataFileName = QStringLiteral("Dtally.dat");
inline const QString kWorkFileName = QStringLiteral("Dtally.wrk");

// What one update works on: the folders, the dialect of the lines and a wait (tests replace the
// wait). UpdateSettingsFor() takes them from the places of the run, with a real wait.
struct UpdateSettings {
    QString windowsDir;
    QString programDir;
    Dialect dialect = Dialect::Windows98;
    std::function<void(int milliseconds)> sleep;
};
UpdateSettings UpdateSettingsFor(const Places& places);

// What an update did, for the command line, the window and the tests.
struct UpdateReport {
    bool renamed = false;                   // the data file became the work file
    bool finishedInterrupted = false;       // a work file left by an earlier update was done first
    bool interruptedWithoutJournal = false; // ... and nothing told what of it was appended
    std::int64_t recordsUndone = 0; // records of the interrupted run cut back to be done again
    std::int64_t tornBytesCut = 0;  // the torn end of the session log, cut before appending
    std::int64_t batchBytesCut = 0; // a batch that a killed logger did not finish, cut away
    bool workFileDeleted = false;
    bool unterminatedLastField = false;
    std::int64_t fields = 0;         // fields read from the work files, the skipped ones included
    std::int64_t appended = 0;       // records written to the session log
    std::int64_t skipped = 0;        // time stamp not numbers, too long, or a field without end
    std::int64_t otherErrors = 0;    // date not usable although its fields are numbers
    std::int64_t stoppedAtField = 0; // the field that was one unusable date too many
    QString error;                   // why the update stopped, when it returned false
};

// What the user should know of an update that went through: the cut torn end, the interrupted
// update that was finished, the skipped fields. One sentence each.
QStringList UpdateWarnings(const UpdateReport& report);

// Fields whose date cannot be formed although the time stamp holds numbers are skipped, at most
// this many in one work file; one more stops the update and keeps the work file.
inline constexpr int kMaxOtherFieldErrors = 5;

// One update at a time: a second one waits this long for the first to end.
inline constexpr int kUpdateWaitSeconds = 120;

// Moves the logged lines into the session log. Returns true when the update ended normally or
// found nothing to do; false with report->error when it had to stop.
//
// Records are appended after the last whole record of the session log: the torn end of a record
// (a write cut short) is cut off first. A work file left by an interrupted or failed update is
// finished first: the session log is cut back to its length before that update (kept in the
// journal) and the work file is done again in full; then the data file follows as usual. A
// failure keeps the work file and its journal for the next update, so no line is lost or counted
// twice.
bool UpdateSessionLog(const UpdateSettings& settings, UpdateReport* report = nullptr);

// For the operations that replace or append to the session log by other ways than the update
// (deletion, the editor's save, the import): holds the update lock while change runs, so that no
// update runs beside it, and finishes a work file that an interrupted update left before: its
// journal names the session log as it was, and a log replaced before the work file is done
// would get that work file's records twice. change returns false with a message when it fails;
// the message is then report->error. False also when the update lock or the left-over work file
// cannot be had; change does not run then.
bool ChangeSessionLog(const UpdateSettings& settings,
                      const std::function<bool(QString* error)>& change,
                      UpdateReport* report = nullptr);

// Runs the update, reads the whole session log and builds the sessions, advancing the bar by 1
// after the update, by 1 after reading and by 2 after building. The results of the update and
// the read are not checked: a load always yields a session list.
// report, when given, gets what the update did; readError, why the session log could not be read
// (the sessions then hold what was read).
SessionList LoadSessions(ProgressBar* bar, const UpdateSettings& settings,
                         UpdateReport* report = nullptr, QString* readError = nullptr);

} // namespace dialtally
