#pragma once

#include "log/datafile.h"
#include "log/ledger.h"
#include "log/pppddelivery.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace dialtally {

// The companion logger's core: it follows the adapter's diagnostic log the way "tail -F" does and
// appends every new complete line to the data file as one double-quoted field ending CR LF.
//
// One logger per data file: Start() takes the logger lock of the Windows folder for the logger's
// whole life. Every batch is appended under the data lock, which the update also takes while it
// renames the data file away, so a batch is never split between the data file and the work file;
// the data file is opened, written and closed again for every batch, and the next batch after a
// rename creates a new data file.
//
// The logger keeps its place in the adapter's log in the position file: the file, the offset up
// to which every line is delivered and the bytes just before it. Before it appends a batch it
// names the batch there, and once the batch is complete it replaces that with the new place, so
// a batch that a killed logger left half-written is found and cut away again (at the logger's
// next start or by the update), and its lines are delivered again, whole and once. A restarted
// logger goes on from its kept place.
//
// A line that holds a double quote cannot stand in one field: each double quote becomes an
// apostrophe. Empty lines carry nothing and are not written. A partial last line waits for its
// line end; it is written as it stands only when the logger finishes, or when the source is
// truncated or replaced, because it will never be finished then.
//
// A source that is not the adapter's log (pppd's lines) goes through a translator: the logger
// writes the whole connections that come out of it, each with its line in the ledger, in the same
// batch, and drops those the ledger already holds. Its kept place never passes the first line of
// a connection that is still open: a logger started again reads that connection again from its
// start, and the ledger drops what was delivered after it. A partial last line waits for its line
// end also when the logger finishes.
class CompanionLogger {
public:
    using Reporter = std::function<void(const std::string& problem)>;

    // fromStart: when no place is kept, read a source that already exists from its beginning
    // instead of its end. A source that appears or is replaced later is always read from its
    // beginning.
    CompanionLogger(std::string sourcePath, HandoverFiles files, bool fromStart, Reporter report,
                    std::unique_ptr<SourceTranslator> translator = nullptr);
    CompanionLogger(const CompanionLogger&) = delete;
    CompanionLogger& operator=(const CompanionLogger&) = delete;
    ~CompanionLogger();

    // Takes the logger lock (one try) and, under the data lock, settles a batch that a killed
    // logger left unconfirmed and reads the kept place. False with *error when another logger
    // writes to the same data file or the lock file cannot be opened; nothing else is touched
    // then. Call once, before Poll().
    bool Start(std::string* error);

    // Reads what is new in the source and writes it in batches. Returns false when lines wait
    // because the data file cannot be written; they stay, reading stops behind them, and the
    // next call tries them again.
    bool Poll();

    // Poll() up to the end of the source, then writes the partial last line as it stands and
    // keeps the place after it. True when everything read is written.
    bool Finish();

    // False when the last Poll() stopped at its reading limit and more is waiting in the source.
    bool CaughtUp() const { return m_caughtUp; }
    // Lines written to the data file so far.
    std::int64_t LinesWritten() const { return m_linesWritten; }
    // Lines read but not yet written (the data file could not be written).
    bool HasPending() const { return !m_batch.empty() || !m_deliveries.empty(); }

private:
    void LoadKeptPlace();
    void OpenSource();
    bool KeptPlaceHolds(const SourcePlace& kept) const;
    void CloseSource();
    // False when the bytes before the read position are no longer those that were read there:
    // the source was emptied (and perhaps written again).
    bool SourceStillHolds() const;
    void ReadAgainFromStart();
    // Reads from the source up to the batch limit; false when the end is reached.
    bool ReadMore();
    void AddLine(std::string_view line, off_t lineStart);
    void EndPartialLine();
    // Where a logger started again must read from: after the last line taken, or, while the
    // translator holds an open connection, at its first line.
    SourcePlace HeldPlace() const;
    std::int64_t Mark(off_t offset) const;
    bool WriteBatch();
    bool DeliverBatch(std::string& problem);
    bool DeliverConnections(const SourcePlace& place, std::string& problem);
    bool DeliverPlace(const SourcePlace& place, std::string& problem);
    void Report(const std::string& problem);

    std::string m_sourcePath;
    HandoverFiles m_files;
    Reporter m_report;
    bool m_fromStart;
    std::unique_ptr<SourceTranslator> m_translator;
    Ledger m_ledger;
    HandoverLock m_loggerLock;
    bool m_firstOpen = true;
    // The place read from the position file at the start, until the source is first opened.
    std::optional<SourcePlace> m_keptPlace;
    // The place that the position file holds; none before anything was written there.
    std::optional<SourcePlace> m_confirmed;
    // Where this run began to read, for a batch of connections before anything is confirmed.
    std::optional<SourcePlace> m_readStart;
    // A batch is still named in the position file although it was taken back: settle it first.
    bool m_mustSettle = false;

    int m_fd = -1;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    off_t m_offset = 0;       // read position in the source
    std::string m_readTail;   // the bytes just before m_offset, at most kPlaceTailBytes
    SourcePlace m_place;      // after the last line taken into the batch
    SourcePlace m_batchStart; // before the first line of the batch
    std::vector<char> m_readBuffer;
    std::string m_partial;
    off_t m_partialStart = 0;
    // Counts the files read (and the restarts of one): a mark names the file it was made in.
    std::int64_t m_generation = 0;
    std::string m_batch;
    std::vector<Delivery> m_deliveries;
    std::int64_t m_batchLines = 0;
    std::int64_t m_linesWritten = 0;
    std::string m_lastProblem;
    bool m_caughtUp = true;
    bool m_deliveryFailing = false;
};

// How long the logger waits before it tries a failed delivery again: from the poll interval,
// doubling with every failure up to kMaxRetryPause (or the poll interval when that is longer),
// back to the start after a success.
inline constexpr std::chrono::milliseconds kMaxRetryPause{4000};

class RetryPause {
public:
    explicit RetryPause(std::chrono::milliseconds first) : m_first(first), m_next(first) {}
    std::chrono::milliseconds Next();
    void Reset() { m_next = m_first; }

private:
    std::chrono::milliseconds m_first;
    std::chrono::milliseconds m_next;
};

} // namespace dialtally
