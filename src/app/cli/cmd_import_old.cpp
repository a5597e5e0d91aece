#include "app/cli/cliargs.h"
#include "app/cli/commands.h"
#include "log/oldlogimport.h"

#include <QDir>

namespace dialtally {
namespace {

// The messages of the window, on one line each, followed by what went wrong.
QString FailureText(const ImportReport& report)
{
    QString text;
    switch (report.outcome) {
    case ImportOutcome::ReadFailed:
        text = QStringLiteral("Error occured while reading old log! Old log not imported.");
        break;
    case ImportOutcome::AppendFailed:
        text = QStringLiteral(
            "Error occured while appending imported log to new log! Old log not imported.");
        break;
    default:
        text = QStringLiteral(
            "Error occured while importing old log! Action not completed successfully.");
        break;
    }
    return report.error.isEmpty() ? text : text + QLatin1Char(' ') + report.error;
}

int Convert(const UpdateSettings& settings)
{
    const ImportReport report = ImportOldLogFile(settings, nullptr);
    if (report.finishedInterrupted)
        PrintError(QStringLiteral("an import cut short before was finished first"));
    if (report.outcome == ImportOutcome::NoOldLog) {
        PrintOut(QStringLiteral("no old log %1 in %2; nothing to do\n")
                     .arg(kOldLogName, QDir::toNativeSeparators(settings.programDir)));
        return kExitOk;
    }
    if (report.outcome != ImportOutcome::Imported)
        return FileFailure(FailureText(report));
    PrintOut(QStringLiteral("%1 records imported from %2 entries of the old log (%3 other lines "
                            "skipped), followed by the %4 records of the session log; the old log "
                            "is kept as %5\n")
                 .arg(report.counts.records)
                 .arg(report.counts.entries)
                 .arg(report.counts.skipped)
                 .arg(report.currentRecords)
                 .arg(kRetiredLogName));
    return kExitOk;
}

int Discard(const UpdateSettings& settings)
{
    QString error;
    if (!FinishInterruptedImport(settings, nullptr, &error))
        return FileFailure(error);
    if (!OldLogExists(settings.programDir)) {
        PrintOut(QStringLiteral("no old log %1 in %2; nothing to do\n")
                     .arg(kOldLogName, QDir::toNativeSeparators(settings.programDir)));
        return kExitOk;
    }
    if (!DiscardOldLog(settings, &error))
        return FileFailure(QStringLiteral("Error occured while importing old log! Action not "
                                          "completed successfully. ") +
                           error);
    PrintOut(QStringLiteral("the old log is kept as %1, not imported\n").arg(kRetiredLogName));
    return kExitOk;
}

} // namespace

int RunImportOld(const QStringList& args, const Places& places)
{
    CommandArgs parsed;
    QString error;
    if (!parsed.Parse(args, {{QStringLiteral("--yes")}, {QStringLiteral("--discard")}}, &error))
        return UsageError(error);
    if (!parsed.Positional().isEmpty())
        return UsageError(
            QStringLiteral("unexpected argument %1").arg(parsed.Positional().first()));
    const bool yes = parsed.Has(QStringLiteral("--yes"));
    const bool discard = parsed.Has(QStringLiteral("--discard"));
    if (yes == discard)
        return UsageError(QStringLiteral("import-old takes either --yes (convert the old log) or "
                                         "--discard (keep it as %1 without importing it)")
                              .arg(kRetiredLogName));
    const UpdateSettings settings = UpdateSettingsFor(places);
    return yes ? Convert(settings) : Discard(settings);
}

} // namespace dialtally
