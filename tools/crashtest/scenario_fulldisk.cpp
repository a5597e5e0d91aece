// The update and the logger with no room to write: the program folder and the Windows folder on
// small tmpfs file systems filled up with a ballast file (when running as root and mount works),
// or a limit on the size of the files a child writes. The operation must fail with a clear error
// and lose nothing: once there is room again it completes and the invariant holds.

#include "crashtest/feeders.h"
#include "crashtest/loggerrig.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <thread>
#include <unistd.h>

namespace dialtally {
namespace {

constexpr const char* kTmpfsOptions = "size=16m,mode=0755";
constexpr const char* kBallast = "ballast";
constexpr off_t kLogLimit = 4 * 1024 * 1024;
constexpr std::int64_t kUpdateSessions = 400; // about 1.2 MB of lines
constexpr std::size_t kUpdateBytes = 1024 * 1024;
constexpr std::int64_t kLoggerSessions = 200;
constexpr auto kRunTimeout = std::chrono::seconds(60);
constexpr auto kComplaintWait = std::chrono::seconds(3);

enum class Squeeze { ProgramFolder, WindowsFolder, BothFolders, FileSizeLimit };

struct RoundKind {
    const char* name;
    bool logger; // else the update
    Squeeze squeeze;
};

const RoundKind kRoundKinds[] = {
    {"update, program folder full", false, Squeeze::ProgramFolder},
    {"update, Windows folder full", false, Squeeze::WindowsFolder},
    {"update, both folders full", false, Squeeze::BothFolders},
    {"update, file size limit", false, Squeeze::FileSizeLimit},
    {"logger, Windows folder full", true, Squeeze::WindowsFolder},
    {"logger, file size limit", true, Squeeze::FileSizeLimit},
};

std::string ErrnoText(const std::string& action, const std::string& path)
{
    return "cannot " + action + " \"" + path + "\": " + std::strerror(errno);
}

// An error is clear when it names the file and says why.
bool IsClearError(const std::string& text)
{
    static const char* const kFiles[] = {"SesLog.log", "Dtally.dat", "Dtally.wrk",
                                         "Dtally.jnl", "Dtally.pos", "Dtally.lck"};
    bool namesFile = false;
    for (const char* file : kFiles)
        namesFile = namesFile || text.find(file) != std::string::npos;
    return namesFile && (text.find(std::strerror(ENOSPC)) != std::string::npos ||
                         text.find(std::strerror(EFBIG)) != std::string::npos);
}

// Small tmpfs file systems on the program and Windows folders, unmounted again at the end.
class TmpfsFolders {
public:
    TmpfsFolders(const Workspace& ws, bool keep) : m_ws(ws), m_keep(keep) {}
    ~TmpfsFolders()
    {
        for (const std::string& folder : m_mounted) {
            if (m_keep)
                CopyOut(folder);
            if (::umount2(folder.c_str(), 0) != 0)
                ::umount2(folder.c_str(), MNT_DETACH);
        }
    }

    bool Mount(std::string* why)
    {
        if (::geteuid() != 0) {
            *why = "not running as root";
            return false;
        }
        for (const std::string& folder : {m_ws.program, m_ws.windows}) {
            if (::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, kTmpfsOptions) !=
                0) {
                *why = ErrnoText("mount a tmpfs on", folder);
                return false;
            }
            m_mounted.push_back(folder);
        }
        return true;
    }

private:
    // What a tmpfs held is gone once it is unmounted; --keep copies it beside.
    static void CopyOut(const std::string& folder)
    {
        const QString from = QFile::decodeName(folder.c_str());
        const QString to = from + QStringLiteral(".kept");
        QDir().mkpath(to);
        for (const QString& name : QDir(from).entryList(QDir::Files | QDir::Hidden))
            if (name != QLatin1String(kBallast))
                QFile::copy(from + '/' + name, to + '/' + name);
    }

