#pragma once

#include "log/loggerplace.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace dialtally {

// The data file and the files beside it: both sides of "Dtally.dat" live here, the logger's batch
// append and the update's claim of the file, under one lock. The companion logger hands its lines
// to the update through files in the Windows folder:
//   "Dtally.dat"  the data file: the logger appends, the update renames it away;
//   "Dtally.wrk"  the work file: the renamed data file, read by the update alone;
//   "Dtally.jnl"  the update's journal: the session log's length before the update appended;
//   "Dtally.pos"  the logger's kept place in the adapter's log, and the batch under way;
//   "Dtally.ppp"  the ledger of pppd connections delivered (log/ledger.h);
//   "Dtally.lck"  an empty file whose bytes are locked (see HandoverLock).
struct HandoverFiles {
    std::string folder;
    std::string data;
    std::string work;
    std::string journal;
    std::string position;
    std::string ledger;
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

// Settles a batch that a dead logger left unconfirmed: whatever it appended to the data file, or
// to the work file that the data file has become since, and to the ledger, is cut off, and the
// position file is left with the place before the batch, so that the batch is delivered again,
// whole. Call with the data lock held. *cutBytes gets what was cut from the data or work file.
// False with *error when a file could not be changed.
bool SettleUnconfirmedBatch(const HandoverFiles& files, off_t* cutBytes = nullptr,
                            std::string* error = nullptr);

// A file of lines that ends inside a line (the last bytes are neither CR nor LF) is cut back to
// just after its last line end: the unfinished line would otherwise swallow the next line
// appended to it. Returns the number of bytes cut, or -1 with errno set.
off_t CutUnfinishedLine(int fd);

// Reads the data file as comma-delimited text fields from a file descriptor, in blocks, with
// bounded memory. A field is either in double quotes (it runs to the closing quote and may hold
// commas and line ends; what follows the quote up to the next separator is ignored) or bare (it
// runs to the next comma, line end or the end of the file; trailing blanks dropped). Separators are
// a comma or a line end (CR LF, CR or LF); blanks before a field are skipped.
class DataFieldReader {
public:
    enum class Result {
        Field,        // field holds the next field, valid until the next call
        TooLong,      // a field longer than maxField was passed over; it cannot be a line
        Unterminated, // the file ended inside a quoted field (no closing quote)
        End,
        ReadError,
    };

    explicit DataFieldReader(int fd, std::size_t blockSize = std::size_t{1} << 20,
                             std::size_t maxField = 64 * 1024);
    Result Next(std::string_view& field);

private:
    // Keeps the unread bytes and reads more behind them; 0 at the end of the file, -1 on error.
    long Fill();
    // Passes over what stands before the next separator and the separator itself.
    Result SkipToSeparator();
    Result Quoted(std::string_view& field);
    Result Bare(std::string_view& field);
    void ConsumeSeparator(std::size_t at);

    int m_fd;
    std::size_t m_maxField;
    std::vector<char> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    bool m_skipToSeparator = false;
    bool m_pendingLineFeed = false;
};

// The writer's side. Appends one batch of fields to the data file, and the ledger lines of the
// connections they carry to the ledger (none for adapter lines); call with the data lock held.
// The batch is named in the position file (with the place before it and after it, and the
// lengths of both files before it) before it is written and confirmed after, so that a batch cut
// short by the writer's death is found and taken back from both files. The ledger lines go first.
// A torn last field that someone else left is cut first (*cutUnfinished tells how many bytes). On
// failure both files are cut back to their lengths before the batch; *mustSettle is set when even
// that failed, and the caller settles before its next batch. False with *problem.
bool AppendBatch(const HandoverFiles& files, std::string_view batch, std::string_view ledgerLines,
                 const SourcePlace& before, const SourcePlace& after, off_t* cutUnfinished,
                 bool* mustSettle, std::string* problem);

// The reader's side: renames the data file to the work file under the data lock, so that a
// batch under way is complete first, and settles a batch that a dead logger left in it. A
// target that exists is never replaced. *claimed tells whether there was a data file.
// retryWait is called once between two tries when the file is busy. False with *problem.
bool ClaimDataFile(const HandoverFiles& files, std::chrono::milliseconds lockWait,
                   const std::function<void()>& retryWait, bool* claimed, off_t* batchBytesCut,
                   std::string* problem);

} // namespace dialtally
