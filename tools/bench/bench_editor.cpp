// The log editor opening a large session log on the offscreen platform, beside `cat` of the same
// file in the same run.

#include "bench/bench.h"
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

} // namespace

int RunEditorBench(const QStringList& args)
{
    LogBenchOptions options{1000000, 5, {}};
    if (const auto error = ParseLogBenchOptions(args, options))
        return Fail(*error);
    const std::int64_t events = options.events;
    const QString& parent = options.parent;
    QTemporaryDir dir(QDir(parent).filePath(QStringLiteral("dialtally-bench-XXXXXX")));
    if (!dir.isValid())
        return Fail(QStringLiteral("cannot make a temporary folder in %1").arg(parent));
    Places places;
    places.programDir = dir.path();
    const QString logPath = QDir(dir.path()).filePath(kSessionLogName);
    Print(QStringLiteral("generating a session log of %1 events in %2 ...\n")
              .arg(events)
              .arg(dir.path()));
    QString error;
    if (!GenerateSessionLog(logPath, events, 120, false, &error))
        return Fail(error);

    std::vector<double> opens;
    for (int round = 0; round < options.repeats; ++round) {
        const auto cat = RunCat(logPath, QProcess::nullDevice());
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
                  .arg(cat->seconds * 1e3, 0, 'f', 1)
                  .arg(rows)
                  .arg(seconds * 1e3, 0, 'f', 1));
        opens.push_back(seconds);
    }
    std::sort(opens.begin(), opens.end());
    const double median = opens[opens.size() / 2];
    Print(QStringLiteral("median of %1 rounds: the editor opens %2 events in %3 ms (at most %4 ms "
                         "wanted, %5 ms is the goal)\n")
              .arg(options.repeats)
              .arg(events)
              .arg(median * 1e3, 0, 'f', 1)
              .arg(kMaxSeconds * 1e3, 0, 'f', 0)
              .arg(kGoalSeconds * 1e3, 0, 'f', 0));
    return median <= kMaxSeconds ? 0 : 3;
}

} // namespace dialtally::bench