    const Workspace& m_ws;
    bool m_keep;
    std::vector<std::string> m_mounted;
};

// Fills the folder's file system with one file until at most leave bytes are free.
bool FillLeaving(const std::string& folder, std::uint64_t leave, std::string* error)
{
    struct statvfs fs;
    if (::statvfs(folder.c_str(), &fs) != 0) {
        *error = ErrnoText("ask the free space of", folder);
        return false;
    }
    const std::uint64_t block = fs.f_frsize;
    const std::uint64_t available = static_cast<std::uint64_t>(fs.f_bavail) * block;
    leave = leave / block * block;
    if (available <= leave)
        return true;
    const std::string path = folder + '/' + kBallast;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        *error = ErrnoText("create", path);
        return false;
    }
    struct stat info;
    ::fstat(fd, &info);
    const int result = ::posix_fallocate(fd, info.st_size, static_cast<off_t>(available - leave));
    ::close(fd);
    if (result != 0 && result != ENOSPC) {
        errno = result;
        *error = ErrnoText("fill", path);
        return false;
    }
    return true;
}

void RemoveBallast(const std::string& folder)
{
    ::unlink((folder + '/' + kBallast).c_str());
}

bool LiftFileSizeLimit(pid_t pid)
{
    struct rlimit limit;
    if (::prlimit(pid, RLIMIT_FSIZE, nullptr, &limit) != 0)
        return false;
    limit.rlim_cur = limit.rlim_max;
    return ::prlimit(pid, RLIMIT_FSIZE, &limit, nullptr) == 0;
}

class FullDisk {
public:
    FullDisk(ScenarioContext& context, Tally& tally, const Workspace& ws)
        : m_context(context), m_tally(tally), m_ws(ws), m_feeder(ws.windows, m_model),
          m_rig(context.tools, ws, m_model)
    {
    }

    // One round of the given kind with one kill; false when a violation was found (the folders
    // are then emptied, so that the next round stands on its own).
    bool Round(int number, const RoundKind& kind, int dialect)
    {
        m_number = number;
        m_problems.clear();
        // The session log grows round after round; on the small file systems it would in the end
        // leave no room even with the ballast gone. It starts afresh before it takes a quarter.
        struct stat log;
        if (::stat(m_ws.SessionLog().c_str(), &log) == 0 && log.st_size > kLogLimit)
            m_rig.Reset();
        if (kind.logger)
            LoggerRound(kind, dialect);
        else
            UpdateRound(kind, dialect);
        Free();
        if (m_problems.empty())
            return true;
        m_rig.Reset();
        return false;
    }

private:
    void Violation(const std::string& what)
    {
        m_problems.push_back(what);
        m_tally.violations.push_back({m_number, what});
    }

    std::mt19937_64& Rng() { return m_context.rng; }

    // Leaves no room in the squeezed folders; for the file size limit, gives the limit.
    std::optional<rlim_t> ApplySqueeze(Squeeze squeeze, std::uint64_t programRoom,
                                       std::uint64_t windowsRoom, std::uint64_t limit)
    {
        std::string error;
        bool ok = true;
        if (squeeze == Squeeze::ProgramFolder || squeeze == Squeeze::BothFolders)
            ok = FillLeaving(m_ws.program, programRoom, &error);
        if (ok && (squeeze == Squeeze::WindowsFolder || squeeze == Squeeze::BothFolders))
            ok = FillLeaving(m_ws.windows, windowsRoom, &error);
        if (!ok)
            m_tally.notes.push_back(error);
        if (squeeze == Squeeze::FileSizeLimit)
            return limit;
        return std::nullopt;
    }

    void Free()
    {
        RemoveBallast(m_ws.program);
        RemoveBallast(m_ws.windows);
    }

