// The refresh measurement: RefreshAll (101) of the main window, offscreen, on a large session
// log, against the load of the same log alone, and the window's memory over repeated refreshes.

#include "analysis/analysis.h"
#include "analysis/pricedlog.h"
#include "bench/bench.h"
#include "platform/places.h"
#include "ui/frmmain.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

namespace dialtally::bench {

namespace {

// Resident memory of this process in kB, from /proc/self/status.
std::int64_t ResidentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toLongLong();
    }
    return -1;
}

} // namespace

int RunRefreshBench(const QStringList& args)
{
    LogBenchOptions options{1000000, 20, {}};
    if (const auto error = ParseLogBenchOptions(args, options))
        return Fail(*error);
    const int repeats = options.repeats;
    const QString& parent = options.parent;

    QTemporaryDir dir(QDir(parent).filePath(QStringLiteral("dialtally-bench-XXXXXX")));
    if (!dir.isValid())
        return Fail(QStringLiteral("cannot make a temporary folder in %1").arg(parent));
    // Every file of the run, the settings too, stays in the temporary folder.
    const std::optional<Places> prepared = PrepareWindowPlaces(dir.path());
    if (!prepared)
        return Fail(QStringLiteral("cannot write the settings in %1").arg(dir.path()));
    const Places& places = *prepared;
    const QDir root(dir.path());
    const QString logPath = root.filePath(QStringLiteral("program/SesLog.log"));
    QString error;
    if (!GenerateSessionLog(logPath, options.events, 24, false, &error))
        return Fail(error);

    // The load alone: update (nothing to do), read, build, the durations and the costs.
    std::int64_t start = NowNanoseconds();
    const SessionList loaded = LoadPricedLog(places, LoadedSettings(), nullptr).sessions;
    const double loadSeconds = SecondsSince(start);
    const std::size_t sessions = loaded.size();

    frmMain window(places);
    window.show();
    QCoreApplication::processEvents();

    start = NowNanoseconds();
    window.RefreshAll(frmMain::kReload);
    const double reloadSeconds = SecondsSince(start);
    // The window's own share: everything RefreshAll does after the list is in memory (the
    // analysis, the table's model reset, the statistics page, the monthly grid and the graph).
    start = NowNanoseconds();
    window.RefreshAll(frmMain::kRefillPages);
    const double refillSeconds = SecondsSince(start);
    QCoreApplication::processEvents();

    const std::int64_t rssBefore = ResidentKilobytes();
    for (int i = 0; i < repeats; ++i) {
        window.RefreshAll(frmMain::kReload);
        QCoreApplication::processEvents();
    }
    const std::int64_t rssAfter = ResidentKilobytes();

    const double share = loadSeconds > 0 ? refillSeconds / loadSeconds : 0.0;
    Print(QStringLiteral("log: %1 events, %2 sessions (%3 bytes)\n")
              .arg(options.events)
              .arg(sessions)
              .arg(QFileInfo(logPath).size()));
    Print(QStringLiteral("load (LoadPricedLog):          %1 s\n").arg(loadSeconds, 0, 'f', 3));
    Print(QStringLiteral("RefreshAll (101), whole:       %1 s\n").arg(reloadSeconds, 0, 'f', 3));
    Print(QStringLiteral("window's share (RefreshAll 103): %1 s = %2 of the load\n")
              .arg(refillSeconds, 0, 'f', 3)
              .arg(share, 0, 'f', 2));
    Print(QStringLiteral("resident memory: %1 kB before, %2 kB after %3 more refreshes (%4 kB)\n")
              .arg(rssBefore)
              .arg(rssAfter)
              .arg(repeats)
              .arg(rssAfter - rssBefore));
    // Exit 3 when the window's share reaches half of the load time.
    return share < 0.5 ? 0 : 3;
}

} // namespace dialtally::bench
