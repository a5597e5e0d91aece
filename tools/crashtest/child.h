#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace dialtally {

using Clock = std::chrono::steady_clock;

// A program to run as a child of the crash test, with its output going to files so that nothing
// it writes can block it.
struct ChildSpec {
    std::string program;
    std::vector<std::string> arguments;
    std::vector<std::pair<std::string, std::string>> environment; // added to ours, replacing
    std::string stdoutPath;
    std::string stderrPath;
    // A limit on the size of any file the child writes (its soft RLIMIT_FSIZE); SIGXFSZ is ignored
    // in the child, so a write beyond it fails with EFBIG instead of killing it.
    std::optional<rlim_t> fileSizeLimit;
};

// How a child ended.
struct ChildEnd {
    bool exited = false; // by itself, with exitCode
    int exitCode = -1;
    int signal = 0; // the signal that ended it, when it did not exit by itself
    bool KilledBySigkill() const { return !exited && signal == 9; }
    std::string Describe() const;
};

class ErrorRelay;

// One child process, started untraced. Waiting and killing go through a pidfd, so a signal never
// reaches another process that took over the id.
class Child {
public:
    Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    // A child still running is killed and reaped: the crash test leaves no processes behind.
    ~Child();

    bool Start(const ChildSpec& spec, std::string* error);
    bool Running() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }
    Clock::time_point Started() const { return m_started; }

    // Waits until the child ends or the deadline passes; true when it ended (it is reaped then).
    bool WaitUntil(Clock::time_point deadline);
    void Signal(int signal);
    // SIGKILL and reap. The end tells whether it was still running (KilledBySigkill).
    ChildEnd Kill();
    const ChildEnd& End() const { return m_end; }
    Clock::duration Duration() const { return m_ended - m_started; }

private:
    void Finish(int status);

    pid_t m_pid = -1;
    int m_pidfd = -1;
    Clock::time_point m_started;
    Clock::time_point m_ended;
    ChildEnd m_end;
    std::unique_ptr<ErrorRelay> m_relay;
};

// A run under ptrace that counts the child's file changes: every system call that writes,
// truncates, syncs, renames, links, deletes or locks a file, or opens one for writing. Kills
// at the entry of change number killAtChange (the change is not made), or at the deadline; 0
// runs to the end. Runs in the calling thread, which must not be busy elsewhere meanwhile.
struct TracedRun {
    bool started = false;
    std::string error;
    ChildEnd end;
    int changes = 0; // file changes begun (the one killed at included)
    Clock::duration duration{};
    Clock::duration firstChange{}; // from the start to the first change
};
TracedRun RunTraced(const ChildSpec& spec, int killAtChange, Clock::time_point deadline);

// Whether this system lets the crash test trace its children; *why says why not.
bool TracingWorks(std::string* why);

} // namespace dialtally
