// The load of a large session log, stage by stage, beside `cat` of the same file in the same run,
// and the peak memory the load takes per event.

#include "analysis/analysis.h"
#include "analysis/costs.h"
#include "analysis/monthly.h"
#include "analysis/settings.h"
#include "bench/bench.h"
#include "log/sessionlog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <unistd.h>
#include <vector>

namespace dialtally::bench {
namespace {

// The whole load may take at most this many times the cat of the same file; 4 is the goal.
constexpr double kMaxCatRatio = 10.0;
constexpr double kGoalCatRatio = 4.0;
constexpr double kMaxBytesPerEvent = 64.0;

// A field of /proc/self/status in kB; empty when it cannot be read.
std::optional<std::int64_t> StatusKilobytes(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field)))
                .trimmed()
                .split(' ')
                .front()
                .toLongLong();
    }
    return std::nullopt;
}

// Lowers the kernel's peak resident size of this process to the present one, so that the peak
// read afterwards belongs to what ran in between.
bool ResetPeakResident()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

struct Stage {
    const char* name;
    double seconds = 0;
};

QString StageLine(const char* name, double seconds, double events)
{
    return QStringLiteral("  %1 %2 ms  %3 events/s\n")
        .arg(QString::fromLatin1(name), -20)
        .arg(seconds * 1e3, 9, 'f', 1)
        .arg(seconds > 0 ? events / seconds : 0.0, 12, 'f', 0);
}

} // namespace

