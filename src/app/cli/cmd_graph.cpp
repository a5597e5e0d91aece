#include "analysis/analysis.h"
#include "analysis/monthly.h"
#include "analysis/settings.h"
#include "app/cli/cliargs.h"
#include "app/cli/commands.h"
#include "app/cli/load.h"
#include "log/sessionlog.h"
#include "report/graph.h"
#include "report/picturesurface.h"

#include <QGuiApplication>
#include <QImage>
#include <QPalette>
#include <QSaveFile>

namespace dialtally {
namespace {

// The graph's picture on the monthly summary page: 7515 x 2535 twips on a 96 dpi screen.
constexpr double kTwipsPerPixel = 15.0;
constexpr int kDefaultWidth = 501;
constexpr int kDefaultHeight = 169;
constexpr int kLargestSide = 20000;

bool ReadSide(const CommandArgs& parsed, const QString& option, int& side, QString* error)
{
    if (!parsed.Has(option))
        return true;
    bool ok = false;
    const int value = parsed.Value(option).toInt(&ok);
    if (!ok || value < 1 || value > kLargestSide) {
        *error = QStringLiteral("%1 needs a whole number of pixels from 1 to %2, not \"%3\"")
                     .arg(option)
                     .arg(kLargestSide)
                     .arg(parsed.Value(option));
        return false;
    }
    side = value;
    return true;
}

} // namespace

int RunGraph(const QStringList& args, const Places& places)
{
    CommandArgs parsed;
    QString error;
    if (!parsed.Parse(args,
                      {{QStringLiteral("--width"), true},
                       {QStringLiteral("--height"), true},
                       kNoUpdateOption},
                      &error))
        return UsageError(error);
    if (parsed.Positional().size() != 1)
        return UsageError(
            parsed.Positional().isEmpty()
                ? QStringLiteral("graph needs the name of the PNG file to write")
                : QStringLiteral("unexpected argument %1").arg(parsed.Positional().at(1)));
    int width = kDefaultWidth;
    int height = kDefaultHeight;
    if (!ReadSide(parsed, QStringLiteral("--width"), width, &error) ||
        !ReadSide(parsed, QStringLiteral("--height"), height, &error))
        return UsageError(error);
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return FileFailure(QStringLiteral("the graph needs the graphical application"));

    AnalysedLog log;
    int status = kExitOk;
    if (!LoadAnalysedLog(parsed, places, log, status))
        return status;
    const MonthlySummary summary =
        CalcMonthlyTotals(log.sessions, log.settings.costs.vServFlatMonth, log.settings.cycle);

    QImage picture(width, height, QImage::Format_RGB32);
    PictureSurface surface(&picture, kTwipsPerPixel, kTwipsPerPixel);
    // The window background colour of the system (the colour behind text, where the window's
    // faces are grey), as the graph of the main window has it.
    surface.SetBackColor(QGuiApplication::palette().base().color());
    clsGraph graph;
    graph.SetOutput(&surface);
    ShowMonths(graph, summary);

    // Written aside and renamed, so that a failed write leaves no broken picture behind.
    const QString path = parsed.Positional().first();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !picture.save(&file, "PNG") || !file.commit())
        return FileFailure(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    return kExitOk;
}

} // namespace dialtally
