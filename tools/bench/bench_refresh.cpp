// The refresh measurement: RefreshAll (101) of the main window, offscreen, on a large session
// log, against the load of the same log alone, and the window's memory over repeated refreshes.

#include "analysis/analysis.h"
#include "analysis/firstrun.h"
#include "analysis/pricedlog.h"
#include "bench/bench.h"
#include "generate/generator.h"
#include "platform/places.h"
#include "ui/frmmain.h"
#include "ui/messagebox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
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
    std::int64_t events = 1000000;
    int repeats = 20;
    QString parent = QDir::tempPath();
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--events") && i + 1 < args.size())
            events = args[++i].toLongLong();
        else if (arg == QLatin1String("--repeats") && i + 1 < args.size())
            repeats = args[++i].toInt();
        else if (arg == QLatin1String("--dir") && i + 1 < args.size())
            parent = args[++i];
        else
            return Fail(QStringLiteral("unknown option %1").arg(arg));
    }
    if (events <= 0 || repeats <= 0)
        return Fail(QStringLiteral("--events and --repeats must be above 0"));

    QTemporaryDir dir(QDir(parent).filePath(QStringLiteral("dialtally-bench-XXXXXX")));
    if (!dir.isValid())
        return Fail(QStringLiteral("cannot make a temporary folder in %1").arg(parent));
    const QDir root(dir.path());
    for (const char* sub : {"program", "windows", "config"})
        root.mkpath(QString::fromLatin1(sub));
    // Every file of the run, the settings too, stays in the temporary folder.
    Places places;
    places.programDir = root.filePath(QStringLiteral("program"));
    places.windowsDir = root.filePath(QStringLiteral("windows"));
    places.configDir = root.filePath(QStringLiteral("config"));
    places.runtimeDir = root.filePath(QStringLiteral("run"));

    GeneratorOptions options;
    options.format = OutputFormat::SesLog;
    options.events = events;
    options.sessions = events; // generation stops at the event count
    options.months = 24;
    options.dialect = 2;
    const QString logPath = root.filePath(QStringLiteral("program/SesLog.log"));
    std::FILE* file = std::fopen(QFile::encodeName(logPath).constData(), "wb");
    if (!file)
        return Fail(QStringLiteral("cannot write %1").arg(logPath));
    QString error;
    const bool generated = GenerateLog(options, file, &error);
    std::fclose(file);
    if (!generated)
        return Fail(error);

    // The load alone: update (nothing to do), read, build, the durations and the costs.
    std::int64_t start = NowNanoseconds();
    const SessionList loaded = LoadPricedLog(places, LoadedSettings(), nullptr).sessions;
    const double loadSeconds = SecondsSince(start);
    const std::size_t sessions = loaded.size();

    // A window of a program that has run before: the first run's logging message would wait
    // for a click, and any other message box is answered at once.
    if (const auto store = OpenSettingsStore(places.SettingsFile()))
        MarkFirstRunDone(*store);
    MessageBox::SetAutoAnswer(MessageBox::Answer::Ok);
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
              .arg(events)
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
