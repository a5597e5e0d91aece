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
    if (report.workFileLeftOver)
        PrintError(QStringLiteral("\"%1\" is left over from an earlier update and blocks this one; "
                                  "nothing was read")
                       .arg(kWorkFileName));
    if (report.skipped > 0 || report.otherErrors > 0)
        PrintError(QStringLiteral("%1 fields skipped").arg(report.skipped + report.otherErrors));
    if (!ok)
        return FileFailure(report.error);
    return kExitOk;
}

} // namespace dialtally
