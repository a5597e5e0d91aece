#pragma once

#include "crashtest/model.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <random>
#include <string>
#include <thread>

namespace dialtally {

// Plays the companion logger: appends lines to "Dtally.dat" as it does, each line one
// double-quoted field ending CR LF, each batch appended under the data lock (open for appending,
// write, close). A line counts as delivered, and goes to the model, once its batch is written
// whole; a batch that could not be written is cut off again and waits.
class DataFeeder {
public:
    DataFeeder(const std::string& windowsDir, Model& model);
    DataFeeder(const DataFeeder&) = delete;
    DataFeeder& operator=(const DataFeeder&) = delete;
    ~DataFeeder();

    // The round's lines, fed from the first on; they must outlive the feeding.
    void SetLines(const RoundLines* lines);
    // Appends whole lines, at least bytes of them where there are, as one batch. False when no
    // line was appended: none left, or the lock or the write failed (see LastError()).
    bool FeedBatch(std::size_t bytes);
    // Appends about bytes in batches of 64 KB to 1 MB; false when it stopped short.
    bool Feed(std::size_t bytes, std::mt19937_64& rng);

    // Batches of 1 to 16 KB every millisecond or so from a thread, until StopThread().
    void StartThread(std::uint64_t seed);
    void StopThread();

    std::string LastError() const;

private:
    bool Append(const std::string& batch);

    std::string m_dataPath;
    std::string m_lockPath;
    Model& m_model;
    mutable std::mutex m_mutex;
    const RoundLines* m_lines = nullptr;
    std::size_t m_next = 0;
    std::string m_lastError;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// Plays the dial-up adapter: appends its lines (ending CR LF) to the adapter's log in pieces cut
// anywhere, also inside a line. A line counts as delivered once its line end is written.
class SourceWriter {
public:
    SourceWriter(const std::string& path, Model& model);
    SourceWriter(const SourceWriter&) = delete;
    SourceWriter& operator=(const SourceWriter&) = delete;
    ~SourceWriter();

    // Starts the round's lines; call at a line end. The lines must outlive the writing. The log is
    // opened again for the next write.
    void SetLines(const RoundLines* lines);
    // One write of up to bytes; false when nothing is left or the write failed.
    bool WritePiece(std::size_t bytes);
    // Completes the line under way.
    bool FinishLine();
    bool LinesLeft() const;

    // Pieces of 1 to 3000 bytes with short pauses from a thread; StopThread() leaves the log at a
    // line end.
    void StartThread(std::uint64_t seed);
    void StopThread();

    std::int64_t LinesWritten() const { return m_model.Lines(); }
    const std::string& LastError() const { return m_lastError; }

private:
    bool Open();

    std::string m_path;
    Model& m_model;
    int m_fd = -1;
    const RoundLines* m_lines = nullptr;
    std::size_t m_line = 0;   // the line under way
    std::size_t m_offset = 0; // bytes of it written, its CR LF included
    std::string m_lastError;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace dialtally