    void UpdateRound(const RoundKind& kind, int dialect)
    {
        std::string error;
        auto lines = GenerateRound(RoundOptions(Rng(), dialect, kUpdateSessions), &error);
        if (!lines)
            throw std::runtime_error(error);
        m_updateLines = std::make_unique<RoundLines>(std::move(*lines));
        m_feeder.SetLines(m_updateLines.get());
        m_feeder.Feed(kUpdateBytes, Rng());

        const std::int64_t logSize = std::max<std::int64_t>(0, FileSize(m_ws.SessionLog()));
        const std::uint64_t pending =
            m_model.Expected().size() - static_cast<std::uint64_t>(logSize);
        // Less room than the records take, by more than a page.
        const std::uint64_t room = pending > 3 * 4096 ? Uniform(Rng(), 0, pending - 2 * 4096) : 0;
        ChildSpec update = UpdateCommand(m_context.tools, m_ws, dialect);
        update.fileSizeLimit = ApplySqueeze(kind.squeeze, room, 0,
                                            static_cast<rlim_t>(logSize) +
                                                Uniform(Rng(), 0, pending > 0 ? pending - 1 : 0));

        // First the update's own handling of no room, then a kill while there is still none.
        JudgeFailingUpdate(RunToEnd(update, kRunTimeout), update.stderrPath);
        m_feeder.Feed(Uniform(Rng(), 0, kUpdateBytes), Rng());
        const KillPlan plan = PlanKill(Rng(), m_updateMeasure, m_context.tracing);
        const KillOutcome killed = RunAndKill(update, plan, {m_ws.program, m_ws.windows});
        m_tally.CountKill(std::string("update, no room/") + TimingName(plan.timing),
                          killed.MidOperation());
        CountLeftovers(m_ws, m_tally);

        Free();
        const ChildSpec complete = UpdateCommand(m_context.tools, m_ws, dialect);
        // The completing run measures the update for the kills of the next rounds.
        const Finished run = RunMeasured(complete, m_context.tracing, m_updateMeasure);
        ++m_tally.checks;
        if (!run.end.exited || run.end.exitCode != 0)
            Violation("the update once there was room ended with " + run.end.Describe() + ": " +
                      Tail(complete.stderrPath));
        if (const auto problem = CheckCompleted(m_ws, m_model))
            Violation("after the update once there was room: " + *problem);
    }

    // With no room, an update either does all of its work or ends with status 1 and an error
    // naming the file and the reason.
    void JudgeFailingUpdate(const Finished& run, const std::string& errPath)
    {
        ++m_tally.checks;
        const std::string err = ReadFile(errPath);
        if (run.hung) {
            Violation("the update with no room did not end within a minute");
        } else if (run.end.exited && run.end.exitCode == 0) {
            if (const auto problem = CheckCompleted(m_ws, m_model))
                Violation("the update with no room ended with status 0 but: " + *problem);
        } else if (!run.end.exited || run.end.exitCode != 1) {
            Violation("the update with no room ended with " + run.end.Describe() + ": " +
                      Tail(errPath));
        } else if (!IsClearError(err)) {
            Violation("the update with no room failed without naming the file and the reason: " +
                      Tail(errPath));
        }
    }

