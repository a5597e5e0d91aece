// The operations that replace the whole session log, killed while they do it: the deletion of a
// period (dialtally-cli delete) and the log editor's save (dialtally-crashtest-editsave, the
// editor's save without its window). Whenever one is killed the program folder must hold the old
// log or the new one, never neither and never a mixture; once the new log stands, "SesLog.bak"
// must be the old log, and while the old log stands, "SesLog.bak" is the older backup, gone, or
// the old log. A run to completion then finishes the replacement.

#include "crashtest/operation.h"
#include "log/maintenance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fstream>

namespace dialtally {
namespace {

// About 20 records a session: a log of some 12 MB, which a deletion rewrites in tens of ms.
constexpr std::int64_t kSessionsPerRound = 40000;

std::optional<std::string> ReadIfThere(const std::string& path)
{
    if (!FileExists(path))
        return std::nullopt;
    return ReadFile(path);
}

bool WriteWhole(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

std::string Describe(const std::optional<std::string>& bytes)
{
    return bytes ? std::to_string(bytes->size() / 14) + " records" : std::string("missing");
}

// A replacement of the session log seen from outside: each run gets an old log (a part of the
// round's log) and an older backup or none; Replaced() says what the log becomes.
class ReplacementOperation : public KilledOperation {
public:
    explicit ReplacementOperation(Workspace ws) : m_ws(std::move(ws)) {}

    const Workspace& Folders() const override { return m_ws; }

    std::string BeginRound(int, std::mt19937_64& rng) override
    {
        GeneratorOptions options =
            RoundOptions(rng, static_cast<int>(Uniform(rng, 1, 2)), kSessionsPerRound);
        options.format = OutputFormat::SesLog;
        m_base.clear();
        QString error;
        if (!GenerateLog(
                options,
                [this](std::string_view bytes) {
                    m_base.append(bytes);
                    return true;
                },
                &error))
            throw std::runtime_error(error.toStdString());
        m_prepared = false;
        return RoundName(options);
    }

    void Grow(std::mt19937_64& rng) override
    {
        CheckKilledState();
        const std::size_t records = m_base.size() / 14;
        m_old = m_base.substr(0, 14 * Uniform(rng, records * 3 / 4, records));
        m_olderBackup.reset();
        if (Chance(rng, 0.7))
            m_olderBackup = "an older backup " + std::to_string(rng());
        Prepare(rng);
        m_expected = Replaced(m_old);
        // Fresh files: a kill between the backup's link and the rename leaves the log and the
        // backup one file under two names, which writing in place would change both.
        std::remove(LogPath().c_str());
        std::remove(BackupPath().c_str());
        WriteWhole(LogPath(), m_old);
        if (m_olderBackup)
            WriteWhole(BackupPath(), *m_olderBackup);
        m_prepared = true;
    }

    // After a run to completion the log is replaced once: from the old log, or, when the last
    // kill came after the new log stood, once more from that one.
    std::optional<std::string> Check() const override
    {
        if (!m_problems.empty())
            return m_problems.front();
        const auto log = ReadIfThere(LogPath());
        const auto backup = ReadIfThere(BackupPath());
        if (log == m_expected && backup == m_old)
            return std::nullopt;
        if (log && log == Replaced(m_expected) && backup == m_expected)
            return std::nullopt;
        return "after the run to completion the log holds " + Describe(log) + " and the backup " +
               Describe(backup) + "; expected the new log of " + Describe(m_expected) +
               " with the old one of " + Describe(m_old) + " as the backup";
    }

    void Reset() override
    {
        m_ws.Clear();
        m_problems.clear();
        m_prepared = false;
    }

protected:
    // Sets up what the next run does with the old log.
    virtual void Prepare(std::mt19937_64& rng) = 0;
    // The log that a run makes of log.
    virtual std::string Replaced(const std::string& log) const = 0;

    std::string LogPath() const { return m_ws.program + "/SesLog.log"; }
    std::string BackupPath() const { return m_ws.program + "/SesLog.bak"; }
    const std::string& Old() const { return m_old; }

    Workspace m_ws;

private:
    // The state that the run before left, killed or not.
    void CheckKilledState()
    {
        if (!m_prepared)
            return;
        const auto log = ReadIfThere(LogPath());
        const auto backup = ReadIfThere(BackupPath());
        std::string problem;
        if (!log) {
            problem = "no SesLog.log";
        } else if (*log == m_old) {
            if (backup && backup != m_olderBackup && backup != m_old)
                problem = "the old log stands, but the backup holds " + Describe(backup);
        } else if (*log == m_expected) {
            if (backup != m_old)
                problem = "the new log stands, but the backup holds " + Describe(backup);
        } else {
            problem = "the log holds " + Describe(log) + ", neither the old " + Describe(m_old) +
                      " nor the new " + Describe(m_expected);
        }
        if (!problem.empty())
            m_problems.push_back("after a kill: " + problem);
    }

    std::string m_base;
    std::string m_old;
    std::optional<std::string> m_olderBackup;
    std::string m_expected;
    bool m_prepared = false;
    std::vector<std::string> m_problems;
};

// The deletion of the sessions FIRST..LAST, taken from the first half of the log so that a second
// deletion after a completed one still finds them.
class DeleteOperation : public ReplacementOperation {
public:
    DeleteOperation(const Tools& tools, Workspace ws)
        : ReplacementOperation(std::move(ws)), m_tools(tools)
    {
    }

    std::string Name() const override { return "delete"; }

    ChildSpec Command() const override
    {
        ChildSpec spec = UpdateCommand(m_tools, m_ws, 2, "delete");
        spec.arguments = {"--program-dir",
                          m_ws.program,
                          "--windows-dir",
                          m_ws.windows,
                          "delete",
                          "--sessions",
                          std::to_string(m_first) + "-" + std::to_string(m_last),
                          "--yes"};
        return spec;
    }

protected:
    void Prepare(std::mt19937_64& rng) override
    {
        const std::size_t sessions = Sessions(Old()).size();
        m_first = static_cast<std::int64_t>(Uniform(rng, 0, sessions / 4));
        m_last = m_first + static_cast<std::int64_t>(Uniform(rng, 0, sessions / 8));
    }

    std::string Replaced(const std::string& log) const override
    {
        const SessionList sessions = Sessions(log);
        if (static_cast<std::size_t>(m_last) >= sessions.size())
            return {};
        const auto span = SpanOfSessions(sessions[static_cast<std::size_t>(m_first)],
                                         sessions[static_cast<std::size_t>(m_last)], 0);
        if (!span)
            return {};
        std::string kept;
        for (std::size_t at = 0; at + 14 <= log.size(); at += 14) {
            if (!InSpan(DecodeRecord(reinterpret_cast<const unsigned char*>(log.data() + at)),
                        *span))
                kept.append(log, at, 14);
        }
        return kept;
    }

private:
    static SessionList Sessions(const std::string& log)
    {
        EventList events;
        for (std::size_t at = 0; at + 14 <= log.size(); at += 14)
            events.push_back(DecodeRecord(reinterpret_cast<const unsigned char*>(log.data() + at)));
        // Without settings the allowance is 0: the connect times stand as logged.
        return BuildSessions(events);
    }

    Tools m_tools;
    std::int64_t m_first = 0;
    std::int64_t m_last = 0;
};

// The editor's save of a grid that differs from the old log: a block of rows deleted and a few
// rows inserted elsewhere, as the user edits it.
class EditorSaveOperation : public ReplacementOperation {
public:
    EditorSaveOperation(const Tools& tools, Workspace ws)
        : ReplacementOperation(std::move(ws)), m_tools(tools),
          m_editedPath(m_ws.root + "/edited.log")
    {
        const QFileInfo cli(QFile::decodeName(tools.cli.c_str()));
        m_program =
            QFile::encodeName(cli.dir().filePath(QStringLiteral("dialtally-crashtest-editsave")))
                .toStdString();
    }

    std::string Name() const override { return "editor-save"; }

    ChildSpec Command() const override
    {
        ChildSpec spec = UpdateCommand(m_tools, m_ws, 2, "editsave");
        spec.program = m_program;
        spec.arguments = {"--program-dir", m_ws.program, "--windows-dir", m_ws.windows,
                          m_editedPath};
        return spec;
    }

protected:
    void Prepare(std::mt19937_64& rng) override
    {
        const std::string& old = Old();
        const std::size_t records = old.size() / 14;
        const std::size_t first = Uniform(rng, 0, records - 1);
        const std::size_t count = Uniform(rng, 1, std::min<std::size_t>(records - first, 500));
        m_edited = old.substr(0, first * 14) + old.substr((first + count) * 14);
        for (int inserted = static_cast<int>(Uniform(rng, 0, 5)); inserted > 0; --inserted) {
            const std::size_t from = Uniform(rng, 0, records - 1);
            const std::size_t to = Uniform(rng, 0, m_edited.size() / 14);
            m_edited.insert(to * 14, old, from * 14, 14);
        }
        WriteWhole(m_editedPath, m_edited);
    }

    std::string Replaced(const std::string&) const override { return m_edited; }

private:
    Tools m_tools;
    std::string m_program;
    std::string m_editedPath;
    std::string m_edited;
};

template <typename Operation> void RunReplacement(ScenarioContext& context, Tally& tally)
{
    std::string error;
    const auto ws = Workspace::Create(context.scratch, &error);
    if (!ws) {
        tally.violations.push_back({0, error});
        return;
    }
    Operation operation(context.tools, *ws);
    DriveKilledOperation(operation, context, tally);
}

} // namespace

void RunDeleteScenario(ScenarioContext& context, Tally& tally)
{
    RunReplacement<DeleteOperation>(context, tally);
}

void RunEditorSaveScenario(ScenarioContext& context, Tally& tally)
{
    RunReplacement<EditorSaveOperation>(context, tally);
}

} // namespace dialtally
