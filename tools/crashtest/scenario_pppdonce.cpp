// The run over a whole pppd syslog (dtallywr --once) killed at chosen moments while the syslog
// grows between runs: the ledger and the data file are one batch, so a run cut short takes back
// both and the next run delivers what it missed, once.

#include "crashtest/operation.h"
#include "crashtest/pppdrig.h"

#include <memory>

namespace dialtally {
namespace {

constexpr std::int64_t kSessions = 20000;
constexpr auto kUpdateTimeout = std::chrono::seconds(60);
const char* const kLanguages[] = {"en", "fi", "nl", "es", "it"};

class PppdOnceOperation : public KilledOperation {
public:
    PppdOnceOperation(const Tools& tools, Workspace ws, std::uint64_t seed)
        : m_tools(tools), m_ws(std::move(ws)), m_seed(seed)
    {
        m_writer = std::make_unique<PppdSyslogWriter>(m_ws.source, m_seed, kSessions);
    }

    std::string Name() const override { return "pppd-once"; }
    const Workspace& Folders() const override { return m_ws; }

    std::string BeginRound(int round, std::mt19937_64& rng) override
    {
        // The dialect stays for a round: the update reads what the runs of the round wrote.
        m_dialect = round % 2 == 0 ? 2 : 1;
        m_language = m_dialect == 1 ? "en" : kLanguages[Uniform(rng, 0, 4)];
        return m_dialect == 1 ? "Windows 95" : "Windows 98 " + m_language;
    }

    // A few more connections, whole, before each run.
    void Grow(std::mt19937_64& rng) override
    {
        m_writer->WritePiece(Uniform(rng, 10000, 60000));
        m_writer->WriteToQuietPoint();
    }

    ChildSpec Command() const override
    {
        return PppdOnceCommand(m_tools, m_ws, m_dialect, m_language, "once");
    }

    std::optional<std::string> Check() const override
    {
        const ChildSpec update = UpdateCommand(m_tools, m_ws, m_dialect, "update");
        const Finished run = RunToEnd(update, kUpdateTimeout);
        if (!run.error.empty())
            return run.error;
        if (run.hung || !run.end.exited || run.end.exitCode != 0)
            return "the update ended with " +
                   (run.hung ? std::string("a hang") : run.end.Describe()) + ": " +
                   Tail(update.stderrPath);
        return CheckPppdSessions(m_ws, m_writer->ConnectionsWritten());
    }

    void Reset() override
    {
        m_ws.Clear();
        m_writer = std::make_unique<PppdSyslogWriter>(m_ws.source, ++m_seed, kSessions);
    }

private:
    Tools m_tools;
    Workspace m_ws;
    std::uint64_t m_seed;
    std::unique_ptr<PppdSyslogWriter> m_writer;
    int m_dialect = 2;
    std::string m_language = "en";
};

} // namespace

void RunPppdOnceScenario(ScenarioContext& context, Tally& tally)
{
    std::string error;
    auto ws = Workspace::Create(context.scratch, &error);
    if (!ws) {
        tally.violations.push_back({0, error});
        return;
    }
    ws->source = context.scratch + "/adapter/syslog";
    PppdOnceOperation operation(context.tools, *ws, context.rng());
    DriveKilledOperation(operation, context, tally);
}

} // namespace dialtally
