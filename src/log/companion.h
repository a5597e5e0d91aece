#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace dialtally {

// The companion logger's core: it follows the adapter's diagnostic log the way "tail -F" does and
// appends every new complete line to the data file as one double-quoted field ending CR LF.
//
// The data file is opened for appending, locked, written and closed again for every batch, so
// that the update can rename it away at any moment; the next batch then creates a new data file.
// The lock makes an update that renamed the file wait until a batch under way is complete, and a
// batch that finds its file already renamed and consumed goes to a new data file instead, so a
// batch is never split or lost.
//
// A line that holds a double quote cannot stand in one field: each double quote becomes an
// apostrophe. Empty lines carry nothing and are not written. A partial last line waits for its
// line end; it is written as it stands only when the source is truncated or replaced, because it
// will never be finished then.
class CompanionLogger {
public:
    using Reporter = std::function<void(const std::string& problem)>;

    // fromStart: read a source that already exists from its beginning instead of its end. A source
    // that appears or is replaced later is always read from its beginning.
    CompanionLogger(std::string sourcePath, std::string dataPath, bool fromStart, Reporter report);
    CompanionLogger(const CompanionLogger&) = delete;
    CompanionLogger& operator=(const CompanionLogger&) = delete;
    ~CompanionLogger();

    // Reads what is new in the source and writes it in batches. Returns false when lines wait
    // because the data file cannot be written; they stay and are tried again by the next call.
    bool Poll();

    // False when the last Poll() stopped at its reading limit and more is waiting in the source.
    bool CaughtUp() const { return m_caughtUp; }
    // Lines written to the data file so far.
    std::int64_t LinesWritten() const { return m_linesWritten; }
    // Lines read but not yet written (the data file could not be written).
    bool HasPending() const { return !m_batch.empty(); }

    // Appends bytes as one batch to the data file under its lock; false with errno set.
    static bool AppendBatch(const std::string& dataPath, std::string_view bytes);

private:
    void OpenSource(bool atEnd);
    void CloseSource();
    // Reads from the source up to the batch limit; false when the end is reached.
    bool ReadMore();
    void AddLine(std::string_view line);
    bool WriteBatch();
    void Report(const std::string& problem);

    std::string m_sourcePath;
    std::string m_dataPath;
    Reporter m_report;
    bool m_firstOpen = true;
    bool m_fromStart;
    int m_fd = -1;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    off_t m_offset = 0;
    std::vector<char> m_readBuffer;
    std::string m_partial;
    std::string m_batch;
    std::int64_t m_batchLines = 0;
    std::int64_t m_linesWritten = 0;
    std::string m_lastProblem;
    bool m_caughtUp = true;
};

} // namespace dialtally
