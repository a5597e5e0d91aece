// The deletion of a period from a large session log, beside `cat` of the same file in the same
// run: `cat LOG > /dev/null` (reading it) and `cat LOG > COPY` (reading and writing it, the least
// that a deletion which keeps the previous log must do).

#include "bench/bench.h"
#include "log/maintenance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace dialtally::bench {
namespace {

constexpr double kMaxCatRatio = 3.0;
constexpr double kGoalCatRatio = 1.5;

// What was written goes to the disk between the rounds, so that no round pays for the writes of
// the one before.
void Settle(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::syncfs(fd);
        ::close(fd);
    }
}

struct Round {
    Timing catRead;
    Timing catCopy;
    Timing deletion;
};

double Ratio(const Round& r)
{
    return r.deletion.seconds / r.catRead.seconds;
}

} // namespace

int RunDeleteBench(const QStringList& args)
{
    LogBenchOptions options{10000000, 5, {}};
    if (const auto error = ParseLogBenchOptions(args, options))
        return Fail(*error);
    const std::int64_t events = options.events;
    const QString& parent = options.parent;
    QTemporaryDir dir(QDir(parent).filePath(QStringLiteral("dialtally-bench-XXXXXX")));
    if (!dir.isValid())
        return Fail(QStringLiteral("cannot make a temporary folder in %1").arg(parent));
    UpdateSettings settings;
    settings.programDir = dir.filePath(QStringLiteral("program"));
    settings.windowsDir = dir.filePath(QStringLiteral("windows"));
    settings.sleep = [](int) {};
    QDir().mkpath(settings.programDir);
    QDir().mkpath(settings.windowsDir);
    const QString logPath = QDir(settings.programDir).filePath(kSessionLogName);
    const QString backupPath = QDir(settings.programDir).filePath(kSessionLogBackupName);
    const QString copyPath = dir.filePath(QStringLiteral("copy"));

    Print(QStringLiteral("generating a session log of %1 events in %2 ...\n")
              .arg(events)
              .arg(settings.programDir));
    QString error;
    if (!GenerateSessionLog(logPath, events, 120, false, &error))
        return Fail(error);
    const std::int64_t bytes = QFileInfo(logPath).size();

    // The sessions of one day in the middle of the log: a deletion as the user makes it.
    EventList all;
    if (!ReadSessionLog(settings.programDir, all, &error))
        return Fail(error);
    const DateTime middle = EventTime(all[all.size() / 2]).value_or(DateTime{});
    all = EventList();
    const DeletionSpan span{DateTime{middle.seconds - kSecondsPerDay / 2},
                            DateTime{middle.seconds + kSecondsPerDay / 2}};

    std::vector<Round> rounds;
    DeletionReport report;
    for (int round = 0; round < options.repeats; ++round) {
        Settle(dir.path());
        Round figures;
        const auto read = RunCat(logPath, QProcess::nullDevice());
        const auto copy = RunCat(logPath, copyPath);
        if (!read || !copy)
            return Fail(QStringLiteral("cannot run cat"));
        QFile::remove(copyPath);
        Settle(dir.path());
        figures.catRead = *read;
        figures.catCopy = *copy;
        const double cpuStart = CpuSeconds(RUSAGE_SELF);
        const std::int64_t start = NowNanoseconds();
        if (!DeleteLogPeriod(settings, span, nullptr, &report))
            return Fail(QStringLiteral("the deletion failed: %1").arg(report.replace.error));
        figures.deletion = {SecondsSince(start), CpuSeconds(RUSAGE_SELF) - cpuStart};
        // The log as it was comes back for the next round: it is the backup now.
        if (!QFile::remove(logPath) || !QFile::rename(backupPath, logPath))
            return Fail(QStringLiteral("cannot put the log back"));
        Print(QStringLiteral("round %1: cat > /dev/null %2 ms (%3 ms processor), cat > copy %4 ms "
                             "(%5), deletion %6 ms (%7)\n")
                  .arg(round + 1)
                  .arg(figures.catRead.seconds * 1e3, 0, 'f', 1)
                  .arg(figures.catRead.cpuSeconds * 1e3, 0, 'f', 1)
                  .arg(figures.catCopy.seconds * 1e3, 0, 'f', 1)
                  .arg(figures.catCopy.cpuSeconds * 1e3, 0, 'f', 1)
                  .arg(figures.deletion.seconds * 1e3, 0, 'f', 1)
                  .arg(figures.deletion.cpuSeconds * 1e3, 0, 'f', 1));
        rounds.push_back(figures);
    }
    // The round with the median ratio to cat > /dev/null speaks for all.
    std::sort(rounds.begin(), rounds.end(),
              [](const Round& a, const Round& b) { return Ratio(a) < Ratio(b); });
    const Round& median = rounds[rounds.size() / 2];
    const double ratio = Ratio(median);
    const auto share = [](const Timing& a, const Timing& b) {
        return QStringLiteral("%1 (processor time %2)")
            .arg(a.seconds / b.seconds, 0, 'f', 2)
            .arg(a.cpuSeconds / b.cpuSeconds, 0, 'f', 2);
    };
    Print(QStringLiteral("log: %1 events, %2 bytes; deleted %3 events, kept %4\n"
                         "median of %5 rounds (by the ratio to cat > /dev/null): cat > /dev/null "
                         "%6 ms, cat > copy %7 ms, deletion %8 ms\n"
                         "deletion / cat > /dev/null: %9 (at most %10 wanted, %11 is the goal)\n"
                         "deletion / cat > copy: %12\n")
              .arg(bytes / std::int64_t(kLogRecordSize))
              .arg(bytes)
              .arg(report.dropped)
              .arg(report.kept)
              .arg(options.repeats)
              .arg(median.catRead.seconds * 1e3, 0, 'f', 1)
              .arg(median.catCopy.seconds * 1e3, 0, 'f', 1)
              .arg(median.deletion.seconds * 1e3, 0, 'f', 1)
              .arg(share(median.deletion, median.catRead))
              .arg(kMaxCatRatio, 0, 'f', 1)
              .arg(kGoalCatRatio, 0, 'f', 1)
              .arg(share(median.deletion, median.catCopy)));
    return ratio <= kMaxCatRatio ? 0 : 3;
}

} // namespace dialtally::bench