    void LoggerRound(const RoundKind& kind, int dialect)
    {
        m_rig.BeginRound(Rng(), dialect, kLoggerSessions);
        if (m_rig.Fresh() && !WarmUp())
            return;
        const std::uint64_t room = Uniform(Rng(), 0, 32 * 1024);
        const std::uint64_t dataSize = static_cast<std::uint64_t>(
            std::max<std::int64_t>(0, FileSize(m_ws.InWindows("Dtally.dat"))));
        const auto limit = ApplySqueeze(kind.squeeze, 0, room, dataSize + room);
        std::string error;
        if (!m_rig.Start(&error, limit)) {
            Violation(error);
            return;
        }
        Write(room + 128 * 1024);
        if (!AwaitComplaint())
            return;

        std::this_thread::sleep_for(std::chrono::milliseconds(Uniform(Rng(), 0, 20)));
        m_tally.CountKill("logger, no room/while its lines wait",
                          m_rig.Logger().Kill().KilledBySigkill());
        CountTornData(m_ws, m_tally);
        Write(Uniform(Rng(), 1, 32 * 1024));
        if (!m_rig.Start(&error, limit)) {
            Violation(error);
            return;
        }
        Write(Uniform(Rng(), 1, 32 * 1024));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));

        Free();
        if (limit && !LiftFileSizeLimit(m_rig.Logger().Pid()))
            m_tally.notes.push_back(
                ErrnoText("lift the file size limit of the logger", "dtallywr"));
        ++m_tally.checks;
        if (const auto problem = m_rig.Checkpoint(Rng()))
            Violation("once there was room again: " + *problem);
    }

    // A logger that has never run with room has no place to come back to when it is killed; that
    // is not what this scenario tests, so the first logger runs with room and stops well.
    bool WarmUp()
    {
        std::string error;
        if (!m_rig.Start(&error)) {
            Violation(error);
            return false;
        }
        Write(8 * 1024);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        if (const auto problem = m_rig.Stop()) {
            Violation(*problem);
            return false;
        }
        return true;
    }

    // Writes about bytes of lines to the adapter's log in pieces, ending at a line end.
    void Write(std::uint64_t bytes)
    {
        SourceWriter& writer = m_rig.Writer();
        for (std::uint64_t written = 0; written < bytes && writer.LinesLeft();) {
            const std::uint64_t piece = Uniform(Rng(), 1, 3000);
            writer.WritePiece(piece);
            written += piece;
            std::this_thread::sleep_for(std::chrono::microseconds(Uniform(Rng(), 50, 300)));
        }
        writer.FinishLine();
    }

    // A logger with no room must keep running and say so on its standard error.
    bool AwaitComplaint()
    {
        const std::string errPath = m_rig.LoggerErrors();
        const auto deadline = Clock::now() + kComplaintWait;
        Child& logger = m_rig.Logger();
        while (!IsClearError(ReadFile(errPath))) {
            if (logger.WaitUntil(std::min(deadline, Clock::now() + std::chrono::milliseconds(5)))) {
                Violation("the logger with no room ended with " + logger.End().Describe() + ": " +
                          Tail(errPath));
                return false;
            }
            if (Clock::now() >= deadline) {
                Violation("the logger with no room did not say, naming the file and the reason, "
                          "that its lines wait: " +
                          Tail(errPath));
                return false;
            }
        }
        return true;
    }

    ScenarioContext& m_context;
    Tally& m_tally;
    const Workspace& m_ws;
    Model m_model;
    DataFeeder m_feeder;
    LoggerRig m_rig;
    std::unique_ptr<RoundLines> m_updateLines;
    Calibration m_updateMeasure;
    int m_number = 0;
    std::vector<std::string> m_problems;
};

} // namespace

void RunFullDiskScenario(ScenarioContext& context, Tally& tally)
{
    std::string error;
    const auto ws = Workspace::Create(context.scratch, &error);
    if (!ws) {
        tally.violations.push_back({0, error});
        return;
    }
    TmpfsFolders tmpfs(*ws, context.keep);
    std::string why;
    const bool small = tmpfs.Mount(&why);
    if (!small)
        tally.notes.push_back("small tmpfs folders skipped (" + why +
                              "); only the file size limit stands in for a full disk");
    std::vector<const RoundKind*> kinds;
    for (const RoundKind& kind : kRoundKinds) {
        if (small || kind.squeeze == Squeeze::FileSizeLimit)
            kinds.push_back(&kind);
    }
    FullDisk disk(context, tally, *ws);
    const std::size_t offset = Uniform(context.rng, 0, kinds.size() - 1);
    const int firstDialect = static_cast<int>(Uniform(context.rng, 1, 2));
    for (int round = 1; round <= context.kills; ++round) {
        const RoundKind& kind = *kinds[(offset + static_cast<std::size_t>(round)) % kinds.size()];
        ++tally.rounds;
        const bool held = disk.Round(round, kind, RoundDialect(firstDialect, round - 1));
        context.progress("full-disk round " + std::to_string(round) + " (" + kind.name +
                         "): " + (held ? "held" : "VIOLATION"));
    }
}

} // namespace dialtally
