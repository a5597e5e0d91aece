// dialtally-bench: measurements of the hot paths, each a subcommand that prints its figures.

#include "bench/bench.h"

#include <QCoreApplication>

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
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
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
