#pragma once

#include "log/progress.h"
#include "log/sessionlog.h"

#include <QString>
#include <cstdint>
#include <functional>

namespace dialtally {

// The companion logger appends to the data file; the update renames it to the work file, turns
// every recognised line into a record at the end of the session log and deletes the work file.
// Both files live in the Windows folder.
inline const QString kDataFileName = QStringLiteral("Dtally.dat");
inline const QString kWorkFileName = QStringLiteral("Dtally.wrk");

// What one update works on. CurrentUpdateSettings() gives the folders, the family of the system
// and a real two-second wait; tests replace the wait.
struct UpdateSettings {
    QString windowsDir;
    QString programDir;
    int dialect = 2; // WindowsFamily(): 1 Windows 95, 2 Windows 98, 0 other
    std::function<void(int milliseconds)> sleep;
};
UpdateSettings CurrentUpdateSettings();

// What an update did, for the command line and the tests. The update itself reports nothing.
struct UpdateReport {
    bool renamed = false;          // the data file became the work file
    bool workFileLeftOver = false; // an earlier work file blocked the rename
    bool workFileDeleted = false;
    bool unterminatedLastField = false;
    std::int64_t fields = 0;      // fields read from the work file, the skipped ones included
    std::int64_t appended = 0;    // records written to the session log
    std::int64_t skipped = 0;     // time stamp not numbers, or a field too long to be a line
    std::int64_t otherErrors = 0; // date not usable although its fields are numbers
    QString error;                // why the update stopped, when it returned false
};

// Fields whose date cannot be formed although the time stamp holds numbers are skipped, at most
// this many in one update; one more stops the update and keeps the work file.
inline constexpr int kMaxOtherFieldErrors = 5;

// Returns true when the update ended normally or found nothing to do (no data file, or an
// earlier work file still there); false when it had to stop. Records written before a stop stay,
// except when the session log itself could not be written: then it is cut back to its length
// before the update and the work file is kept, so that no line is lost or counted twice.
bool UpdateSessionLog(const UpdateSettings& settings, UpdateReport* report = nullptr);
bool UpdateSessionLog();

// Runs the update, reads the whole session log and builds the sessions, advancing the bar by 1
// after the update, by 1 after reading and by 2 after building. The results of the update and
// the read are not checked: a load always yields a session list.
SessionList LoadSessions(ProgressBar* bar, const UpdateSettings& settings);
SessionList LoadSessions(ProgressBar* bar);

} // namespace dialtally
