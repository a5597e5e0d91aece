#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>

namespace dialtally {

// The companion logger hands its lines to the update through files in the Windows folder:
//   "Dtally.dat"  the data file: the logger appends, the update renames it away;
//   "Dtally.wrk"  the work file: the renamed data file, read by the update alone;
//   "Dtally.jnl"  the update's journal: the session log's length before the update appended;
//   "Dtally.pos"  the logger's kept place in the adapter's log;
//   "Dtally.lck"  an empty file whose bytes are locked (see HandoverLock).
struct HandoverFiles {
    std::string folder;
    std::string data;
    std::string work;
    std::string journal;
    std::string position;
    std::string lock;

    static HandoverFiles InFolder(const std::string& windowsDir);
};

// Locks on single bytes of the lock file. They belong to one open of the file (not to the
// process), so two locks in one process exclude each other as two processes do, and the system
// drops them when their holder dies, however it dies.
//   Data:   held by the logger while it appends a batch and confirms its place, and by the update
//           while it renames the data file and settles a batch of a dead logger;
//   Update: held by an update for the whole run, so that a second update waits for the first;
//   Logger: held by a running logger for its whole life: one logger per data file.
enum class HandoverLockKind { Data = 0, Update = 1, Logger = 2 };

class HandoverLock {
public:
    HandoverLock() = default;
    HandoverLock(const HandoverLock&) = delete;
    HandoverLock& operator=(const HandoverLock&) = delete;
    HandoverLock(HandoverLock&& other) noexcept;
    HandoverLock& operator=(HandoverLock&& other) noexcept;
    ~HandoverLock();

    // Waits up to wait for the lock (zero: one try). False with errno set: EWOULDBLOCK when
    // another holder kept it for the whole wait, else the error of opening the lock file.
    bool Acquire(const std::string& lockPath, HandoverLockKind kind,
                 std::chrono::milliseconds wait);
    void Release();
    bool Held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// A place in the adapter's log: the file (device and inode), the offset up to which its lines
// are delivered, and the bytes just before that offset. A log that was emptied and has grown
// again past the offset still has the same identity; its bytes before the offset tell.
struct SourcePlace {
    dev_t device = 0;
    ino_t inode = 0;
    off_t offset = 0;
    std::string tail; // at most kPlaceTailBytes
};
inline constexpr std::size_t kPlaceTailBytes = 32;

// A batch that the logger was appending: the data file it went to, that file's length before
// the batch, and the place in the adapter's log once the batch is delivered.
struct UnconfirmedBatch {
    dev_t device = 0;
    ino_t inode = 0;
    off_t lengthBefore = 0;
    SourcePlace after;
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

// Settles a batch that a dead logger left unconfirmed: whatever it appended to the data file, or
// to the work file that the data file has become since, is cut off, and the position file is
// left with the place before the batch, so that the batch is delivered again, whole. Call with
// the data lock held. *cutBytes gets what was cut. False with *error when a file could not be
// changed.
bool SettleUnconfirmedBatch(const HandoverFiles& files, off_t* cutBytes = nullptr,
                            std::string* error = nullptr);

// A file of lines that ends inside a line (the last bytes are neither CR nor LF) is cut back to
// just after its last line end: the unfinished line would otherwise swallow the next line
// appended to it. Returns the number of bytes cut, or -1 with errno set.
off_t CutUnfinishedLine(int fd);

// Forces a folder's entries (a rename, a deletion) to disk; false with errno set.
bool SyncFolder(const std::string& folder);

// "(device, inode)" of an open file or of a path; false when it cannot be asked.
bool FileIdentity(int fd, dev_t& device, ino_t& inode, off_t* size = nullptr);
bool FileIdentity(const std::string& path, dev_t& device, ino_t& inode, off_t* size = nullptr);

} // namespace dialtally
