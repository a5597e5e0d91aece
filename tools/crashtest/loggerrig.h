#pragma once

#include "crashtest/crashtest.h"
#include "crashtest/feeders.h"

#include <memory>
#include <optional>
#include <random>
#include <string>

namespace dialtally {

// The companion logger as the crash test runs it: the adapter's log that a writer appends to,
// the logger that follows it into the data file, and the model of every line written.
class LoggerRig {
public:
    // Lines written go to model, which may be shared with a feeder of the same folders.
    LoggerRig(const Tools& tools, const Workspace& ws, Model& model);
    LoggerRig(const LoggerRig&) = delete;
    LoggerRig& operator=(const LoggerRig&) = delete;
    ~LoggerRig();

    const Workspace& Folders() const { return m_ws; }
    SourceWriter& Writer() { return m_writer; }
    Child& Logger() { return m_logger; }
    int Dialect() const { return m_lines->options.dialect; }
    // What the round is, for the report.
    std::string RoundName() const;

    // New lines for the writer, in the given dialect; call with the writer at a line end.
    void BeginRound(std::mt19937_64& rng, int dialect, std::int64_t sessions);

    // Starts the logger. A logger that has no kept place yet starts at the end of the adapter's
    // log, so after the folders were emptied the start waits until the logger has the log open.
    bool Start(std::string* error, std::optional<rlim_t> fileSizeLimit = std::nullopt);
    // Each start of the logger has output files of its own, so that nothing it said is lost.
    ChildSpec NextLoggerSpec(std::optional<rlim_t> fileSizeLimit = std::nullopt);
    std::string LoggerErrors() const; // of the latest start
    // What the loggers of this round said, each line once.
    std::string RoundLoggerErrors() const;
    ChildSpec UpdateSpec(const std::string& outName = "update") const;
    // After a logger was killed or started elsewhere (traced): the folders now have a logger's
    // kept place.
    void MarkStarted() { m_fresh = false; }
    bool Fresh() const { return m_fresh; }

    // Stops the running logger with SIGTERM; it must end with status 0. Empty when it did.
    std::optional<std::string> Stop();

    // The writer finishes its line; the logger (started again when none runs) is stopped with
    // SIGTERM and must end with status 0; an update must end with status 0; then the invariant
    // must hold for every line written. Empty when all of it held.
    std::optional<std::string> Checkpoint(std::mt19937_64& rng);

    // Back to nothing after a violation: no logger, empty folders, an empty adapter's log.
    void Reset();

private:
    Tools m_tools;
    Workspace m_ws;
    Model& m_model;
    SourceWriter m_writer;
    std::unique_ptr<RoundLines> m_lines;
    Child m_logger;
    bool m_fresh = true;
    int m_starts = 0;
    int m_roundFirstStart = 1;
};

} // namespace dialtally
