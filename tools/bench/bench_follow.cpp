// The follow measurement: the main window following the logger on a large session log, with a
// line arriving every interval, and the longest pause of its event loop meanwhile.

#include "analysis/pricedlog.h"
#include "bench/bench.h"
#include "platform/places.h"
#include "ui/frmmain.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>

namespace dialtally::bench {

namespace {

// One adapter line after the generated log (which ends long before 2030), as the logger writes
// it to the data file: n counts the lines, six to a session of a few minutes.
QByteArray LoggerLine(int n)
{
    static const char* const kTexts[] = {"Microsoft Dial Up Agapter log opened.",
                                         "IPCP : Layer up.",
                                         "Remote access driver is shutting down.",
                                         "Bytes Received 123456",
                                         "Bytes Transmitted 23456",
                                         "Microsoft Dial Up Adapter log closed."};
    const int session = n / 6;
    const int minute = n % 6;
    const int hour = session / 10 % 24;
    const int day = 1 + session / 240 % 28;
    const QByteArray stamp = QStringLiteral("01-%1-2030 %2:%3:00.00 - ")
                                 .arg(day, 2, 10, QLatin1Char('0'))
                                 .arg(hour, 2, 10, QLatin1Char('0'))
                                 .arg(session % 10 * 6 + minute, 2, 10, QLatin1Char('0'))
                                 .toLatin1();
    return '"' + stamp + kTexts[n % 6] + "\"\r\n";
}

bool AppendLine(const QString& path, const QByteArray& line)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Append) && file.write(line) == line.size();
}

} // namespace

int RunFollowBench(const QStringList& args)
{
    std::int64_t events = 10000000;
    int seconds = 10;
    int interval = 100;
    QString parent = QDir::tempPath();
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool hasNext = i + 1 < args.size();
        if (arg == QLatin1String("--events") && hasNext)
            events = args[++i].toLongLong();
        else if (arg == QLatin1String("--seconds") && hasNext)
            seconds = args[++i].toInt();
        else if (arg == QLatin1String("--interval-ms") && hasNext)
            interval = args[++i].toInt();
        else if (arg == QLatin1String("--dir") && hasNext)
            parent = args[++i];
        else
            return Fail(QStringLiteral("unknown option %1").arg(arg));
    }
    if (events <= 0 || seconds <= 0 || interval <= 0)
        return Fail(QStringLiteral("--events, --seconds and --interval-ms must be above 0"));

    QTemporaryDir dir(QDir(parent).filePath(QStringLiteral("dialtally-bench-XXXXXX")));
    if (!dir.isValid())
        return Fail(QStringLiteral("cannot make a temporary folder in %1").arg(parent));
    const std::optional<Places> prepared = PrepareWindowPlaces(dir.path());
    if (!prepared)
        return Fail(QStringLiteral("cannot write the settings in %1").arg(dir.path()));
    const Places& places = *prepared;
    const QDir root(dir.path());
    // On disk before the window starts, as a log of years is: the update's first flush to disk
    // would otherwise write the whole freshly made log.
    const QString logPath = root.filePath(QStringLiteral("program/SesLog.log"));
    QString error;
    if (!GenerateSessionLog(logPath, events, 24, true, &error))
        return Fail(error);

    std::int64_t start = NowNanoseconds();
    const std::size_t sessions =
        LoadPricedLog(places, LoadedSettings(), nullptr, LogUpdate::Skip).sessions.size();
    const double loadSeconds = SecondsSince(start);

    frmMain window(places);
    window.show();
    start = NowNanoseconds();
    window.FirstActivation();
    const double startSeconds = SecondsSince(start);

    // The logger's side: a line every interval into the data file.
    const QString dataFile = QDir(places.windowsDir).filePath(QStringLiteral("Dtally.dat"));
    int lines = 0;
    bool written = true;
    QTimer writer;
    writer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&writer, &QTimer::timeout,
                     [&] { written = AppendLine(dataFile, LoggerLine(lines++)) && written; });
    // The event loop's pulse: a timer that should fire every millisecond.
    QElapsedTimer sinceBeat;
    std::int64_t longestGap = 0;
    QTimer pulse;
    pulse.setTimerType(Qt::PreciseTimer);
    QObject::connect(&pulse, &QTimer::timeout, [&] {
        longestGap = std::max<std::int64_t>(longestGap, sinceBeat.nsecsElapsed());
        sinceBeat.restart();
    });
    const int refreshesBefore = window.FollowRefreshCount();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    writer.start(interval);
    pulse.start(1);
    sinceBeat.start();
    loop.exec();
    writer.stop();
    pulse.stop();
    const int refreshes = window.FollowRefreshCount() - refreshesBefore;
    const double longestPauseMs = static_cast<double>(longestGap) / 1e6 - 1.0;

    // For comparison: the full reload that following avoids.
    start = NowNanoseconds();
    window.RefreshAll(frmMain::kReload);
    const double reloadSeconds = SecondsSince(start);

    Print(QStringLiteral("log: %1 events, %2 sessions (%3 bytes)\n")
              .arg(events)
              .arg(sessions)
              .arg(QFileInfo(logPath).size()));
    Print(
        QStringLiteral("load (LoadPricedLog):                 %1 s\n").arg(loadSeconds, 0, 'f', 3));
    Print(QStringLiteral("window start-up (first activation):   %1 s\n")
              .arg(startSeconds, 0, 'f', 3));
    Print(QStringLiteral("following: %1 lines in %2 s, %3 refreshes\n")
              .arg(lines)
              .arg(seconds)
              .arg(refreshes));
    Print(QStringLiteral("longest pause of the event loop:      %1 ms\n")
              .arg(longestPauseMs, 0, 'f', 1));
    Print(QStringLiteral("full reload (RefreshAll 101), for comparison: %1 s\n")
              .arg(reloadSeconds, 0, 'f', 3));
    if (!written || refreshes == 0)
        return Fail(QStringLiteral("the lines did not reach the window"));
    // Exit 3 when the window paused for 50 ms or more.
    return longestPauseMs < 50.0 ? 0 : 3;
}

} // namespace dialtally::bench
