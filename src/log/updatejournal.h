#pragma once

#include <optional>
#include <string>
#include <sys/types.h>

namespace dialtally {

// The update's journal "Dtally.jnl" beside the work file. It is written before the data file
// becomes the work file and removed only once the work file is gone, and it holds the session
// log that the update appends to (its path and identity) with its length before the update. An
// update that finds a work file left over cuts that log back to the journaled length, so that
// records of the interrupted run are not counted twice, and then does the work file again in
// full.
struct UpdateJournal {
    std::string logPath;
    dev_t device = 0;
    ino_t inode = 0;
    off_t length = 0;
};

// Empty when there is no journal. *damaged is set, with *error, when a file stands there that
// does not read as a journal.
std::optional<UpdateJournal> ReadUpdateJournal(const std::string& path, bool* damaged,
                                               std::string* error = nullptr);

// Replaces the journal in one step and forces it to disk; false with errno set.
bool WriteUpdateJournal(const std::string& path, const UpdateJournal& journal);

} // namespace dialtally
