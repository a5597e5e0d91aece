// dialtally-bench: measurements of the hot paths, each a subcommand that prints its figures.

#include "bench/bench.h"

#include <QApplication>
#include <cstring>
#include <memory>

using namespace dialtally::bench;

namespace {

// clang-format off
const Measurement kMeasurements[] = {
    {"update", "log update of a large logger data file, beside wc -l",
     "Usage: dialtally-bench update [--size SIZE] [--dir DIR] [--dialect 1|2]\n"
     "\n"
     "Generates a logger data file of SIZE (default 1G) in a temporary folder under DIR\n"
     "(default the system's temporary folder), counts its lines with wc -l, runs the log\n"
     "update on it and prints both throughputs. The folder is deleted afterwards. Exits\n"
     "with 3 when the update reaches less than a quarter of wc -l's throughput.\n",
     RunUpdateBench},
    {"refresh", "RefreshAll (101) of the main window offscreen, beside the load of the same log",
     "Usage: dialtally-bench refresh [--events N] [--repeats R] [--dir DIR]\n"
     "\n"
     "Generates a session log of N events (default 1000000) in a temporary folder under DIR,\n"
     "times its load alone, then RefreshAll (101) and (103) of the main window on the offscreen\n"
     "platform, and compares the resident memory before and after R (default 20) more\n"
     "refreshes. Exits with 3 when the window's share reaches half of the load time.\n",
     RunRefreshBench},
    {"follow", "the window following the logger on a large log: the longest event-loop pause",
     "Usage: dialtally-bench follow [--events N] [--seconds S] [--interval-ms I] [--dir DIR]\n"
     "\n"
     "Generates a session log of N events (default 10000000) in a temporary folder under DIR,\n"
     "times its load alone, starts the main window offscreen on it with Follow the Logger on,\n"
     "then for S seconds (default 10) appends a logger line to the data file every I ms\n"
     "(default 100) while a 1 ms timer measures the longest pause of the event loop. Prints\n"
     "the refreshes, the pause and a full reload for comparison. Exits with 3 when the longest\n"
     "pause reaches 50 ms.\n",
     RunFollowBench},
    {"load", "load of a large session log stage by stage, beside cat, and its peak memory",
     "Usage: dialtally-bench load [--events N] [--repeats R] [--dir DIR] [--no-separate]\n"
     "\n"
     "Generates a session log of N events (default 10000000) in a temporary folder under DIR.\n"
     "Each of R rounds (default 3) cats it to /dev/null, then times ReadSessions,\n"
     "CalculateDurations, CalculateCosts (both costs on), AnalyseAll and CalcMonthlyTotals and\n"
     "measures the peak resident growth of the load. Afterwards ReadSessionLog and\n"
     "BuildSessions are timed apart for comparison unless --no-separate is given. Exits with 3\n"
     "when the median round's load takes more than ten times its cat, or any round 64 bytes or\n"
     "more of memory per event.\n",
     RunLoadBench},
    {"delete", "deletion of a day from a large session log, beside cat",
     "Usage: dialtally-bench delete [--events N] [--repeats R] [--dir DIR]\n"
     "\n"
     "Generates a session log of N events (default 10000000) in a temporary folder under DIR.\n"
     "Each of R rounds (default 5) times cat LOG > /dev/null and cat LOG > COPY, then the\n"
     "deletion of the day in the middle of the log under the update lock (DeleteLogPeriod),\n"
     "and puts the log back. Exits with 3 when the median round's deletion takes more than\n"
     "three times its cat > /dev/null.\n",
     RunDeleteBench},
    {"editor", "the log editor opening a large session log offscreen, beside cat",
     "Usage: dialtally-bench editor [--events N] [--repeats R] [--dir DIR]\n"
     "\n"
     "Generates a session log of N events (default 1000000) in a temporary folder under DIR\n"
     "and times, R times (default 5), the log editor from its creation to its grid painted\n"
     "on the offscreen platform, each beside cat of the log. Exits with 3 when the median\n"
     "takes more than 2 seconds.\n",
     RunEditorBench},
    {"compare", "ten tariffs compared over a large session log, beside its load",
     "Usage: dialtally-bench compare [--events N] [--repeats R] [--dir DIR]\n"
     "\n"
     "Generates a session log of N events (default 10000000) in a temporary folder under DIR.\n"
     "Each of R rounds (default 3) times the load (ReadSessions, CalculateDurations,\n"
     "CalculateCosts, AnalyseAll, CalcMonthlyTotals) under the first of ten tariffs with\n"
     "holidays, then CompareTariffs of the ten over the loaded sessions with a billing cycle\n"
     "from the 12th. Exits with 3 when the median round's comparison takes more than twice\n"
     "its load.\n",
     RunCompareBench},
};
// clang-format on

QString Help()
{
    QString text =
        QStringLiteral("Usage: dialtally-bench MEASUREMENT [options]\n\nMeasurements:\n");
    for (const Measurement& measurement : kMeasurements)
        text += QStringLiteral("  %1%2\n")
                    .arg(QString::fromLatin1(measurement.name), -10)
                    .arg(QString::fromUtf8(measurement.summary));
    return text + QStringLiteral("\nMEASUREMENT --help tells about one measurement.\n");
}

} // namespace

int main(int argc, char* argv[])
{
    // The refresh, editor and follow measurements drive windows, which need the widget toolkit;
    // they run without a display.
    std::unique_ptr<QCoreApplication> app;
    if (argc > 1 && (std::strcmp(argv[1], "refresh") == 0 || std::strcmp(argv[1], "editor") == 0 ||
                     std::strcmp(argv[1], "follow") == 0)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty() || args.first() == QLatin1String("--help")) {
        Print(Help());
        return args.isEmpty() ? 2 : 0;
    }
    const QString name = args.takeFirst();
    for (const Measurement& measurement : kMeasurements) {
        if (name != QLatin1String(measurement.name))
            continue;
        if (args.contains(QStringLiteral("--help"))) {
            Print(QString::fromUtf8(measurement.help));
            return 0;
        }
        return measurement.run(args);
    }
    return Fail(QStringLiteral("unknown measurement %1; try dialtally-bench --help").arg(name));
}
