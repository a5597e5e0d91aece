#include "crashtest/crashtest.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <fstream>
#include <sstream>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dialtally {
namespace {

constexpr std::size_t kRecord = 14;
constexpr auto kMeasuredRunTimeout = std::chrono::seconds(60);

bool MakeFolder(const std::string& path, std::string* error)
{
    if (QDir().mkpath(QFile::decodeName(path.c_str())))
        return true;
    if (error)
        *error = "cannot create the folder \"" + path + "\"";
    return false;
}

void EmptyFolder(const std::string& path)
{
    QDir dir(QFile::decodeName(path.c_str()));
    for (const QString& name :
         dir.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        dir.remove(name);
}

std::vector<std::pair<std::string, std::string>> ChildEnvironment(const Workspace& ws)
{
    return {{"DIALTALLY_RUNTIME_DIR", ws.run},
            {"XDG_CONFIG_HOME", ws.root + "/config"},
            {"XDG_DATA_HOME", ws.root + "/data"},
            {"LC_ALL", "C.UTF-8"},
            {"QT_QPA_PLATFORM", "offscreen"}};
}

} // namespace

std::optional<Workspace> Workspace::Create(const std::string& root, std::string* error)
{
    Workspace ws;
    ws.root = root;
    ws.program = root + "/program";
    ws.windows = root + "/windows";
    ws.run = root + "/run";
    ws.source = root + "/adapter/PPPLOG.TXT";
    ws.out = root + "/out";
    for (const std::string& folder : {ws.program, ws.windows, ws.run, root + "/adapter", ws.out}) {
        if (!MakeFolder(folder, error))
            return std::nullopt;
    }
    ::chmod(ws.run.c_str(), 0700);
    return ws;
}

void Workspace::Clear() const
{
    EmptyFolder(program);
    EmptyFolder(windows);
    EmptyFolder(run);
    std::remove(source.c_str());
}

ChildSpec UpdateCommand(const Tools& tools, const Workspace& ws, int dialect,
                        const std::string& outName)
{
    ChildSpec spec;
    spec.program = tools.cli;
    spec.arguments = {"--program-dir", ws.program, "--windows-dir", ws.windows, "update"};
    spec.environment = ChildEnvironment(ws);
    spec.environment.emplace_back("DIALTALLY_SYSTEM", dialect == 1 ? "95" : "98");
    spec.stdoutPath = ws.OutFile(outName + ".out");
    spec.stderrPath = ws.OutFile(outName + ".err");
    return spec;
}

ChildSpec LoggerCommand(const Tools& tools, const Workspace& ws, const std::string& outName)
{
    ChildSpec spec;
    spec.program = tools.logger;
    spec.arguments = {"--windows-dir", ws.windows, "--source", ws.source, "--poll-ms", "5"};
    spec.environment = ChildEnvironment(ws);
    spec.stdoutPath = ws.OutFile(outName + ".out");
    spec.stderrPath = ws.OutFile(outName + ".err");
    return spec;
}

void Tally::CountKill(const std::string& kind, bool midOperation)
{
    KillCount& count = kills[kind];
    ++count.kills;
    if (midOperation)
        ++count.midOperation;
}

void Tally::Add(const Tally& other)
{
    for (const auto& [kind, count] : other.kills) {
        kills[kind].kills += count.kills;
        kills[kind].midOperation += count.midOperation;
    }
    workFileSeen += other.workFileSeen;
    journalSeen += other.journalSeen;
    tornLogSeen += other.tornLogSeen;
    tornDataSeen += other.tornDataSeen;
    checks += other.checks;
    notes.insert(notes.end(), other.notes.begin(), other.notes.end());
    violations.insert(violations.end(), other.violations.begin(), other.violations.end());
}

KillCount Tally::Total() const
{
    KillCount total;
    for (const auto& [kind, count] : kills) {
        total.kills += count.kills;
        total.midOperation += count.midOperation;
    }
    return total;
}

std::uint64_t Uniform(std::mt19937_64& rng, std::uint64_t low, std::uint64_t high)
{
    return std::uniform_int_distribution<std::uint64_t>(low, high)(rng);
}

bool Chance(std::mt19937_64& rng, double probability)
{
    return std::uniform_real_distribution<double>(0.0, 1.0)(rng) < probability;
}

Clock::duration Microseconds(std::int64_t count)
{
    return std::chrono::duration_cast<Clock::duration>(std::chrono::microseconds(count));
}

std::string Milliseconds(Clock::duration duration)
{
    const double ms = std::chrono::duration<double, std::milli>(duration).count();
    char text[32];
    std::snprintf(text, sizeof text, "%.1f ms", ms);
    return text;
}

int RoundDialect(int firstDialect, int round)
{
    return (firstDialect - 1 + round) % 2 + 1;
}

GeneratorOptions RoundOptions(std::mt19937_64& rng, int dialect, std::int64_t sessions)
{
    static const AdapterLanguage kLanguages[] = {AdapterLanguage::English, AdapterLanguage::Finnish,
                                                 AdapterLanguage::Dutch, AdapterLanguage::Spanish,
                                                 AdapterLanguage::Italian};
    GeneratorOptions options;
    options.sessions = sessions;
    options.months = 2;
    options.startYear = static_cast<int>(Uniform(rng, 1997, 2030));
    options.startMonth = static_cast<int>(Uniform(rng, 1, 12));
    options.dialect = dialect;
    options.language = dialect == 1 ? AdapterLanguage::English : kLanguages[Uniform(rng, 0, 4)];
    options.seed = rng();
    return options;
}

std::string RoundName(const GeneratorOptions& options)
{
    static const char* const kNames[] = {"English", "Finnish", "Dutch", "Spanish", "Italian"};
    return std::string(options.dialect == 1 ? "Windows 95 " : "Windows 98 ") +
           kNames[static_cast<int>(options.language)];
}

bool FileExists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

std::int64_t FileSize(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::int64_t>(info.st_size) : -1;
}

namespace {

std::string SystemErrorText(const std::string& action, const std::string& path)
{
    return "cannot " + action + " " + path + ": " + std::strerror(errno);
}

} // namespace

std::string ReadFile(const std::string& path)
{
    // A file that cannot be read is the tool's failure, never an empty session log.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return {};
        throw std::runtime_error(SystemErrorText("open", path));
    }
    struct stat info;
    std::string bytes;
    if (::fstat(fd, &info) == 0 && info.st_size > 0)
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    char block[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const std::string why = SystemErrorText("read", path);
            ::close(fd);
            throw std::runtime_error(why);
        }
        if (n == 0)
            break;
        bytes.append(block, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return bytes;
}

std::string Tail(const std::string& path, std::size_t bytes)
{
    std::string text = ReadFile(path);
    if (text.size() > bytes)
        text = "..." + text.substr(text.size() - bytes);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text.empty() ? "(nothing)" : text;
}

void CountLeftovers(const Workspace& ws, Tally& tally)
{
    if (FileExists(ws.InWindows("Dtally.wrk")))
        ++tally.workFileSeen;
    if (FileExists(ws.InWindows("Dtally.jnl")))
        ++tally.journalSeen;
    const std::int64_t logSize = FileSize(ws.SessionLog());
    if (logSize > 0 && logSize % static_cast<std::int64_t>(kRecord) != 0)
        ++tally.tornLogSeen;
}

void CountTornData(const Workspace& ws, Tally& tally)
{
    const std::string data = ReadFile(ws.InWindows("Dtally.dat"));
    if (!data.empty() && (data.size() < 2 || data.compare(data.size() - 2, 2, "\r\n") != 0))
        ++tally.tornDataSeen;
}

std::optional<std::string> CheckCompleted(const Workspace& ws, const Model& model)
{
    std::string problems;
    for (const char* name : {"Dtally.wrk", "Dtally.jnl"}) {
        if (FileExists(ws.InWindows(name)))
            problems += std::string(problems.empty() ? "" : "; ") + "\"" + name +
                        "\" is left after a completed update";
    }
    if (const auto difference = DescribeLogDifference(ReadFile(ws.SessionLog()), model.Expected()))
        problems += (problems.empty() ? "" : "; ") + *difference;
    if (problems.empty())
        return std::nullopt;
    return problems;
}

Finished RunToEnd(const ChildSpec& spec, Clock::duration timeout)
{
    Finished finished;
    Child child;
    if (!child.Start(spec, &finished.error))
        return finished;
    if (!child.WaitUntil(Clock::now() + timeout)) {
        finished.hung = true;
        child.Kill();
    }
    finished.end = child.End();
    finished.duration = child.Duration();
    return finished;
}

Finished RunMeasured(const ChildSpec& spec, bool tracing, Calibration& calibration)
{
    if (!tracing) {
        const Finished run = RunToEnd(spec, kMeasuredRunTimeout);
        if (run.error.empty() && !run.hung)
            calibration.duration = run.duration;
        return run;
    }
    const TracedRun traced = RunTraced(spec, 0, Clock::now() + kMeasuredRunTimeout);
    Finished run;
    run.end = traced.end;
    run.error = traced.error;
    run.duration = traced.duration;
    run.hung = traced.started && traced.end.KilledBySigkill();
    if (traced.started && !run.hung) {
        calibration.duration = traced.duration;
        calibration.firstChange = traced.firstChange;
        calibration.changes = traced.changes;
    }
    return run;
}

const char* TimingName(KillTiming timing)
{
    switch (timing) {
    case KillTiming::Change:
        return "at a file change";
    case KillTiming::Early:
        return "early";
    case KillTiming::Spread:
        return "spread";
    case KillTiming::Late:
        return "late";
    }
    return "";
}

KillPlan PlanKill(std::mt19937_64& rng, const Calibration& calibration, bool tracing)
{
    KillPlan plan;
    const std::uint64_t draw = Uniform(rng, 0, 99);
    const bool byChange = tracing && calibration.changes > 0;
    const std::int64_t total =
        std::chrono::duration_cast<std::chrono::microseconds>(calibration.duration).count();
    if (byChange && draw < 35) {
        plan.timing = KillTiming::Change;
        plan.change =
            static_cast<int>(Uniform(rng, 1, static_cast<std::uint64_t>(calibration.changes)));
    } else if (draw < 55) {
        plan.timing = KillTiming::Early;
        plan.after = Microseconds(static_cast<std::int64_t>(Uniform(rng, 0, 2000)));
        plan.afterStart = calibration.firstChange + plan.after;
    } else if (draw < 80) {
        plan.timing = KillTiming::Spread;
        plan.after = Microseconds(
            static_cast<std::int64_t>(Uniform(rng, 0, static_cast<std::uint64_t>(total))));
    } else {
        plan.timing = KillTiming::Late;
        plan.after =
            Microseconds(total * static_cast<std::int64_t>(Uniform(rng, 850, 1000)) / 1000);
    }
    return plan;
}

namespace {

// Watches folders for the first entry that is created, renamed or deleted.
class EntryWatch {
public:
    explicit EntryWatch(const std::vector<std::string>& folders)
        : m_fd(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK))
    {
        for (const std::string& folder : folders) {
            if (m_fd >= 0)
                ::inotify_add_watch(m_fd, folder.c_str(),
                                    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO);
        }
    }
    ~EntryWatch()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool Works() const { return m_fd >= 0; }
    bool Changed()
    {
        alignas(inotify_event) char events[4096];
        return m_fd >= 0 && ::read(m_fd, events, sizeof events) > 0;
    }

private:
    int m_fd;
};

} // namespace

