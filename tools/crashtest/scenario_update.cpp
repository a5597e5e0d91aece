// The log update killed while the data file keeps growing: before each run a few MB of lines are
// appended, so that an update takes tens of milliseconds, and a thread appends small batches
// all the while.

#include "crashtest/feeders.h"
#include "crashtest/operation.h"

#include <memory>

namespace dialtally {
namespace {

// About 4 MB of lines: an update of them takes a few tens of milliseconds.
constexpr std::int64_t kSessionsPerRun = 1300;
constexpr std::size_t kBytesPerRun = 4 * 1024 * 1024;
// Runs per round: two to measure, up to six killed, one to complete, and what the thread adds.
constexpr std::int64_t kRunsPerRound = 12;

class UpdateOperation : public KilledOperation {
public:
    UpdateOperation(const Tools& tools, Workspace ws)
        : m_tools(tools), m_ws(std::move(ws)), m_feeder(m_ws.windows, m_model)
    {
    }

    std::string Name() const override { return "update"; }
    const Workspace& Folders() const override { return m_ws; }

    std::string BeginRound(int round, std::mt19937_64& rng) override
    {
        // The first round draws the dialect; they take turns after it.
        if (round == 0)
            m_firstDialect = static_cast<int>(Uniform(rng, 1, 2));
        const int dialect = RoundDialect(m_firstDialect, round);
        std::string error;
        auto lines =
            GenerateRound(RoundOptions(rng, dialect, kSessionsPerRun * kRunsPerRound), &error);
        if (!lines)
            throw std::runtime_error(error);
        m_feeder.SetLines(nullptr);
        m_lines = std::make_unique<RoundLines>(std::move(*lines));
        m_feeder.SetLines(m_lines.get());
        return RoundName(m_lines->options);
    }

    void Grow(std::mt19937_64& rng) override { m_feeder.Feed(kBytesPerRun, rng); }

    ChildSpec Command() const override
    {
        return UpdateCommand(m_tools, m_ws, m_lines->options.dialect);
    }

    void StartAlongside(std::uint64_t seed) override { m_feeder.StartThread(seed); }
    void StopAlongside() override { m_feeder.StopThread(); }

    std::optional<std::string> Check() const override { return CheckCompleted(m_ws, m_model); }

    void Reset() override
    {
        m_ws.Clear();
        m_model.Reset();
    }

private:
    Tools m_tools;
    Workspace m_ws;
    Model m_model;
    DataFeeder m_feeder;
    std::unique_ptr<RoundLines> m_lines;
    int m_firstDialect = 1;
};

} // namespace

void RunUpdateScenario(ScenarioContext& context, Tally& tally)
{
    std::string error;
    const auto ws = Workspace::Create(context.scratch, &error);
    if (!ws) {
        tally.violations.push_back({0, error});
        return;
    }
    UpdateOperation operation(context.tools, *ws);
    DriveKilledOperation(operation, context, tally);
}

} // namespace dialtally
