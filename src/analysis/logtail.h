#pragma once

#include "analysis/settings.h"
#include "log/sessionlog.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace dialtally {

// Where a loaded session list stands in the session log: the records it was built from and the
// state of the build after them. Records that an update appends later are built onto the list
// from here, without reading the whole log again.
struct LoadedEnd {
    std::int64_t records = 0;
    bool firstStart = true;
    bool inSession = false;
    // The bytes of the last record read: a log rewritten since (by the editor or a deletion)
    // seldom ends in the same record at the same place.
    LogRecordBytes lastRecord{};
};

// The end of the session log as it is now, for a list just loaded from it in full. The state of
// the build is worked out from the last records of the file.
LoadedEnd FindLoadedEnd(const QString& programDir, const SessionList& sessions);

// Builds the records appended to the session log after end onto sessions (a priced list, as a
// load gives it): the last loaded session may go on, new ones follow; the sessions touched get
// their durations with the allowance and their costs. end moves to the new end of the log.
// Returns the index of the first session touched, or empty when the log does not continue the
// loaded one (it is shorter, its record at the old end changed, or it cannot be read): the list is
// then unchanged and only a full load can bring it up to date.
std::optional<SessionIndex> ExtendLoadedLog(const QString& programDir,
                                            const LoadedSettings& settings, SessionList& sessions,
                                            LoadedEnd& end);

} // namespace dialtally
