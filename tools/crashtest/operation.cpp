#include "crashtest/operation.h"

namespace dialtally {
namespace {

constexpr auto kRunTimeout = std::chrono::seconds(60);
constexpr int kMaxKillsPerRound = 6;

// A run to completion must end with exit status 0 and leave the invariant holding.
std::optional<std::string> CompleteAndCheck(KilledOperation& operation, const Finished& run)
{
    const std::string err = operation.Command().stderrPath;
    if (!run.error.empty())
        return run.error;
    if (run.hung)
        return operation.Name() + " did not end within a minute; its errors: " + Tail(err);
    if (!run.end.exited || run.end.exitCode != 0)
        return operation.Name() + " ended with " + run.end.Describe() + ": " + Tail(err);
    return operation.Check();
}

class Round {
public:
    Round(KilledOperation& operation, ScenarioContext& context, Tally& tally, int number)
        : m_operation(operation), m_context(context), m_tally(tally), m_number(number)
    {
    }

    // Two uninterrupted runs, each on fresh input and each checked.
    bool Calibrate(Calibration& calibration)
    {
        if (m_context.tracing) {
            m_operation.Grow(m_context.rng);
            const TracedRun traced =
                RunTraced(m_operation.Command(), 0, Clock::now() + kRunTimeout);
            Finished run;
            run.end = traced.end;
            run.error = traced.error;
            if (!Checked("the traced uninterrupted run", CompleteAndCheck(m_operation, run)))
                return false;
            calibration.changes = traced.changes;
            calibration.firstChange = traced.firstChange;
            m_tracedDuration = traced.duration;
        }
        m_operation.Grow(m_context.rng);
        const Finished run = RunToEnd(m_operation.Command(), kRunTimeout);
        if (!Checked("the uninterrupted run", CompleteAndCheck(m_operation, run)))
            return false;
        calibration.duration = run.duration;
        if (m_context.tracing && m_tracedDuration.count() > 0)
            calibration.firstChange =
                calibration.firstChange * run.duration.count() / m_tracedDuration.count();
        return true;
    }

    void Kill(const Calibration& calibration)
    {
        m_operation.Grow(m_context.rng);
        const KillPlan plan = PlanKill(m_context.rng, calibration, m_context.tracing);
        const Workspace& ws = m_operation.Folders();
        const KillOutcome outcome =
            RunAndKill(m_operation.Command(), plan, {ws.program, ws.windows});
        if (!outcome.started) {
            m_tally.notes.push_back(outcome.error);
            return;
        }
        m_tally.CountKill(m_operation.Name() + "/" + TimingName(plan.timing),
                          outcome.MidOperation());
        m_midOperation += outcome.MidOperation() ? 1 : 0;
        ++m_kills;
        CountLeftovers(m_operation.Folders(), m_tally);
    }

    bool Complete()
    {
        const Finished run = RunToEnd(m_operation.Command(), kRunTimeout);
        return Checked("the run to completion after the kills", CompleteAndCheck(m_operation, run));
    }

    int Kills() const { return m_kills; }
    int MidOperation() const { return m_midOperation; }

private:
    bool Checked(const std::string& which, const std::optional<std::string>& problem)
    {
        ++m_tally.checks;
        if (!problem)
            return true;
        m_tally.violations.push_back({m_number, which + ": " + *problem});
        return false;
    }

    KilledOperation& m_operation;
    ScenarioContext& m_context;
    Tally& m_tally;
    int m_number;
    Clock::duration m_tracedDuration{};
    int m_kills = 0;
    int m_midOperation = 0;
};

} // namespace

constexpr std::int64_t kMaxLogBytes = 64 * 1024 * 1024;

void DriveKilledOperation(KilledOperation& operation, ScenarioContext& context, Tally& tally)
{
    int killsLeft = context.kills;
    for (int number = 1; killsLeft > 0; ++number) {
        const std::string name = operation.BeginRound(number - 1, context.rng);
        ++tally.rounds;
        Round round(operation, context, tally, number);
        Calibration calibration;
        const bool calibrated = round.Calibrate(calibration);
        const int kills =
            std::min<int>(killsLeft, static_cast<int>(Uniform(context.rng, 2, kMaxKillsPerRound)));
        bool held = calibrated;
        if (calibrated) {
            operation.StartAlongside(context.rng());
            for (int i = 0; i < kills; ++i)
                round.Kill(calibration);
            operation.StopAlongside();
            held = round.Complete();
        }
        // A round that could not measure still uses up its kills, so that a broken operation
        // cannot keep the test going for ever.
        killsLeft -= kills;
        std::string line = operation.Name() + " round " + std::to_string(number) + " (" + name +
                           "): " + std::to_string(round.Kills()) + " kills, " +
                           std::to_string(round.MidOperation()) + " mid-operation; uninterrupted " +
                           Milliseconds(calibration.duration);
        if (calibration.changes > 0)
            line += ", " + std::to_string(calibration.changes) + " file changes";
        context.progress(line + (held ? "" : "; VIOLATION"));
        // After a violation the next round stands on its own; and a session log that has grown
        // large starts afresh, so that rounds stay quick and each check reads little.
        if (!held || FileSize(operation.Folders().SessionLog()) > kMaxLogBytes)
            operation.Reset();
    }
}

} // namespace dialtally
