#pragma once

#include "log/sessionlog.h"

#include <QString>
#include <functional>
#include <span>

namespace dialtally {

// How a replacement of the whole session log ended.
struct ReplaceResult {
    bool backedUp = false; // the previous log is now "SesLog.bak"
    // The replacement failed after the previous log had become "SesLog.bak" and it could not be
    // given its name back: the program folder holds no "SesLog.log" now.
    bool logOnlyInBackup = false;
    int errorNumber = 0; // the system's error number of the step that failed; 0 when none
    QString error;       // the step that failed, naming the file and the reason
};

// Writes the new content of the session log to the open file descriptor. False on failure: with
// *error when it failed for a reason of its own, else with errno telling why the write failed.
using LogContentWriter = std::function<bool(int fd, QString* error)>;

// The new content is written aside first ("SesLog.new"); a failure there changes nothing.
inline const QString kSessionLogNewName = QStringLiteral("SesLog.new");

// Replaces the whole session log and keeps the previous one as "SesLog.bak", replacing an older
// backup. At no moment is the folder without a "SesLog.log": the new content is written aside,
// the older backup deleted, the log linked as the backup and the new content renamed over the
// log, so that a process killed at any point leaves the old log or the new one. Where the file
// system has no hard links, the log is renamed to the backup and renamed back when the new
// content cannot take its place. Without a session log there is nothing to back up: the new log
// is written and an existing backup stays.
//
// The new content is not forced to disk: ext4 and btrfs write the data of a file renamed over
// another before the rename itself, and a deletion in a large log stays as fast as a copy of it.
bool ReplaceSessionLog(const QString& programDir, const LogContentWriter& write,
                       ReplaceResult* result);
bool ReplaceSessionLog(const QString& programDir, std::span<const LogEvent> events,
                       ReplaceResult* result);

} // namespace dialtally
