#pragma once

#include <optional>
#include <string>
#include <sys/types.h>

namespace dialtally {

// A place in the adapter's log: the file (device and inode), the offset up to which its lines
// are delivered, and the bytes just before that offset. A log that was emptied and has grown
// again past the offset still has the same identity; its bytes before the offset tell.
// A place with no file (device and inode 0) is none: a writer that keeps no place in a source
// (the ip-down hook, a run over a whole file) leaves it so when the file held none before.
struct SourcePlace {
    dev_t device = 0;
    ino_t inode = 0;
    off_t offset = 0;
    std::string tail; // at most kPlaceTailBytes

    bool Known() const { return device != 0 || inode != 0; }
};
inline constexpr std::size_t kPlaceTailBytes = 32;

// A batch that the logger was appending: the data file it went to, that file's length before
// the batch, the place in the adapter's log once the batch is delivered, and the length of the
// ledger of delivered connections ("Dtally.ppp") before the batch, when the batch appends to it.
struct UnconfirmedBatch {
    dev_t device = 0;
    ino_t inode = 0;
    off_t lengthBefore = 0;
    SourcePlace after;
    off_t ledgerBefore = -1; // -1: the batch appends nothing to the ledger
};

// What "Dtally.pos" holds: the place up to which every line is in the data file, and the batch
// under way, if any. The logger writes the batch before it appends and removes it, with the new
// place, once the batch is complete; both under the data lock. So a batch that is still named in
// the file when the data lock is free was cut short by the logger's death.
struct LoggerPosition {
    SourcePlace source;
    std::optional<UnconfirmedBatch> batch;
};

// Empty when there is no position file. A file that does not read as a position also gives none,
// with *error saying why.
std::optional<LoggerPosition> ReadLoggerPosition(const std::string& path,
                                                 std::string* error = nullptr);
// Replaces the file in one step (written aside, then renamed); false with errno set.
bool WriteLoggerPosition(const std::string& path, const LoggerPosition& position);

} // namespace dialtally
