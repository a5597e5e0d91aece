#include "bench/bench.h"

#include "analysis/firstrun.h"
#include "analysis/settings.h"
#include "generate/generator.h"
#include "platform/files.h"
#include "ui/messagebox.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>

namespace dialtally::bench {

std::optional<std::int64_t> ParseSize(const QString& text)
{
    QString digits = text.trimmed();
    std::int64_t unit = 1;
    if (digits.endsWith(QLatin1Char('K'), Qt::CaseInsensitive))
        unit = std::int64_t{1} << 10;
    else if (digits.endsWith(QLatin1Char('M'), Qt::CaseInsensitive))
        unit = std::int64_t{1} << 20;
    else if (digits.endsWith(QLatin1Char('G'), Qt::CaseInsensitive))
        unit = std::int64_t{1} << 30;
    if (unit != 1)
        digits.chop(1);
    bool ok = false;
    const qint64 value = digits.toLongLong(&ok);
    if (!ok || value <= 0)
        return std::nullopt;
    return value * unit;
}

std::int64_t NowNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double SecondsSince(std::int64_t startNanoseconds)
{
    return double(NowNanoseconds() - startNanoseconds) / 1e9;
}

std::optional<WcFigures> RunWcLines(const QString& path)
{
    QProcess wc;
    const std::int64_t start = NowNanoseconds();
    wc.start(QStringLiteral("wc"), {QStringLiteral("-l"), path});
    if (!wc.waitForFinished(-1) || wc.exitCode() != 0)
        return std::nullopt;
    WcFigures figures;
    figures.seconds = SecondsSince(start);
    figures.lines = wc.readAllStandardOutput().trimmed().split(' ').value(0).toLongLong();
    return figures;
}

std::optional<QString> ParseLogBenchOptions(const QStringList& args, LogBenchOptions& options,
                                            const std::function<bool(const QString&)>& extra)
{
    if (options.parent.isEmpty())
        options.parent = QDir::tempPath();
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == QLatin1String("--events") && hasValue)
            options.events = args[++i].toLongLong();
        else if (arg == QLatin1String("--dir") && hasValue)
            options.parent = args[++i];
        else if (arg == QLatin1String("--repeats") && hasValue)
            options.repeats = args[++i].toInt();
        else if (!extra || !extra(arg))
            return QStringLiteral("unknown option %1").arg(arg);
    }
    if (options.events <= 0 || options.repeats <= 0)
        return QStringLiteral("--events and --repeats must be above 0");
    return std::nullopt;
}

bool GenerateSessionLog(const QString& path, std::int64_t events, int months, bool toDisk,
                        QString* error)
{
    GeneratorOptions options;
    options.format = OutputFormat::SesLog;
    options.events = events;
    options.sessions = events; // generation stops at the event count
    options.months = months;
    options.dialect = 2;
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
    bool ok = file && GenerateLog(options, file, error);
    if (ok && toDisk)
        ok = std::fflush(file) == 0 && SyncFileData(::fileno(file));
    if (file && std::fclose(file) != 0)
        ok = false;
    if (!ok && error->isEmpty())
        *error = QStringLiteral("cannot write %1").arg(path);
    return ok;
}

double CpuSeconds(int who)
{
    rusage usage{};
    ::getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::optional<Timing> RunCat(const QString& path, const QString& output)
{
    QProcess cat;
    cat.setStandardOutputFile(output);
    const double cpuStart = CpuSeconds(RUSAGE_CHILDREN);
    const std::int64_t start = NowNanoseconds();
    cat.start(QStringLiteral("cat"), {path});
    if (!cat.waitForFinished(-1) || cat.exitStatus() != QProcess::NormalExit || cat.exitCode() != 0)
        return std::nullopt;
    return Timing{SecondsSince(start), CpuSeconds(RUSAGE_CHILDREN) - cpuStart};
}

std::optional<Places> PrepareWindowPlaces(const QString& root)
{
    const QDir folder(root);
    for (const char* sub : {"program", "windows", "config"})
        folder.mkpath(QString::fromLatin1(sub));
    Places places;
    places.programDir = folder.filePath(QStringLiteral("program"));
    places.windowsDir = folder.filePath(QStringLiteral("windows"));
    places.configDir = folder.filePath(QStringLiteral("config"));
    places.runtimeDir = folder.filePath(QStringLiteral("run"));
    const std::unique_ptr<QSettings> store = OpenSettingsStore(places.SettingsFile());
    if (!store || !MarkFirstRunDone(*store))
        return std::nullopt;
    MessageBox::SetAutoAnswer(MessageBox::Answer::Ok);
    return places;
}

void Print(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

int Fail(const QString& message)
{
    std::fprintf(stderr, "dialtally-bench: %s\n", message.toLocal8Bit().constData());
    return 1;
}

} // namespace dialtally::bench
