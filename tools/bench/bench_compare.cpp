// The comparison of ten tariffs over a large session log, beside the load of the same log in the
// same run: repricing is the cost calculation again, and should cost about as much.

#include "analysis/analysis.h"
#include "analysis/comparison.h"
#include "analysis/costs.h"
#include "analysis/monthly.h"
#include "bench/bench.h"
#include "log/sessionlog.h"

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace dialtally::bench {
namespace {

constexpr double kMaxLoadRatio = 2.0;
constexpr int kTariffs = 10;

// A tariff of a provider of the late nineties: dear working hours, cheap evenings, a delayed
// rate at night, the usual holidays; each of the ten a little different.
CostSettings Tariff(int variant)
{
    CostSettings costs;
    costs.bCommCosts = true;
    costs.bServCosts = true;
    costs.vCommConnect = 0.06 + 0.01 * variant;
    costs.vCommRate = {0.12 - 0.005 * variant, 0.06, 0.03};
    costs.vCommRateDelayMinutes = static_cast<std::int16_t>(5 + variant);
    for (int day = 1; day <= kDaysPerWeek; ++day)
        for (int hour = 0; hour < kHoursPerDay; ++hour)
            costs.vCommRatesDay(hour, day) =
                hour < 6 + variant % 3 ? 3 : (day == 1 || day == 7 || hour >= 18 ? 2 : 1);
    costs.vHolidays =
        *ReadHolidayList(QStringLiteral("01-01,05-01,12-25,12-26,easter-2,easter+1,easter+39"));
    costs.vServConnect = 0.01 * (variant % 2);
    costs.vServMinute = 0.01;
    costs.vServFlatMonth = 4.9 + variant % 4;
    costs.vServDataMb = 0.002 * variant;
    return costs;
}

// The load as the program does it, with the tariff in force: read, durations, costs,
// statistics, monthly totals.
double TimeLoad(const QString& programDir, SessionList& sessions, const CostSettings& costs,
                QString* error)
{
    sessions = SessionList();
    const std::int64_t start = NowNanoseconds();
    if (!ReadSessions(programDir, sessions, error))
        return -1;
    CalculateDurations(sessions, 0);
    CalculateCosts(sessions, costs);
    const Statistics statistics = AnalyseAll(sessions);
    const MonthlySummary monthly = CalcMonthlyTotals(sessions, costs.vServFlatMonth);
    const double seconds = SecondsSince(start);
    Print(QStringLiteral("load: %1 ms (%2 sessions, %3 months, %4 in the statistics)\n")
              .arg(seconds * 1e3, 0, 'f', 1)
              .arg(sessions.size())
              .arg(monthly.months.size())
              .arg(statistics.iSessionCount));
    return seconds;
}

double TimeCompare(const SessionList& sessions, const std::vector<NamedTariff>& tariffs)
{
    const std::int64_t start = NowNanoseconds();
    const TariffComparison comparison = CompareTariffs(sessions, tariffs, BillingCycle(12));
    const double seconds = SecondsSince(start);
    Print(QStringLiteral("compare of %1 tariffs: %2 ms (%3 cycles, cheapest %4, %5 less than "
                         "the first)\n")
              .arg(tariffs.size())
              .arg(seconds * 1e3, 0, 'f', 1)
              .arg(comparison.months.size())
              .arg(comparison.names[comparison.cheapest])
              .arg(-comparison.Difference(comparison.cheapest), 0, 'f', 2));
    return seconds;
}

} // namespace

int RunCompareBench(const QStringList& args)
{
    LogBenchOptions options{10000000, 3, {}};
    if (const auto error = ParseLogBenchOptions(args, options))
        return Fail(*error);
    const std::int64_t events = options.events;
    const int repeats = options.repeats;
    const QString& parent = options.parent;

    QTemporaryDir dir(QDir(parent).filePath(QStringLiteral("dialtally-bench-XXXXXX")));
    if (!dir.isValid())
        return Fail(QStringLiteral("cannot make a temporary folder in %1").arg(parent));
    const QString logPath = QDir(dir.path()).filePath(kSessionLogName);
    Print(QStringLiteral("generating a session log of %1 events in %2 ...\n")
              .arg(events)
              .arg(dir.path()));
    QString error;
    if (!GenerateSessionLog(logPath, events, 120, true, &error))
        return Fail(error);

    std::vector<NamedTariff> tariffs;
    for (int t = 0; t < kTariffs; ++t)
        tariffs.push_back({QStringLiteral("tariff%1").arg(t), Tariff(t)});

    std::vector<double> ratios;
    SessionList sessions;
    for (int round = 1; round <= repeats; ++round) {
        Print(QStringLiteral("round %1 of %2\n").arg(round).arg(repeats));
        const double load = TimeLoad(dir.path(), sessions, tariffs.front().costs, &error);
        if (load < 0)
            return Fail(QStringLiteral("the load stopped: %1").arg(error));
        const double compare = TimeCompare(sessions, tariffs);
        ratios.push_back(compare / load);
        Print(QStringLiteral("compare / load: %1 (at most %2 wanted)\n")
                  .arg(compare / load, 0, 'f', 2)
                  .arg(kMaxLoadRatio, 0, 'f', 0));
    }
    // The machine may be busy with other work; the middle round speaks for the comparison.
    std::sort(ratios.begin(), ratios.end());
    const double median = ratios[ratios.size() / 2];
    Print(QStringLiteral("median compare / load of %1 rounds: %2\n")
              .arg(repeats)
              .arg(median, 0, 'f', 2));
    return median <= kMaxLoadRatio ? 0 : 3;
}

} // namespace dialtally::bench
