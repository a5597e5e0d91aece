#include "analysis/export.h"
#include "app/cli/cliargs.h"
#include "app/cli/commands.h"
#include "app/cli/load.h"
#include "app/cli/period.h"
#include "report/printlog.h"

#include <QGuiApplication>

namespace dialtally {

int RunPrintReport(const QStringList& args, const Places& places)
{
    CommandArgs parsed;
    QString error;
    if (!parsed.Parse(args, {kNoUpdateOption, kFromOption, kToOption, kToEndOption}, &error))
        return UsageError(error);
    if (parsed.Positional().size() != 1)
        return UsageError(
            parsed.Positional().isEmpty()
                ? QStringLiteral("report needs the name of the PDF file to write")
                : QStringLiteral("unexpected argument %1").arg(parsed.Positional().at(1)));
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return FileFailure(QStringLiteral("the report needs the graphical application"));
    Period period;
    AnalysedLog log;
    int status = kExitOk;
    if (!ParsePeriod(parsed, period, status) || !LoadAnalysedLog(parsed, places, log, status))
        return status;
    const SessionRange range = ShownRange(log.sessions, AnalysePeriod(log.sessions, period));
    if (!PrintLogToPdf(parsed.Positional().first(), log.sessions, range.from, range.to, nullptr,
                       &error))
        return FileFailure(error);
    return kExitOk;
}

} // namespace dialtally
