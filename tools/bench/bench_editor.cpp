// The log editor opening a large session log on the offscreen platform, beside `cat` of the same
// file in the same run.

#include "bench/bench.h"
#include "generate/generator.h"
#include "ui/eventlistmodel.h"
#include "ui/frmeditlog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace dialtally::bench {
namespace {

constexpr double kMaxSeconds = 2.0;
constexpr double kGoalSeconds = 0.2;

std::optional<double> CatSeconds(const QString& path)
{
    QProcess cat;
    cat.setStandardOutputFile(QProcess::nullDevice());
    const std::int64_t start = NowNanoseconds();
    cat.start(QStringLiteral("cat"), {path});
    if (!cat.waitForFinished(-1) || cat.exitStatus() != QProcess::NormalExit || cat.exitCode() != 0)
        return std::nullopt;
    return SecondsSince(start);
}

} // namespace

int RunEditorBench(const QStringList& args)
{
    std::int64_t events = 1000000;
    QString parent = QDir::tempPath();
    int repeats = 5;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--events") && i + 1 < args.size())
            events = args[++i].toLongLong();
        else if (arg == QLatin1String("--dir") && i + 1 < args.size())
            parent = args[++i];
        else if (arg == QLatin1String("--repeats") && i + 1 < args.size())
            repeats = args[++i].toInt();
        else
            return Fail(QStringLiteral("unknown option %1").arg(arg));
    }
    if (events <= 0 || repeats <= 0)
        return Fail(QStringLiteral("--events and --repeats must be above 0"));

    QTemporaryDir dir(QDir(parent).filePath(QStringLiteral("dialtally-bench-XXXXXX")));
    if (!dir.isValid())
        return Fail(QStringLiteral("cannot make a temporary folder in %1").arg(parent));
    Places places;
    places.programDir = dir.path();
    const QString logPath = QDir(dir.path()).filePath(kSessionLogName);
    GeneratorOptions options;
    options.format = OutputFormat::SesLog;
    options.events = events;
    options.sessions = events;
    options.months = 120;
    options.dialect = 2;
    Print(QStringLiteral("generating a session log of %1 events in %2 ...\n")
              .arg(events)
              .arg(dir.path()));
    std::FILE* file = std::fopen(QFile::encodeName(logPath).constData(), "wb");
    if (!file)
        return Fail(QStringLiteral("cannot write %1").arg(logPath));
    QString error;
    const bool generated = GenerateLog(options, file, &error);
    if (std::fclose(file) != 0 || !generated)
        return Fail(error.isEmpty() ? QStringLiteral("cannot write %1").arg(logPath) : error);

    std::vector<double> opens;
    for (int round = 0; round < repeats; ++round) {
        const auto cat = CatSeconds(logPath);
        if (!cat)
            return Fail(QStringLiteral("cannot run cat"));
        // From the command to the editor on screen with its rows painted.
        const std::int64_t start = NowNanoseconds();
        auto* editor = new frmEditLog(places);
        editor->show();
        QApplication::processEvents();
        editor->Grid()->viewport()->repaint();
        const double seconds = SecondsSince(start);
        const int rows = editor->Model().rowCount();
        delete editor;
        Print(QStringLiteral("round %1: cat %2 ms, editor open with %3 rows %4 ms\n")
                  .arg(round + 1)
                  .arg(*cat * 1e3, 0, 'f', 1)
                  .arg(rows)
                  .arg(seconds * 1e3, 0, 'f', 1));
        opens.push_back(seconds);
    }
    std::sort(opens.begin(), opens.end());
    const double median = opens[opens.size() / 2];
    Print(QStringLiteral("median of %1 rounds: the editor opens %2 events in %3 ms (at most %4 ms "
                         "wanted, %5 ms is the goal)\n")
              .arg(repeats)
              .arg(events)
              .arg(median * 1e3, 0, 'f', 1)
              .arg(kMaxSeconds * 1e3, 0, 'f', 0)
              .arg(kGoalSeconds * 1e3, 0, 'f', 0));
    return median <= kMaxSeconds ? 0 : 3;
}

} // namespace dialtally::bench
