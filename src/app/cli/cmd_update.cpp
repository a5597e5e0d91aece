#include "app/cli/cliargs.h"
#include "app/cli/commands.h"
#include "log/update.h"

namespace dialtally {

int RunUpdate(const QStringList& args)
{
    CommandArgs parsed;
    QString error;
    if (!parsed.Parse(args, {}, &error))
        return UsageError(error);
    if (!parsed.Positional().isEmpty())
        return UsageError(
            QStringLiteral("unexpected argument %1").arg(parsed.Positional().first()));
    UpdateReport report;
    const bool ok = UpdateSessionLog(CurrentUpdateSettings(), &report);
    PrintOut(QStringLiteral("%1 records appended\n").arg(report.appended));
    for (const QString& warning : UpdateWarnings(report))
        PrintError(warning);
    if (!ok)
        return FileFailure(report.error);
    return kExitOk;
}

} // namespace dialtally
