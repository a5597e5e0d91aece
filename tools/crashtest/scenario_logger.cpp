// The companion logger killed while a writer appends to the adapter's log in small pieces and
// updates run now and then (half of them killed too). At the end of each round the logger is
// stopped gracefully, an update runs, and every line written must be in the session log once.

#include "crashtest/loggerrig.h"

#include <atomic>
#include <thread>

namespace dialtally {
namespace {

// About 1.8 MB of lines, more than the writer gets through in a round.
constexpr std::int64_t kSessionsPerRound = 600;
constexpr int kMaxKillsPerRound = 6;
// A traced logger that does not reach its planned file change is killed at this age.
constexpr auto kTracedCap = std::chrono::milliseconds(400);

void SleepInterruptibly(Clock::duration duration, const std::atomic<bool>& stop)
{
    const auto end = Clock::now() + duration;
    while (!stop && Clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Updates now and then beside the logger, half of them killed, from a thread, counting on their
// own.
class Updater {
public:
    explicit Updater(LoggerRig& rig) : m_rig(rig) {}
    ~Updater() { Stop(); }

    void Start(std::uint64_t seed, bool tracing)
    {
        m_stop = false;
        m_thread = std::thread([this, seed, tracing] { Loop(seed, tracing); });
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
    void Loop(std::uint64_t seed, bool tracing)
    {
        std::mt19937_64 rng(seed);
        // The updates that are not killed measure the update for those that are.
        Calibration calibration;
        for (;;) {
            SleepInterruptibly(std::chrono::milliseconds(Uniform(rng, 2, 20)), m_stop);
            if (m_stop)
                return;
            const ChildSpec update = m_rig.UpdateSpec("updater");
            if (Chance(rng, 0.5)) {
                const KillPlan plan = PlanKill(rng, calibration, tracing);
                const KillOutcome outcome = RunAndKill(update, plan);
                m_tally.CountKill(std::string("update beside the logger/") +
                                      TimingName(plan.timing),
                                  outcome.MidOperation());
                CountLeftovers(m_rig.Folders(), m_tally);
                continue;
            }
            const Finished run = RunMeasured(update, tracing, calibration);
            if (!run.end.exited || run.end.exitCode != 0)
                m_tally.notes.push_back("an update beside the logger ended with " +
                                        run.end.Describe() + ": " + Tail(update.stderrPath));
        }
    }

    LoggerRig& m_rig;
    Tally m_tally;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

class LoggerKills {
public:
    LoggerKills(LoggerRig& rig, ScenarioContext& context, Tally& tally)
        : m_rig(rig), m_context(context), m_tally(tally)
    {
    }

    // One kill of the logger: the running one after a while, or a new one, killed early, after a
    // while, or at a chosen file change. False when the logger had ended by itself.
    bool KillOnce(int round)
    {
        std::mt19937_64& rng = m_context.rng;
        if (!m_rig.Logger().Running() && m_context.tracing && Chance(rng, 0.4))
            return KillTraced(round, static_cast<int>(Uniform(rng, 1, 24)));
        std::string kind = "while running";
        if (!m_rig.Logger().Running()) {
            std::string error;
            if (!m_rig.Start(&error)) {
                m_tally.violations.push_back({round, error});
                return false;
            }
            if (Chance(rng, 0.3))
                kind = "early";
        }
        const auto after = kind == "early" ? Microseconds(Uniform(rng, 0, 5000))
                                           : Microseconds(Uniform(rng, 5000, 150000));
        Child& logger = m_rig.Logger();
        if (logger.WaitUntil(logger.Started() + after))
            return EndedByItself(round, logger.End());
        m_tally.CountKill("logger/" + kind, logger.Kill().KilledBySigkill());
        CountTornData(m_rig.Folders(), m_tally);
        return true;
    }

private:
    bool KillTraced(int round, int change)
    {
        const TracedRun run = RunTraced(m_rig.NextLoggerSpec(), change, Clock::now() + kTracedCap);
        m_rig.MarkStarted();
        if (!run.started) {
            m_tally.violations.push_back({round, run.error});
            return false;
        }
        if (!run.end.KilledBySigkill())
            return EndedByItself(round, run.end);
        m_tally.CountKill(run.changes >= change ? "logger/at a file change"
                                                : "logger/at the time cap (traced)",
                          true);
        CountTornData(m_rig.Folders(), m_tally);
        return true;
    }

    bool EndedByItself(int round, const ChildEnd& end)
    {
        m_tally.violations.push_back({round, "the logger ended by itself with " + end.Describe() +
                                                 "; its errors: " + Tail(m_rig.LoggerErrors())});
        return false;
    }

    LoggerRig& m_rig;
    ScenarioContext& m_context;
    Tally& m_tally;
};

} // namespace

void RunLoggerScenario(ScenarioContext& context, Tally& tally)
{
    std::string error;
    const auto ws = Workspace::Create(context.scratch, &error);
    if (!ws) {
        tally.violations.push_back({0, error});
        return;
    }
    Model model;
    LoggerRig rig(context.tools, *ws, model);
    LoggerKills killer(rig, context, tally);
    const int firstDialect = static_cast<int>(Uniform(context.rng, 1, 2));
    int killsLeft = context.kills;
    for (int round = 1; killsLeft > 0; ++round) {
        rig.BeginRound(context.rng, RoundDialect(firstDialect, round - 1), kSessionsPerRound);
        ++tally.rounds;
        if (!rig.Start(&error)) {
            tally.violations.push_back({round, error});
            return;
        }
        rig.Writer().StartThread(context.rng());
        Updater updater(rig);
        updater.Start(context.rng(), context.tracing);
        const int kills =
            std::min<int>(killsLeft, static_cast<int>(Uniform(context.rng, 2, kMaxKillsPerRound)));
        const KillCount before = tally.Total();
        for (int i = 0; i < kills; ++i) {
            if (!killer.KillOnce(round))
                break;
            // Lines written while no logger runs must not be lost either.
            std::this_thread::sleep_for(std::chrono::milliseconds(Uniform(context.rng, 0, 30)));
        }
        const KillCount made = tally.Total();
        const Tally beside = updater.Stop();
        tally.Add(beside);
        killsLeft -= kills;
        const auto problem = rig.Checkpoint(context.rng);
        ++tally.checks;
        if (problem)
            tally.violations.push_back({round, "at the check after the kills: " + *problem});
        const KillCount updates = beside.Total();
        context.progress("logger round " + std::to_string(round) + " (" + rig.RoundName() +
                         "): " + std::to_string(made.kills - before.kills) + " logger kills, " +
                         std::to_string(updates.kills) + " update kills, " +
                         std::to_string(rig.Writer().LinesWritten()) + " lines written so far" +
                         (problem ? "; VIOLATION" : ""));
        if (problem)
            rig.Reset();
    }
}

} // namespace dialtally