int RunLoadBench(const QStringList& args)
{
    LogBenchOptions options{10000000, 3, {}};
    bool separately = true;
    const auto noSeparate = [&separately](const QString& arg) {
        if (arg != QLatin1String("--no-separate"))
            return false;
        separately = false;
        return true;
    };
    if (const auto error = ParseLogBenchOptions(args, options, noSeparate))
        return Fail(*error);
    const std::int64_t events = options.events;
    const int repeats = options.repeats;
    const QString& parent = options.parent;

    QTemporaryDir dir(QDir(parent).filePath(QStringLiteral("dialtally-bench-XXXXXX")));
    if (!dir.isValid())
        return Fail(QStringLiteral("cannot make a temporary folder in %1").arg(parent));
    const QString programDir = dir.path();
    const QString logPath = QDir(programDir).filePath(kSessionLogName);

    Print(QStringLiteral("generating a session log of %1 events in %2 ...\n")
              .arg(events)
              .arg(programDir));
    // A log is loaded long after it was written: the freshly written pages go to the disk now,
    // not in the background while the first round reads them.
    QString error;
    if (!GenerateSessionLog(logPath, events, 120, true, &error))
        return Fail(error);
    const std::int64_t bytes = QFileInfo(logPath).size();
    const double eventCount = double(bytes / std::int64_t(kLogRecordSize));

    // The first cat brings the file into the page cache; every round then cats it once more
    // right before its load, so that both read the same cached file under the same conditions.
    if (!RunCat(logPath, QProcess::nullDevice()))
        return Fail(QStringLiteral("cannot run cat"));

    CostSettings costs;
    costs.bCommCosts = true;
    costs.bServCosts = true;

    std::vector<double> ratios;
    double worstBytesPerEvent = 0;
    SessionList sessions;
    for (int round = 1; round <= repeats; ++round) {
        sessions = SessionList(); // a round's peak holds its own list only
        const std::optional<Timing> cat = RunCat(logPath, QProcess::nullDevice());
        if (!cat)
            return Fail(QStringLiteral("cannot run cat"));
        const double catSeconds = cat->seconds;

        const std::optional<std::int64_t> residentBefore = StatusKilobytes("VmRSS:");
        const bool peakReset = ResetPeakResident();

        Stage stages[] = {{"ReadSessions"},
                          {"CalculateDurations"},
                          {"CalculateCosts"},
                          {"AnalyseAll"},
                          {"CalcMonthlyTotals"}};
        std::int64_t start = NowNanoseconds();
        if (!ReadSessions(programDir, sessions, &error))
            return Fail(QStringLiteral("the load stopped: %1").arg(error));
        stages[0].seconds = SecondsSince(start);
        start = NowNanoseconds();
        CalculateDurations(sessions, 0);
        stages[1].seconds = SecondsSince(start);
        start = NowNanoseconds();
        CalculateCosts(sessions, costs);
        stages[2].seconds = SecondsSince(start);
        start = NowNanoseconds();
        const Statistics statistics = AnalyseAll(sessions);
        stages[3].seconds = SecondsSince(start);
        start = NowNanoseconds();
        const MonthlySummary monthly = CalcMonthlyTotals(sessions, costs.vServFlatMonth);
        stages[4].seconds = SecondsSince(start);

        const std::optional<std::int64_t> peak = StatusKilobytes("VmHWM:");
        if (!peakReset || !residentBefore || !peak)
            return Fail(QStringLiteral("cannot read the peak resident size from /proc/self"));
        const double bytesPerEvent = double(*peak - *residentBefore) * 1024.0 / eventCount;

        double total = 0;
        for (const Stage& stage : stages)
            total += stage.seconds;
        const double ratio = total / catSeconds;
        ratios.push_back(ratio);
        worstBytesPerEvent = std::max(worstBytesPerEvent, bytesPerEvent);

        if (repeats > 1)
            Print(QStringLiteral("round %1 of %2\n").arg(round).arg(repeats));
        Print(QStringLiteral("log: %1 events, %2 bytes, %3 sessions, %4 months, %5 in the "
                             "statistics\n")
                  .arg(qint64(eventCount))
                  .arg(bytes)
                  .arg(sessions.size())
                  .arg(monthly.months.size())
                  .arg(statistics.iSessionCount));
        Print(QStringLiteral("cat:    %1 ms (%2 MB/s)\n")
                  .arg(catSeconds * 1e3, 0, 'f', 1)
                  .arg(double(bytes) / 1e6 / catSeconds, 0, 'f', 0));
        Print(QStringLiteral("load, stage by stage:\n"));
        for (const Stage& stage : stages)
            Print(StageLine(stage.name, stage.seconds, eventCount));
        Print(StageLine("whole load", total, eventCount));
        Print(QStringLiteral("load / cat: %1 (at most %2 wanted, %3 is the goal)\n")
                  .arg(ratio, 0, 'f', 2)
                  .arg(kMaxCatRatio, 0, 'f', 0)
                  .arg(kGoalCatRatio, 0, 'f', 0));
        Print(QStringLiteral("peak memory of the load: %1 kB = %2 bytes per event (under %3 "
                             "wanted)\n")
                  .arg(*peak - *residentBefore)
                  .arg(bytesPerEvent, 0, 'f', 1)
                  .arg(kMaxBytesPerEvent, 0, 'f', 0));
    }
    // The machine may be busy with other work; the middle round speaks for the load.
    std::sort(ratios.begin(), ratios.end());
    const double medianRatio = ratios[ratios.size() / 2];
    if (repeats > 1)
        Print(QStringLiteral("median load / cat of %1 rounds: %2\n")
                  .arg(repeats)
                  .arg(medianRatio, 0, 'f', 2));
    const bool met = medianRatio <= kMaxCatRatio && worstBytesPerEvent < kMaxBytesPerEvent;

    // For information only: the two-step path that holds every event in memory.
    if (separately) {
        sessions = SessionList();
        EventList all;
        std::int64_t start = NowNanoseconds();
        if (!ReadSessionLog(programDir, all, &error))
            return Fail(QStringLiteral("the read stopped: %1").arg(error));
        const double readSeconds = SecondsSince(start);
        start = NowNanoseconds();
        const SessionList built = BuildSessions(all);
        const double buildSeconds = SecondsSince(start);
        Print(QStringLiteral("for comparison, the events held in memory (%1 sessions):\n")
                  .arg(built.size()));
        Print(StageLine("ReadSessionLog", readSeconds, eventCount));
        Print(StageLine("BuildSessions", buildSeconds, eventCount));
    }
    // Exit 3 when the load takes more than ten times the cat or too much memory.
    return met ? 0 : 3;
}

} // namespace dialtally::bench
