#include "analysis/formatting.h"
#include "app/cli/cliargs.h"
#include "app/cli/commands.h"
#include "app/cli/load.h"
#include "log/maintenance.h"

#include <QDir>

namespace dialtally {
namespace {

const OptionSpec kSessionsOption{QStringLiteral("--sessions"), true};
const OptionSpec kYesOption{QStringLiteral("--yes"), false};

struct IndexRange {
    SessionIndex first = 0;
    SessionIndex last = 0;
};

// "FIRST" or "FIRST-LAST", whole numbers from 0 with FIRST <= LAST.
bool ParseIndexRange(const QString& text, IndexRange& range, QString* error)
{
    const QStringList parts = text.split(QLatin1Char('-'));
    bool firstOk = false, lastOk = parts.size() == 1;
    range.first = parts.value(0).toLongLong(&firstOk);
    range.last = parts.size() == 2 ? parts.value(1).toLongLong(&lastOk) : range.first;
    if (parts.size() > 2 || !firstOk || !lastOk || range.first < 0 || range.last < range.first) {
        *error = QStringLiteral("--sessions takes FIRST or FIRST-LAST, indexes from 0 with FIRST "
                                "not above LAST, not \"%1\"")
                     .arg(text);
        return false;
    }
    return true;
}

QString TimeText(const std::optional<DateTime>& time)
{
    return time ? FormatDateTime(*time) : QString();
}

} // namespace

int RunDelete(const QStringList& args, const Places& places)
{
    CommandArgs parsed;
    QString error;
    IndexRange indexes;
    if (!parsed.Parse(args, {kSessionsOption, kYesOption, kNoUpdateOption}, &error))
        return UsageError(error);
    if (!parsed.Positional().isEmpty())
        return UsageError(
            QStringLiteral("unexpected argument %1").arg(parsed.Positional().first()));
    if (!parsed.Has(kSessionsOption.name))
        return UsageError(QStringLiteral("delete needs the sessions: --sessions FIRST[-LAST]"));
    if (!ParseIndexRange(parsed.Value(kSessionsOption.name), indexes, &error))
        return UsageError(error);
    // Without the answer nothing is done, not even the update of the log.
    if (!parsed.Has(kYesOption.name))
        return UsageError(QStringLiteral("delete removes part of the session log; give --yes to "
                                         "do it (nothing was changed)"));

    AnalysedLog log;
    int status = kExitOk;
    if (!LoadAnalysedLog(parsed, places, log, status))
        return status;
    const auto count = static_cast<SessionIndex>(log.sessions.size());
    if (indexes.last >= count)
        return UsageError(QStringLiteral("there is no session with index %1; the indexes run from "
                                         "0 to %2 (nothing was changed)")
                              .arg(indexes.last)
                              .arg(count - 1));
    const SessionRecord& first = log.sessions[static_cast<std::size_t>(indexes.first)];
    const SessionRecord& last = log.sessions[static_cast<std::size_t>(indexes.last)];
    const auto span = SpanOfSessions(first, last, log.settings.vAditionalConnectSeconds);
    if (!span)
        return UsageError(QStringLiteral("the sessions %1 to %2 have no connect time to delete "
                                         "from (nothing was changed)")
                              .arg(indexes.first)
                              .arg(indexes.last));
    PrintError(QStringLiteral("Deleting log from %1 to %2.")
                   .arg(TimeText(first.vUp), TimeText(last.vDown)));
    DeletionReport report;
    if (!DeleteLogPeriod(UpdateSettingsFor(places), *span, nullptr, &report)) {
        if (report.replace.logOnlyInBackup)
            PrintMessage(LogDestroyedText(QDir(places.programDir).filePath(kSessionLogBackupName)));
        PrintMessage(kCouldNotDeleteText);
        return FileFailure(report.replace.error);
    }
    PrintMessage(kPartDeletedText);
    return kExitOk;
}

} // namespace dialtally
