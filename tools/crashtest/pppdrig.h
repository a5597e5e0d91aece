#pragma once

#include "crashtest/crashtest.h"
#include "generate/pppdsyslog.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace dialtally {

// pppd's side of the crash test: a syslog that grows as pppd and other programs write to it, and
// the sessions that the connections written so far must become.

// The generated syslog of a scenario (months of connections, ending before this month, so that
// its year-less stamps read right against the clock), written to the file in pieces cut
// anywhere, also inside a line.
class PppdSyslogWriter {
public:
    PppdSyslogWriter(const std::string& path, std::uint64_t seed, std::int64_t sessions);
    PppdSyslogWriter(const PppdSyslogWriter&) = delete;
    PppdSyslogWriter& operator=(const PppdSyslogWriter&) = delete;
    ~PppdSyslogWriter();

    // One write of up to bytes; false when nothing is left or the write failed.
    bool WritePiece(std::size_t bytes);
    // Writes on to the next line after which no connection is under way: every connection
    // written so far is then whole. False when none is left.
    bool WriteToQuietPoint();
    // Pieces of 1 to 2000 bytes with short pauses from a thread, until StopThread().
    void StartThread(std::uint64_t seed);
    void StopThread();

    // The connections written so far, when what is written ends at a quiet point; else none.
    std::vector<GeneratedConnection> ConnectionsWritten() const;
    bool Exhausted() const;
    std::size_t BytesWritten() const;
    std::size_t Connections() const { return m_syslog.connections.size(); }
    const std::string& LastError() const { return m_lastError; }

private:
    bool Open();

    std::string m_path;
    std::string m_text;
    // Where quiet lines end in m_text, and the time of each.
    std::vector<std::size_t> m_quietEnds;
    std::vector<DateTime> m_quietTimes;
    GeneratedPppdSyslog m_syslog;
    mutable std::mutex m_mutex;
    std::size_t m_written = 0;
    int m_fd = -1;
    std::string m_lastError;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// The logger following the syslog, in the dialect and language given (a Windows 98 language
// code, "en" for Windows 95).
ChildSpec PppdLoggerCommand(const Tools& tools, const Workspace& ws, int dialect,
                            const std::string& language, const std::string& outName);
// The logger reading the whole syslog once.
ChildSpec PppdOnceCommand(const Tools& tools, const Workspace& ws, int dialect,
                          const std::string& language, const std::string& outName);

// After a completed update: no work file or journal is left, the session log holds no torn
// record, and its sessions are exactly the connections expected: each once, with its times and
// bytes. Empty when it holds.
std::optional<std::string> CheckPppdSessions(const Workspace& ws,
                                             const std::vector<GeneratedConnection>& expected);

} // namespace dialtally
