#include "crashtest/child.h"

#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace dialtally {

// Carries a child's standard error to its file through a pipe: a limit on the size of the files
// the child writes would otherwise cut its own error message short.
class ErrorRelay {
public:
    ErrorRelay() = default;
    ErrorRelay(const ErrorRelay&) = delete;
    ErrorRelay& operator=(const ErrorRelay&) = delete;
    ~ErrorRelay()
    {
        CloseWriteEnd();
        Join();
        if (m_read >= 0)
            ::close(m_read);
    }

    bool Open()
    {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            return false;
        m_read = ends[0];
        m_write = ends[1];
        return true;
    }
    int WriteEnd() const { return m_write; }

    // In the parent after the fork: copies until the child's end is closed.
    void Start(const std::string& path)
    {
        if (m_read < 0)
            return;
        CloseWriteEnd();
        m_thread = std::thread([fd = m_read, path] {
            const int out = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            char buffer[4096];
            ssize_t n;
            while ((n = ::read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
                if (n > 0 && out >= 0 && ::write(out, buffer, static_cast<std::size_t>(n)) < 0)
                    break;
            }
            if (out >= 0)
                ::close(out);
        });
    }

    void Join()
    {
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    void CloseWriteEnd()
    {
        if (m_write >= 0)
            ::close(m_write);
        m_write = -1;
    }

    int m_read = -1;
    int m_write = -1;
    std::thread m_thread;
};

namespace {

// Everything the child needs after fork() is laid out before it: between fork() and exec() a
// child of a threaded process may only make async-signal-safe calls.
class ExecImage {
public:
    explicit ExecImage(const ChildSpec& spec) : m_spec(spec), m_parent(::getpid())
    {
        m_argv.push_back(const_cast<char*>(spec.program.c_str()));
        for (const std::string& argument : spec.arguments)
            m_argv.push_back(const_cast<char*>(argument.c_str()));
        m_argv.push_back(nullptr);
        for (char** entry = environ; *entry; ++entry) {
            if (!Overridden(*entry))
                m_env.push_back(*entry);
        }
        for (const auto& [name, value] : spec.environment)
            m_envStorage.push_back(name + '=' + value);
        for (std::string& entry : m_envStorage)
            m_env.push_back(entry.data());
        m_env.push_back(nullptr);
    }

    void SetErrorPipe(int fd) { m_errorPipe = fd; }

    // Runs in the child; never returns.
    [[noreturn]] void Exec(bool traced) const
    {
        // A crash test that dies, however it dies, takes its children with it.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != m_parent)
            ::_exit(127);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        Redirect(0, "/dev/null", O_RDONLY);
        Redirect(1, OrNull(m_spec.stdoutPath), O_WRONLY | O_CREAT | O_TRUNC);
        if (m_errorPipe >= 0)
            ::dup2(m_errorPipe, 2);
        else
            Redirect(2, OrNull(m_spec.stderrPath), O_WRONLY | O_CREAT | O_TRUNC);
        if (m_spec.fileSizeLimit) {
            struct sigaction ignore = {};
            ignore.sa_handler = SIG_IGN;
            ::sigaction(SIGXFSZ, &ignore, nullptr);
            struct rlimit limit;
            ::getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = *m_spec.fileSizeLimit;
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        if (traced)
            ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        ::execve(m_spec.program.c_str(), m_argv.data(), m_env.data());
        ::_exit(127);
    }

private:
    bool Overridden(const char* entry) const
    {
        for (const auto& override : m_spec.environment) {
            const std::string& name = override.first;
            if (std::strncmp(entry, name.c_str(), name.size()) == 0 && entry[name.size()] == '=')
                return true;
        }
        return false;
    }

    static const char* OrNull(const std::string& path)
    {
        return path.empty() ? "/dev/null" : path.c_str();
    }

    static void Redirect(int target, const char* path, int flags)
    {
        const int fd = ::open(path, flags, 0644);
        if (fd < 0 || fd == target)
            return;
        ::dup2(fd, target);
        ::close(fd);
    }

    const ChildSpec& m_spec;
    pid_t m_parent;
    int m_errorPipe = -1;
    std::vector<char*> m_argv;
    std::vector<std::string> m_envStorage;
    std::vector<char*> m_env;
};

pid_t ForkExec(ExecImage& image, const ChildSpec& spec, bool traced, ErrorRelay& relay)
{
    if (spec.fileSizeLimit && relay.Open())
        image.SetErrorPipe(relay.WriteEnd());
    const pid_t pid = ::fork();
    if (pid == 0)
        image.Exec(traced);
    if (pid > 0)
        relay.Start(spec.stderrPath);
    return pid;
}

int PidfdOpen(pid_t pid)
{
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

void SendSignal(int pidfd, pid_t pid, int signal)
{
    if (pidfd >= 0)
        ::syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0);
    else
        ::kill(pid, signal);
}

bool WaitStatus(pid_t pid, int& status)
{
    for (;;) {
        if (::waitpid(pid, &status, __WALL) == pid)
            return true;
        if (errno != EINTR)
            return false;
    }
}

ChildEnd EndFromStatus(int status)
{
    ChildEnd end;
    if (WIFEXITED(status)) {
        end.exited = true;
        end.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        end.signal = WTERMSIG(status);
    }
    return end;
}

bool OpensForWriting(std::uint64_t flags)
{
    return (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) != 0;
}

bool IsLockCommand(std::uint64_t command)
{
    return command == F_SETLK || command == F_SETLKW || command == F_OFD_SETLK ||
           command == F_OFD_SETLKW;
}

// Writes to the standard output and error go to the run's own record, not to its files.
bool WritesAFile(std::uint64_t fd)
{
    return fd > 2;
}

bool IsFileChange(std::uint64_t number, const std::uint64_t* args)
{
    switch (number) {
    case SYS_write:
    case SYS_pwrite64:
    case SYS_writev:
    case SYS_pwritev:
    case SYS_pwritev2:
        return WritesAFile(args[0]);
    case SYS_ftruncate:
    case SYS_truncate:
    case SYS_fsync:
    case SYS_fdatasync:
    case SYS_sync_file_range:
    case SYS_fallocate:
    case SYS_renameat:
    case SYS_renameat2:
    case SYS_linkat:
    case SYS_unlinkat:
    case SYS_mkdirat:
    case SYS_flock:
    case SYS_copy_file_range:
    case SYS_sendfile:
#ifdef SYS_rename
    case SYS_rename:
    case SYS_link:
    case SYS_unlink:
    case SYS_mkdir:
    case SYS_creat:
#endif
        return true;
    case SYS_openat:
        return OpensForWriting(args[2]);
#ifdef SYS_open
    case SYS_open:
        return OpensForWriting(args[1]);
#endif
    case SYS_fcntl:
        return IsLockCommand(args[1]);
    default:
        return false;
    }
}

bool AtFileChange(pid_t pid)
{
    __ptrace_syscall_info info = {};
    if (::ptrace(PTRACE_GET_SYSCALL_INFO, pid, sizeof(info), &info) <= 0)
        return false;
    return info.op == PTRACE_SYSCALL_INFO_ENTRY && IsFileChange(info.entry.nr, info.entry.args);
}

// Kills a traced child that runs past its deadline: the tracer sits in waitpid() meanwhile.
class Watchdog {
public:
    Watchdog(int pidfd, pid_t pid, Clock::time_point deadline)
        : m_thread([this, pidfd, pid, deadline] {
              std::unique_lock lock(m_mutex);
              if (!m_done.wait_until(lock, deadline, [this] { return m_cancelled; }))
                  SendSignal(pidfd, pid, SIGKILL);
          })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard lock(m_mutex);
            m_cancelled = true;
        }
        m_done.notify_all();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_cancelled = false;
    std::thread m_thread;
};

} // namespace

std::string ChildEnd::Describe() const
{
    if (exited)
        return "exit status " + std::to_string(exitCode);
    if (signal != 0)
        return std::string("signal ") + ::strsignal(signal);
    return "unknown end";
}

Child::Child() = default;

Child::~Child()
{
    if (Running())
        Kill();
}

bool Child::Start(const ChildSpec& spec, std::string* error)
{
    ExecImage image(spec);
    m_started = Clock::now();
    m_end = ChildEnd();
    m_relay = std::make_unique<ErrorRelay>();
    m_pid = ForkExec(image, spec, false, *m_relay);
    if (m_pid < 0) {
        if (error)
            *error = std::string("cannot start ") + spec.program + ": " + std::strerror(errno);
        return false;
    }
    m_pidfd = PidfdOpen(m_pid);
    return true;
}

bool Child::WaitUntil(Clock::time_point deadline)
{
    while (Running()) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            Finish(status);
            return true;
        }
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero())
            return false;
        if (m_pidfd < 0) {
            // Without a pidfd: look every millisecond.
            std::this_thread::sleep_for(
                std::min<Clock::duration>(left, std::chrono::milliseconds(1)));
            continue;
        }
        const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        const timespec timeout{static_cast<time_t>(nanoseconds / 1000000000),
                               static_cast<long>(nanoseconds % 1000000000)};
        pollfd ready{m_pidfd, POLLIN, 0};
        ::ppoll(&ready, 1, &timeout, nullptr);
    }
    return true;
}

