#pragma once

#include "platform/system.h"

#include <cstdint>

namespace dialtally {

struct UpdateReport;

// How the records of one work file ended up.
enum class WorkFileEnd {
    Complete,      // every field was read
    Unterminated,  // the file ended inside its last field
    TooManyErrors, // one more field with an unusable date than the update accepts
    ReadFailed,    // the work file could not be read; errno in *error
    WriteFailed,   // the session log could not be written; errno in *error
};

// Reads every field of the work file and appends one record per recognised line at the end of
// the session log (open for appending), counting into report. On WriteFailed records may have
// been written in part; the caller cuts the log back.
WorkFileEnd AppendWorkFileRecords(int workFd, int logFd, Dialect dialect, UpdateReport& report,
                                  int* error);

} // namespace dialtally
