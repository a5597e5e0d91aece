// The companion logger following pppd's messages in a syslog that grows, killed at random
// moments (while running, early, at a chosen file change), updates beside it, half of them killed.
// At the end of each round the syslog is written on to a line after which no connection is under
// way, the logger is stopped with SIGTERM, now and then a run over the whole syslog (--once,
// sometimes killed first) must find nothing new, an update runs, and every connection written so
// far must be in the session log exactly once, with its times and bytes.

#include "crashtest/pppdrig.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <thread>

namespace dialtally {
namespace {

// About ten months of connections: the rounds take a little of them each.
constexpr std::int64_t kSessions = 20000;
constexpr int kMaxKillsPerRound = 6;
constexpr auto kTracedCap = std::chrono::milliseconds(400);
constexpr auto kStopWait = std::chrono::seconds(30);
constexpr auto kRunTimeout = std::chrono::seconds(60);
constexpr auto kHandlerWait = std::chrono::seconds(5);

const char* const kLanguages[] = {"en", "fi", "nl", "es", "it"};

// Whether the process has its own handler for the signal yet ("SigCgt" in its status).
bool Catches(pid_t pid, int signal)
{
    const std::string status = ReadFile("/proc/" + std::to_string(pid) + "/status");
    const std::size_t at = status.find("SigCgt:");
    if (at == std::string::npos)
        return false;
    const unsigned long long mask = std::strtoull(status.c_str() + at + 7, nullptr, 16);
    return (mask >> (signal - 1)) & 1;
}

void SleepInterruptibly(Clock::duration duration, const std::atomic<bool>& stop)
{
    const auto end = Clock::now() + duration;
    while (!stop && Clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

class PppdRound {
public:
    PppdRound(ScenarioContext& context, Tally& tally, const Workspace& ws, int number)
        : m_context(context), m_tally(tally), m_ws(ws), m_number(number)
    {
        m_dialect = static_cast<int>(Uniform(context.rng, 1, 2));
        m_language = m_dialect == 1 ? "en" : kLanguages[Uniform(context.rng, 0, 4)];
    }

    std::string Name() const
    {
        return std::string(m_dialect == 1 ? "Windows 95" : "Windows 98 ") +
               (m_dialect == 1 ? "" : m_language);
    }

    ChildSpec NextLogger()
    {
        return PppdLoggerCommand(m_context.tools, m_ws, m_dialect, m_language,
                                 "pppd-logger-" + std::to_string(++m_starts));
    }
    ChildSpec Once(const std::string& name) const
    {
        return PppdOnceCommand(m_context.tools, m_ws, m_dialect, m_language, name);
    }
    ChildSpec Update(const std::string& name) const
    {
        return UpdateCommand(m_context.tools, m_ws, m_dialect, name);
    }

    bool StartLogger()
    {
        std::string error;
        if (m_logger.Start(NextLogger(), &error))
            return true;
        Violation(error);
        return false;
    }

    // One kill of the logger: the running one after a while, or a new one, killed early, after a
    // while, or at a chosen file change. False when the logger had ended by itself.
    bool KillLogger()
    {
        std::mt19937_64& rng = m_context.rng;
        if (!m_logger.Running() && m_context.tracing && Chance(rng, 0.4)) {
            const int change = static_cast<int>(Uniform(rng, 1, 24));
            const TracedRun run = RunTraced(NextLogger(), change, Clock::now() + kTracedCap);
            if (!run.started)
                return Violation(run.error);
            if (!run.end.KilledBySigkill())
                return EndedByItself(run.end);
            m_tally.CountKill(run.changes >= change ? "pppd logger/at a file change"
                                                    : "pppd logger/at the time cap (traced)",
                              true);
            return true;
        }
        std::string kind = "while running";
        if (!m_logger.Running()) {
            if (!StartLogger())
                return false;
            if (Chance(rng, 0.3))
                kind = "early";
        }
        const auto after = kind == "early" ? Microseconds(Uniform(rng, 0, 5000))
                                           : Microseconds(Uniform(rng, 5000, 150000));
        if (m_logger.WaitUntil(m_logger.Started() + after))
            return EndedByItself(m_logger.End());
        m_tally.CountKill("pppd logger/" + kind, m_logger.Kill().KilledBySigkill());
        CountTornData(m_ws, m_tally);
        return true;
    }

    // The logger is stopped as the logging control stops it; it must end with status 0.
    std::optional<std::string> StopLogger()
    {
        if (!m_logger.Running() && !StartLogger())
            return "the logger could not be started";
        std::this_thread::sleep_for(std::chrono::milliseconds(Uniform(m_context.rng, 0, 50)));
        const auto ready = Clock::now() + kHandlerWait;
        while (m_logger.Running() && !Catches(m_logger.Pid(), SIGTERM) && Clock::now() < ready)
            m_logger.WaitUntil(Clock::now() + std::chrono::milliseconds(1));
        m_logger.Signal(SIGTERM);
        if (!m_logger.WaitUntil(Clock::now() + kStopWait)) {
            m_logger.Kill();
            return "the logger did not end within 30 s of SIGTERM";
        }
        if (!m_logger.End().exited || m_logger.End().exitCode != 0)
            return "the logger ended with " + m_logger.End().Describe() + " on SIGTERM: " +
                   Tail(m_ws.OutFile("pppd-logger-" + std::to_string(m_starts) + ".err"));
        return std::nullopt;
    }

    // A run over the whole syslog after the logger delivered everything: it may be killed, and
    // the run that completes must find every connection delivered before.
    std::optional<std::string> ReadOnce()
    {
        std::mt19937_64& rng = m_context.rng;
        if (Chance(rng, 0.5)) {
            const KillPlan plan = PlanKill(rng, m_onceCalibration, m_context.tracing);
            const KillOutcome outcome = RunAndKill(Once("once-killed"), plan, {m_ws.windows});
            if (outcome.started)
                m_tally.CountKill(std::string("pppd --once/") + TimingName(plan.timing),
                                  outcome.MidOperation());
        }
        const ChildSpec once = Once("once");
        const Finished run = RunMeasured(once, m_context.tracing, m_onceCalibration);
        if (!run.error.empty())
            return run.error;
        if (run.hung || !run.end.exited || run.end.exitCode != 0)
            return "the run over the whole syslog ended with " +
                   (run.hung ? std::string("a hang") : run.end.Describe()) + ": " +
                   Tail(once.stderrPath);
        const std::string said = ReadFile(once.stdoutPath);
        if (said.find(" 0 connections delivered") == std::string::npos)
            return "the run over the whole syslog found connections the logger had not "
                   "delivered: " +
                   said;
        return std::nullopt;
    }

    std::optional<std::string> Update()
    {
        const ChildSpec update = Update("update");
        const Finished run = RunToEnd(update, kRunTimeout);
        if (!run.error.empty())
            return run.error;
        if (run.hung || !run.end.exited || run.end.exitCode != 0)
            return "the update ended with " +
                   (run.hung ? std::string("a hang") : run.end.Describe()) + ": " +
                   Tail(update.stderrPath);
        return std::nullopt;
    }

    bool LoggerRunning() const { return m_logger.Running(); }

private:
    bool Violation(const std::string& what)
    {
        m_tally.violations.push_back({m_number, what});
        return false;
    }

    bool EndedByItself(const ChildEnd& end)
    {
        return Violation("the logger ended by itself with " + end.Describe() + "; its errors: " +
                         Tail(m_ws.OutFile("pppd-logger-" + std::to_string(m_starts) + ".err")));
    }

    ScenarioContext& m_context;
    Tally& m_tally;
    const Workspace& m_ws;
    int m_number;
    int m_dialect = 2;
    std::string m_language = "en";
    Child m_logger;
    int m_starts = 0;
    Calibration m_onceCalibration;
};

// Updates now and then beside the logger, half of them killed, from a thread, counting on their
// own.
class Updater {
public:
    ~Updater() { Stop(); }

    void Start(const ChildSpec& update, const Workspace& ws, std::uint64_t seed, bool tracing)
    {
        m_stop = false;
        m_thread = std::thread([this, update, &ws, seed, tracing] {
            std::mt19937_64 rng(seed);
            Calibration calibration;
            for (;;) {
                SleepInterruptibly(std::chrono::milliseconds(Uniform(rng, 2, 20)), m_stop);
                if (m_stop)
                    return;
                if (Chance(rng, 0.5)) {
                    const KillPlan plan = PlanKill(rng, calibration, tracing);
                    const KillOutcome outcome = RunAndKill(update, plan);
                    m_tally.CountKill(std::string("update beside the pppd logger/") +
                                          TimingName(plan.timing),
                                      outcome.MidOperation());
                    CountLeftovers(ws, m_tally);
                    continue;
                }
                const Finished run = RunMeasured(update, tracing, calibration);
                if (!run.end.exited || run.end.exitCode != 0)
                    m_tally.notes.push_back("an update beside the pppd logger ended with " +
                                            run.end.Describe() + ": " + Tail(update.stderrPath));
            }
        });
    }

    Tally Stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        Tally counted = m_tally;
        m_tally = Tally();
        return counted;
    }

private:
    Tally m_tally;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace

void RunPppdLoggerScenario(ScenarioContext& context, Tally& tally)
{
    std::string error;
    auto ws = Workspace::Create(context.scratch, &error);
    if (!ws) {
        tally.violations.push_back({0, error});
        return;
    }
    ws->source = context.scratch + "/adapter/syslog";
    PppdSyslogWriter writer(ws->source, context.rng(), kSessions);
    int killsLeft = context.kills;
    for (int number = 1; killsLeft > 0; ++number) {
        if (writer.Exhausted()) {
            tally.notes.push_back("the generated syslog was used up after " +
                                  std::to_string(number - 1) + " rounds");
            break;
        }
        PppdRound round(context, tally, *ws, number);
        ++tally.rounds;
        if (!round.StartLogger())
            return;
        writer.StartThread(context.rng());
        Updater updater;
        updater.Start(round.Update("updater"), *ws, context.rng(), context.tracing);
        const int kills =
            std::min<int>(killsLeft, static_cast<int>(Uniform(context.rng, 2, kMaxKillsPerRound)));
        const KillCount before = tally.Total();
        for (int i = 0; i < kills; ++i) {
            if (!round.KillLogger())
                break;
            // Lines written while no logger runs must not be lost either.
            std::this_thread::sleep_for(std::chrono::milliseconds(Uniform(context.rng, 0, 30)));
        }
        const KillCount made = tally.Total();
        tally.Add(updater.Stop());
        killsLeft -= kills;

        writer.StopThread();
        std::optional<std::string> problem;
        if (!writer.WriteToQuietPoint())
            problem = "the syslog could not be written: " + writer.LastError();
        if (!problem)
            problem = round.StopLogger();
        if (!problem && Chance(context.rng, 0.5))
            problem = round.ReadOnce();
        if (!problem)
            problem = round.Update();
        if (!problem)
            problem = CheckPppdSessions(*ws, writer.ConnectionsWritten());
        ++tally.checks;
        if (problem)
            tally.violations.push_back({number, "at the check after the kills: " + *problem});
        context.progress("pppd round " + std::to_string(number) + " (" + round.Name() +
                         "): " + std::to_string(made.kills - before.kills) + " logger kills, " +
                         std::to_string(writer.ConnectionsWritten().size()) +
                         " connections written so far" + (problem ? "; VIOLATION" : ""));
        if (problem)
            return;
    }
}

} // namespace dialtally
