// The import of an old log ("Dtally.log", the previous version's text log) killed at any moment,
// while updates run beside it: every run that finds no old log left gets a new one, made from
// generated Windows 95 adapter lines, so that each old log is imported exactly once. An import
// puts the converted records before the session log and an update appends after it, so the log
// after the round must be the converted records of the old logs, the last one first, then the
// log the round started with, then every line the feeder delivered.

#include "crashtest/feeders.h"
#include "crashtest/operation.h"

#include <QFile>
#include <atomic>
#include <cstring>
#include <fstream>
#include <memory>
#include <thread>

namespace dialtally {
namespace {

// About 1 MB of old log: an import of it takes a few tens of milliseconds.
constexpr std::int64_t kSessionsPerOldLog = 300;
// Old logs a round may need: two to measure, up to six killed runs, one to complete.
constexpr std::int64_t kOldLogsPerRound = 10;
// The feeder's lines, appended in small batches all the while.
constexpr std::int64_t kFeederSessions = 600;
constexpr std::size_t kRecord = 14;

// The value the import reads from a message: its last run of decimal digits, 0 when there is
// none or it does not fit 32 bits. Written here again, so that the check does not lean on the
// program's own reading.
std::int32_t LastDecimalNumber(std::string_view text)
{
    std::size_t end = text.size();
    while (end > 0 && (text[end - 1] < '0' || text[end - 1] > '9'))
        --end;
    std::size_t begin = end;
    while (begin > 0 && text[begin - 1] >= '0' && text[begin - 1] <= '9')
        --begin;
    std::int64_t value = 0;
    for (std::size_t i = begin; i < end; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT32_MAX)
            return 0;
    }
    return static_cast<std::int32_t>(value);
}

// One old log: its text and the records its import must give.
struct OldLog {
    std::string text;
    std::string records;
};

// Lines first..first+count of the round as an old log: "#YYYY-MM-DD hh:mm:ss#,"message"" with
// CR LF, and now and then a line without a date, which the import skips.
OldLog MakeOldLog(const RoundLines& lines, std::size_t first, std::size_t count)
{
    OldLog old;
    for (std::size_t i = first; i < first + count && i < lines.Count(); ++i) {
        const std::string_view line = lines.Line(i);
        // "MM-DD-YYYY hh:mm:ss.cc - message"
        old.text += '#';
        old.text.append(line.substr(6, 4)).append("-").append(line.substr(0, 2));
        old.text.append("-").append(line.substr(3, 2)).append(" ").append(line.substr(11, 8));
        const std::string_view message = line.substr(25);
        old.text.append("#,\"").append(message).append("\"\r\n");
        if (i % 97 == 0)
            old.text += "no date here,\"Bytes Received 1\"\r\n";
        if (lines.index[i] < 0)
            continue;
        std::string record =
            lines.records.substr(static_cast<std::size_t>(lines.index[i]) * kRecord, kRecord);
        // Every value, the addresses' too, is read by the decimal rule.
        const std::int32_t value = LastDecimalNumber(message);
        std::memcpy(record.data() + 10, &value, 4);
        old.records += record;
    }
    return old;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

class ImportOperation : public KilledOperation {
public:
    ImportOperation(const Tools& tools, Workspace ws)
        : m_tools(tools), m_ws(std::move(ws)), m_feeder(m_ws.windows, m_updates)
    {
    }
    ~ImportOperation() override { StopAlongside(); }

    std::string Name() const override { return "import"; }
    const Workspace& Folders() const override { return m_ws; }

    std::string BeginRound(int, std::mt19937_64& rng) override
    {
        Reset();
        std::string error;
        auto lines =
            GenerateRound(RoundOptions(rng, 1, kSessionsPerOldLog * kOldLogsPerRound), &error);
        auto fed = GenerateRound(RoundOptions(rng, 1, kFeederSessions), &error);
        if (!lines || !fed)
            throw std::runtime_error(error);
        m_feeder.SetLines(nullptr);
        m_lines = std::make_unique<RoundLines>(std::move(*lines));
        m_fed = std::make_unique<RoundLines>(std::move(*fed));
        m_feeder.SetLines(m_fed.get());
        // The log the round starts with: the records of the first old log's worth of lines.
        m_linesPerOldLog = m_lines->Count() / (kOldLogsPerRound + 1);
        m_start = MakeOldLog(*m_lines, 0, m_linesPerOldLog).records;
        m_next = m_linesPerOldLog;
        WriteWholeFile(m_ws.SessionLog(), m_start);
        return "old logs of " + std::to_string(m_linesPerOldLog) + " lines, " +
               RoundName(m_lines->options);
    }

    // A new old log once the last one is gone, which it is only when it was imported.
    void Grow(std::mt19937_64&) override
    {
        if (FileExists(OldLogPath()))
            return;
        OldLog old = MakeOldLog(*m_lines, m_next, m_linesPerOldLog);
        m_next += m_linesPerOldLog;
        WriteWholeFile(OldLogPath(), old.text);
        m_oldLogs.push_back(std::move(old));
    }

    ChildSpec Command() const override
    {
        ChildSpec spec = UpdateCommand(m_tools, m_ws, 1, "import");
        spec.arguments = {"--program-dir", m_ws.program, "--windows-dir",
                          m_ws.windows,    "import-old", "--yes"};
        return spec;
    }

    // Batches of lines in the data file and updates that move them into the log, all the while.
    void StartAlongside(std::uint64_t seed) override
    {
        m_feeder.StartThread(seed);
        m_stopUpdates = false;
        m_updater = std::thread([this] {
            while (!m_stopUpdates) {
                RunToEnd(UpdateCommand(m_tools, m_ws, 1, "alongside"), std::chrono::seconds(60));
                std::this_thread::sleep_for(std::chrono::milliseconds(3));
            }
        });
    }

    void StopAlongside() override
    {
        m_feeder.StopThread();
        m_stopUpdates = true;
        if (m_updater.joinable())
            m_updater.join();
    }

    std::optional<std::string> Check() const override
    {
        // What the feeder delivered and no update took yet goes in first.
        const Finished update =
            RunToEnd(UpdateCommand(m_tools, m_ws, 1, "final-update"), std::chrono::seconds(60));
        if (!update.end.exited || update.end.exitCode != 0)
            return "the update after the import ended with " + update.end.Describe() + ": " +
                   Tail(m_ws.OutFile("final-update.err"));
        std::string problems;
        const auto problem = [&problems](const std::string& text) {
            problems += (problems.empty() ? "" : "; ") + text;
        };
        for (const char* name : {"/TempLog.log", "/TempLog.jnl", "/Dtally.log"}) {
            if (FileExists(m_ws.program + name))
                problem(std::string("\"") + (name + 1) + "\" is left after a completed import");
        }
        if (!m_oldLogs.empty() && ReadFile(m_ws.program + "/OldLog.log") != m_oldLogs.back().text)
            problem("\"OldLog.log\" is not the last old log");
        std::string expected;
        for (auto old = m_oldLogs.rbegin(); old != m_oldLogs.rend(); ++old)
            expected += old->records;
        expected += m_start + m_updates.Expected();
        if (const auto difference = DescribeLogDifference(ReadFile(m_ws.SessionLog()), expected))
            problem(*difference);
        if (problems.empty())
            return std::nullopt;
        return problems;
    }

    void Reset() override
    {
        StopAlongside();
        m_ws.Clear();
        m_updates.Reset();
        m_oldLogs.clear();
        m_start.clear();
    }

private:
    std::string OldLogPath() const { return m_ws.program + "/Dtally.log"; }

    Tools m_tools;
    Workspace m_ws;
    Model m_updates;
    DataFeeder m_feeder;
    std::unique_ptr<RoundLines> m_lines;
    std::unique_ptr<RoundLines> m_fed;
    std::size_t m_linesPerOldLog = 0;
    std::size_t m_next = 0;
    std::string m_start;
    std::vector<OldLog> m_oldLogs;
    std::atomic<bool> m_stopUpdates{false};
    std::thread m_updater;
};

} // namespace

void RunImportScenario(ScenarioContext& context, Tally& tally)
{
    std::string error;
    const auto ws = Workspace::Create(context.scratch, &error);
    if (!ws) {
        tally.violations.push_back({0, error});
        return;
    }
    ImportOperation operation(context.tools, *ws);
    DriveKilledOperation(operation, context, tally);
}

} // namespace dialtally
