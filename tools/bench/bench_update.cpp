// The log update of a large logger data file, beside `wc -l` of the same file in the same run.

#include "bench/bench.h"
#include "generate/generator.h"
#include "log/update.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace dialtally::bench {
namespace {

// Writes the generator's data file until it holds at least size bytes; blocks end with whole
// lines, so the file does too.
bool WriteDataFile(const QString& path, std::int64_t size, int dialect, QString* error)
{
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file) {
        *error = QStringLiteral("cannot create %1").arg(path);
        return false;
    }
    GeneratorOptions options;
    options.months = 120;
    options.dialect = dialect;
    options.format = OutputFormat::Dat;
    // The generator plans all its sessions ahead; a small trial tells how many give the size.
    std::int64_t written = 0;
    options.sessions = 1000;
    GenerateLog(options, [&](std::string_view bytes) {
        written += static_cast<std::int64_t>(bytes.size());
        return true;
    });
    options.sessions =
        std::max<std::int64_t>(1000, size / std::max<std::int64_t>(written / 1000, 1) * 11 / 10);
    written = 0;
    GenerateLog(options, [&](std::string_view bytes) {
        if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
            return false;
        written += static_cast<std::int64_t>(bytes.size());
        return written < size;
    });
    const bool ok = std::fclose(file) == 0 && written >= size;
    if (!ok)
        *error = QStringLiteral("cannot write %1").arg(path);
    return ok;
}

double CpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

QString Rate(double bytes, double lines, double seconds)
{
    return QStringLiteral("%1 MB/s, %2 lines/s (%3 s)")
        .arg(bytes / 1e6 / seconds, 0, 'f', 1)
        .arg(lines / seconds, 0, 'f', 0)
        .arg(seconds, 0, 'f', 3);
}

} // namespace

int RunUpdateBench(const QStringList& args)
{
    std::int64_t size = std::int64_t{1} << 30;
    QString parent = QDir::tempPath();
    int dialect = 2;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        const bool hasNext = i + 1 < args.size();
        if (arg == QLatin1String("--size") && hasNext) {
            const auto parsed = ParseSize(args.at(++i));
            if (!parsed)
                return Fail(QStringLiteral("--size takes a size such as 1G or 200M"));
            size = *parsed;
        } else if (arg == QLatin1String("--dir") && hasNext) {
            parent = args.at(++i);
        } else if (arg == QLatin1String("--dialect") && hasNext) {
            dialect = args.at(++i).toInt();
            if (dialect != 1 && dialect != 2)
                return Fail(QStringLiteral("--dialect takes 1 or 2"));
        } else {
            return Fail(QStringLiteral("unknown argument %1").arg(arg));
        }
    }

    // Everything lives in a folder of its own that goes away at the end, also the session log.
    QTemporaryDir dir(QDir(parent).filePath(QStringLiteral("dialtally-bench-XXXXXX")));
    if (!dir.isValid())
        return Fail(QStringLiteral("cannot create a folder in %1").arg(parent));
    const QString windowsDir = dir.filePath(QStringLiteral("windows"));
    const QString programDir = dir.filePath(QStringLiteral("program"));
    QDir().mkpath(windowsDir);
    QDir().mkpath(programDir);
    const QString dataPath = QDir(windowsDir).filePath(kDataFileName);

    Print(QStringLiteral("generating %1 MB of logger data in %2 ...\n")
              .arg(size / 1000000)
              .arg(dir.path()));
    QString error;
    if (!WriteDataFile(dataPath, size, dialect, &error))
        return Fail(error);
    const double bytes = double(QFileInfo(dataPath).size());

    // wc reads the file first, so both read it from the page cache.
    const auto wc = RunWcLines(dataPath);
    if (!wc)
        return Fail(QStringLiteral("cannot run wc -l"));

    UpdateSettings settings;
    settings.windowsDir = windowsDir;
    settings.programDir = programDir;
    settings.dialect = dialect;
    settings.sleep = [](int) {};
    UpdateReport report;
    const double cpuStart = CpuSeconds();
    const std::int64_t start = NowNanoseconds();
    const bool ok = UpdateSessionLog(settings, &report);
    const double seconds = SecondsSince(start);
    const double cpu = CpuSeconds() - cpuStart;
    if (!ok)
        return Fail(QStringLiteral("the update stopped: %1").arg(report.error));
    if (report.fields != wc->lines)
        return Fail(QStringLiteral("the update read %1 fields, wc counted %2 lines")
                        .arg(report.fields)
                        .arg(wc->lines));

    const double updateRate = bytes / seconds;
    const double wcRate = bytes / wc->seconds;
    Print(QStringLiteral("file:    %1 bytes, %2 lines, %3 records appended\n"
                         "wc -l:   %4\n"
                         "update:  %5, %7 s of processor time\n"
                         "update / wc -l: %6 (at least 0.25 wanted, 0.5 is the goal)\n")
              .arg(qint64(bytes))
              .arg(wc->lines)
              .arg(report.appended)
              .arg(Rate(bytes, double(wc->lines), wc->seconds))
              .arg(Rate(bytes, double(report.fields), seconds))
              .arg(updateRate / wcRate, 0, 'f', 2)
              .arg(cpu, 0, 'f', 3));
    return updateRate >= 0.25 * wcRate ? 0 : 3;
}

} // namespace dialtally::bench
