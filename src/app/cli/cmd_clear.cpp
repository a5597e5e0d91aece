#include "app/cli/cliargs.h"
#include "app/cli/commands.h"
#include "log/maintenance.h"
#include "log/update.h"

namespace dialtally {
namespace {

const OptionSpec kYesOption{QStringLiteral("--yes"), false};

} // namespace

int RunClear(const QStringList& args, const Places& places)
{
    CommandArgs parsed;
    QString error;
    if (!parsed.Parse(args, {kYesOption}, &error))
        return UsageError(error);
    if (!parsed.Positional().isEmpty())
        return UsageError(
            QStringLiteral("unexpected argument %1").arg(parsed.Positional().first()));
    if (!parsed.Has(kYesOption.name))
        return UsageError(QStringLiteral("clear deletes the whole session log; give --yes to do "
                                         "it (nothing was changed)"));
    const UpdateSettings settings = UpdateSettingsFor(places);
    if (!ClearSessionLog(settings, &error))
        return FileFailure(error);
    PrintMessage(kLogClearedText);
    // As the window does after clearing: what the logger collected since goes into the new log.
    UpdateReport report;
    const bool updated = UpdateSessionLog(settings, &report);
    for (const QString& warning : UpdateWarnings(report))
        PrintError(warning);
    if (!updated)
        return FileFailure(QStringLiteral("the log update after clearing failed: ") + report.error);
    return kExitOk;
}

} // namespace dialtally
