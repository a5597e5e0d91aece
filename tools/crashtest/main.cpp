// dialtally-crashtest: kills the operations that change the session log or the data file at
// chosen moments and checks that nothing is lost or doubled.

#include "crashtest/crashtest.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <exception>
#include <random>

using namespace dialtally;

namespace {

constexpr int kExitHeld = 0;
constexpr int kExitViolation = 1;
constexpr int kExitUsage = 2;
constexpr std::size_t kNotesShown = 5;

const char kHelp[] =
    "Usage: dialtally-crashtest [--scenario NAME|all] [--kills N] [--seed S] [--keep]\n"
    "                           [--bin DIR]\n"
    "\n"
    "Runs the operations that change the session log or the logger's data file as real\n"
    "processes, kills them with SIGKILL at chosen moments (some at a chosen file change,\n"
    "traced with ptrace, some early, some anywhere in a measured run, some near its end),\n"
    "runs them to completion and checks that every recognised line that reached the data\n"
    "file is in the session log exactly once, in order, with no torn record.\n"
    "\n"
    "  --scenario NAME  one scenario, or all (default)\n"
    "  --kills N        kills in each scenario (default 30)\n"
    "  --seed S         repeats the plan of an earlier run (default: drawn, and printed)\n"
    "  --keep           keep the scratch folder (tmpfs folders are copied beside as *.kept)\n"
    "  --bin DIR        where dialtally-cli and dtallywr are (default: beside this program)\n"
    "\n"
    "Exits with 0 when everything held, 1 when the invariant was broken, 2 on a usage error\n"
    "or when the test itself could not run.\n"
    "\n"
    "Scenarios:\n";

struct Options {
    QString scenario = QStringLiteral("all");
    int kills = 30;
    std::uint64_t seed = 0;
    bool seedGiven = false;
    bool keep = false;
    QString bin;
    bool help = false;
};

void Print(const std::string& text)
{
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

int Usage(const QString& problem)
{
    std::fprintf(stderr, "dialtally-crashtest: %s; try --help\n",
                 problem.toLocal8Bit().constData());
    return kExitUsage;
}

std::optional<Options> ParseArgs(const QStringList& args, QString* error)
{
    Options options;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        const bool hasNext = i + 1 < args.size();
        bool ok = true;
        if (arg == QLatin1String("--help")) {
            options.help = true;
        } else if (arg == QLatin1String("--keep")) {
            options.keep = true;
        } else if (arg == QLatin1String("--scenario") && hasNext) {
            options.scenario = args.at(++i);
        } else if (arg == QLatin1String("--kills") && hasNext) {
            options.kills = args.at(++i).toInt(&ok);
            ok = ok && options.kills >= 1;
        } else if (arg == QLatin1String("--seed") && hasNext) {
            options.seed = args.at(++i).toULongLong(&ok);
            options.seedGiven = true;
        } else if (arg == QLatin1String("--bin") && hasNext) {
            options.bin = args.at(++i);
        } else {
            *error = QStringLiteral("unknown argument %1").arg(arg);
            return std::nullopt;
        }
        if (!ok) {
            *error = QStringLiteral("%1 takes a positive number").arg(arg);
            return std::nullopt;
        }
    }
    return options;
}

// Each scenario draws from its own seed, so that one scenario run alone repeats its part of "all".
std::uint64_t ScenarioSeed(std::uint64_t seed, std::size_t index)
{
    std::uint64_t z = seed + 0x9e3779b97f4a7c15ULL * (index + 1);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

std::string KillLine(const std::string& kind, const KillCount& count)
{
    return "    " + kind + ": " + std::to_string(count.kills) + " (" +
           std::to_string(count.midOperation) + " mid-operation)\n";
}

void PrintTally(const Scenario& scenario, const Tally& tally, std::uint64_t seed)
{
    const KillCount total = tally.Total();
    std::string text = std::string(scenario.name) + ": " + std::to_string(tally.rounds) +
                       " rounds, " + std::to_string(total.kills) + " kills (" +
                       std::to_string(total.midOperation) + " mid-operation), " +
                       std::to_string(tally.checks) + " checks, " +
                       std::to_string(tally.violations.size()) + " violations\n";
    for (const auto& [kind, count] : tally.kills)
        text += KillLine(kind, count);
    text += "  seen after kills: \"Dtally.wrk\" " + std::to_string(tally.workFileSeen) +
            " times, \"Dtally.jnl\" " + std::to_string(tally.journalSeen) +
            " times, a torn session log " + std::to_string(tally.tornLogSeen) +
            " times, a data file ending inside a line " + std::to_string(tally.tornDataSeen) +
            " times\n";
    for (std::size_t i = 0; i < tally.notes.size() && i < kNotesShown; ++i)
        text += "  note: " + tally.notes[i] + '\n';
    if (tally.notes.size() > kNotesShown)
        text += "  (" + std::to_string(tally.notes.size() - kNotesShown) + " more notes)\n";
    for (const Violation& violation : tally.violations)
        text += "  VIOLATION (seed " + std::to_string(seed) + ", " + scenario.name + " round " +
                std::to_string(violation.round) + "): " + violation.what + '\n';
    Print(text);
}

std::string ScenarioNames()
{
    std::string text;
    for (const Scenario& scenario : Scenarios())
        text += "  " + std::string(scenario.name) +
                std::string(12 - std::strlen(scenario.name), ' ') + scenario.summary + '\n';
    return text;
}

int Run(const Options& options)
{
    std::vector<const Scenario*> chosen;
    for (const Scenario& scenario : Scenarios()) {
        if (options.scenario == QLatin1String("all") ||
            options.scenario == QLatin1String(scenario.name))
            chosen.push_back(&scenario);
    }
    if (chosen.empty())
        return Usage(QStringLiteral("no scenario %1").arg(options.scenario));

    const QDir bin(options.bin.isEmpty() ? QCoreApplication::applicationDirPath() : options.bin);
    Tools tools;
    tools.cli =
        QFile::encodeName(bin.absoluteFilePath(QStringLiteral("dialtally-cli"))).toStdString();
    tools.logger =
        QFile::encodeName(bin.absoluteFilePath(QStringLiteral("dtallywr"))).toStdString();
    for (const std::string& program : {tools.cli, tools.logger}) {
        if (!QFileInfo(QFile::decodeName(program.c_str())).isExecutable())
            return Usage(QStringLiteral("%1 is not there").arg(QFile::decodeName(program.c_str())));
    }

    QTemporaryDir scratch(QDir::temp().filePath(QStringLiteral("dialtally-crashtest-XXXXXX")));
    if (!scratch.isValid())
        return Usage(QStringLiteral("cannot create a scratch folder"));
    scratch.setAutoRemove(!options.keep);
    const std::uint64_t seed = options.seedGiven ? options.seed : std::random_device()();

    std::string why;
    const bool tracing = TracingWorks(&why);
    Print("dialtally-crashtest: seed " + std::to_string(seed) + ", " +
          std::to_string(options.kills) + " kills per scenario, scratch " +
          QFile::encodeName(scratch.path()).toStdString() + (options.keep ? " (kept)" : "") + '\n');
    if (!tracing)
        Print("kills at chosen file changes are not possible here (" + why +
              "); the others still are\n");

    std::size_t violations = 0;
    for (const Scenario* scenario : chosen) {
        const std::size_t index = static_cast<std::size_t>(scenario - Scenarios().data());
        ScenarioContext context;
        context.tools = tools;
        context.scratch =
            QFile::encodeName(scratch.filePath(QString::fromLatin1(scenario->name))).toStdString();
        context.kills = options.kills;
        context.seed = ScenarioSeed(seed, index);
        context.rng.seed(context.seed);
        context.tracing = tracing;
        context.keep = options.keep;
        context.progress = [](const std::string& line) { Print("  " + line + '\n'); };
        Tally tally;
        scenario->run(context, tally);
        PrintTally(*scenario, tally, seed);
        violations += tally.violations.size();
    }
    const std::string repeat = "dialtally-crashtest --scenario " + options.scenario.toStdString() +
                               " --kills " + std::to_string(options.kills) + " --seed " +
                               std::to_string(seed);
    if (violations == 0) {
        Print("result: everything held\n");
        return kExitHeld;
    }
    Print("result: " + std::to_string(violations) + " violations; repeat with: " + repeat + '\n');
    return kExitViolation;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QString error;
    const auto options = ParseArgs(app.arguments().mid(1), &error);
    if (!options)
        return Usage(error);
    if (options->help) {
        Print(kHelp + ScenarioNames());
        return kExitHeld;
    }
    try {
        return Run(*options);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "dialtally-crashtest: %s\n", failure.what());
        return kExitUsage;
    }
}
