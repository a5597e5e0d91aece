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
#include <vector>

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

struct RunFigures {
    double wcSeconds = 0;
    double updateSeconds = 0;
    double updateCpuSeconds = 0;
};

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
    int runs = 3;
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
        } else if (arg == QLatin1String("--runs") && hasNext) {
            runs = args.at(++i).toInt();
            if (runs < 1)
                return Fail(QStringLiteral("--runs takes a count of 1 or more"));
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

    const QString sourcePath = dir.filePath(QStringLiteral("source.dat"));
    const QString logPath = QDir(programDir).filePath(kSessionLogName);

    Print(QStringLiteral("generating %1 MB of logger data in %2 ...\n")
              .arg(size / 1000000)
              .arg(dir.path()));
    QString error;
    if (!WriteDataFile(sourcePath, size, dialect, &error))
        return Fail(error);
    const double bytes = double(QFileInfo(sourcePath).size());

    UpdateSettings settings;
    settings.windowsDir = windowsDir;
    settings.programDir = programDir;
    settings.dialect = static_cast<Dialect>(dialect);
    settings.sleep = [](int) {};

    // The update renames and deletes the data file; each run gets a fresh hard link to the same
    // generated file, so wc and every update read the same cached bytes, and an empty session
    // log. wc runs right before each update, so both see the machine in the same state.
    std::vector<RunFigures> figures;
    UpdateReport report;
    std::int64_t lines = 0;
    for (int run = 0; run < runs; ++run) {
        QFile::remove(logPath);
        QFile::remove(dataPath);
        if (!QFile::link(sourcePath, dataPath))
            return Fail(QStringLiteral("cannot link %1 to %2").arg(sourcePath, dataPath));
        const auto wc = RunWcLines(dataPath);
        if (!wc)
            return Fail(QStringLiteral("cannot run wc -l"));
        lines = wc->lines;

        const double cpuStart = CpuSeconds();
        const std::int64_t start = NowNanoseconds();
        const bool ok = UpdateSessionLog(settings, &report);
        RunFigures figure{wc->seconds, SecondsSince(start), CpuSeconds() - cpuStart};
        if (!ok)
            return Fail(QStringLiteral("the update stopped: %1").arg(report.error));
        if (report.fields != wc->lines)
            return Fail(QStringLiteral("the update read %1 fields, wc counted %2 lines")
                            .arg(report.fields)
                            .arg(wc->lines));
        Print(QStringLiteral("run %1:   wc -l %2 s, update %3 s (%4 s of processor time), "
                             "ratio %5\n")
                  .arg(run + 1)
                  .arg(figure.wcSeconds, 0, 'f', 3)
                  .arg(figure.updateSeconds, 0, 'f', 3)
                  .arg(figure.updateCpuSeconds, 0, 'f', 3)
                  .arg(figure.wcSeconds / figure.updateSeconds, 0, 'f', 2));
        figures.push_back(figure);
    }

    // The run with the median ratio stands for all; its own wc figure is the one compared.
    std::sort(figures.begin(), figures.end(), [](const RunFigures& a, const RunFigures& b) {
        return a.wcSeconds / a.updateSeconds < b.wcSeconds / b.updateSeconds;
    });
    const RunFigures& median = figures[figures.size() / 2];
    const double ratio = median.wcSeconds / median.updateSeconds;
    Print(QStringLiteral("file:    %1 bytes, %2 lines, %3 records appended\n"
                         "median of %8 runs (by ratio):\n"
                         "wc -l:   %4\n"
                         "update:  %5, %7 s of processor time\n"
                         "update / wc -l: %6 (at least 0.25 wanted, 0.5 is the goal)\n")
              .arg(qint64(bytes))
              .arg(lines)
              .arg(report.appended)
              .arg(Rate(bytes, double(lines), median.wcSeconds))
              .arg(Rate(bytes, double(lines), median.updateSeconds))
              .arg(ratio, 0, 'f', 2)
              .arg(median.updateCpuSeconds, 0, 'f', 3)
              .arg(runs));
    return ratio >= 0.25 ? 0 : 3;
}

} // namespace dialtally::bench