void Child::Signal(int signal)
{
    if (Running())
        SendSignal(m_pidfd, m_pid, signal);
}

ChildEnd Child::Kill()
{
    Signal(SIGKILL);
    int status = 0;
    if (Running() && WaitStatus(m_pid, status))
        Finish(status);
    return m_end;
}

void Child::Finish(int status)
{
    m_end = EndFromStatus(status);
    m_ended = Clock::now();
    m_pid = -1;
    if (m_pidfd >= 0)
        ::close(m_pidfd);
    m_pidfd = -1;
    // Everything the child said is in its file once it is gone.
    m_relay.reset();
}

TracedRun RunTraced(const ChildSpec& untraced, int killAtChange, Clock::time_point deadline)
{
    TracedRun run;
    // The leak checker of a sanitizer build stops the program when it finds itself traced.
    ChildSpec spec = untraced;
    const char* asan = std::getenv("ASAN_OPTIONS");
    spec.environment.emplace_back("ASAN_OPTIONS", std::string(asan ? asan : "") +
                                                      (asan ? ":" : "") + "detect_leaks=0");
    ExecImage image(spec);
    ErrorRelay relay;
    const auto started = Clock::now();
    const pid_t pid = ForkExec(image, spec, true, relay);
    if (pid < 0) {
        run.error = std::string("cannot start ") + spec.program + ": " + std::strerror(errno);
        return run;
    }
    const int pidfd = PidfdOpen(pid);
    int status = 0;
    // The child stops at its exec; an exec that failed ends it instead.
    if (!WaitStatus(pid, status) || !WIFSTOPPED(status)) {
        run.end = EndFromStatus(status);
        run.error = "the traced child did not stop at its start (" + run.end.Describe() + ")";
        if (pidfd >= 0)
            ::close(pidfd);
        return run;
    }
    run.started = true;
    ::ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
    {
        Watchdog watchdog(pidfd, pid, deadline);
        int pendingSignal = 0;
        for (;;) {
            ::ptrace(PTRACE_SYSCALL, pid, nullptr, pendingSignal);
            pendingSignal = 0;
            if (!WaitStatus(pid, status))
                break;
            if (WIFEXITED(status) || WIFSIGNALED(status)) {
                run.end = EndFromStatus(status);
                break;
            }
            if (!WIFSTOPPED(status))
                continue;
            const int signal = WSTOPSIG(status);
            if (signal != (SIGTRAP | 0x80)) {
                pendingSignal = signal == SIGTRAP ? 0 : signal;
                continue;
            }
            if (!AtFileChange(pid))
                continue;
            if (++run.changes == 1)
                run.firstChange = Clock::now() - started;
            // Killed in the stop at the entry, the call is never made.
            if (run.changes == killAtChange)
                SendSignal(pidfd, pid, SIGKILL);
        }
    }
    run.duration = Clock::now() - started;
    if (pidfd >= 0)
        ::close(pidfd);
    return run;
}

bool TracingWorks(std::string* why)
{
    ChildSpec probe;
    probe.program = "/bin/true";
    const TracedRun run = RunTraced(probe, 0, Clock::now() + std::chrono::seconds(10));
    if (run.started && run.end.exited && run.end.exitCode == 0)
        return true;
    if (why)
        *why = run.error.empty() ? run.end.Describe() : run.error;
    return false;
}

} // namespace dialtally