KillOutcome RunAndKill(const ChildSpec& spec, const KillPlan& plan,
                       const std::vector<std::string>& watch)
{
    KillOutcome outcome;
    if (plan.timing == KillTiming::Change) {
        const TracedRun run = RunTraced(spec, plan.change, Clock::now() + std::chrono::seconds(60));
        outcome.started = run.started;
        outcome.error = run.error;
        outcome.end = run.end;
        return outcome;
    }
    EntryWatch entries(plan.timing == KillTiming::Early ? watch : std::vector<std::string>());
    Child child;
    outcome.started = child.Start(spec, &outcome.error);
    if (!outcome.started)
        return outcome;
    if (plan.timing == KillTiming::Early && entries.Works() && !watch.empty()) {
        // The first change of an entry (the rename, the journal) starts the clock.
        const auto giveUp = Clock::now() + std::chrono::seconds(10);
        while (!entries.Changed() && Clock::now() < giveUp &&
               !child.WaitUntil(Clock::now() + std::chrono::microseconds(50))) {
        }
        child.WaitUntil(Clock::now() + plan.after);
    } else {
        child.WaitUntil(child.Started() +
                        (plan.timing == KillTiming::Early ? plan.afterStart : plan.after));
    }
    outcome.end = child.Kill();
    return outcome;
}

} // namespace dialtally
