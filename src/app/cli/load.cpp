#include "app/cli/load.h"

#include "analysis/analysis.h"
#include "analysis/costs.h"
#include "log/update.h"
#include "platform/folders.h"

namespace dialtally {

void RunUpdateUnless(const CommandArgs& parsed)
{
    if (parsed.Has(kNoUpdateOption.name))
        return;
    UpdateReport report;
    if (!UpdateSessionLog(CurrentUpdateSettings(), &report))
        PrintError(QStringLiteral("the log update failed; the report shows the log as it was: ") +
                   report.error);
    for (const QString& warning : UpdateWarnings(report))
        PrintError(warning);
}

bool LoadSessionsForCli(const CommandArgs& parsed, SessionList& sessions, int& status)
{
    RunUpdateUnless(parsed);
    QString error;
    if (!ReadSessions(ProgramFolder(), sessions, &error)) {
        status = FileFailure(error);
        return false;
    }
    return true;
}

bool LoadAnalysedLog(const CommandArgs& parsed, AnalysedLog& log, int& status)
{
    log.settings = LoadUserSettings();
    if (log.settings.problem) {
        status = FileFailure(log.settings.problem->Text());
        return false;
    }
    if (!LoadSessionsForCli(parsed, log.sessions, status))
        return false;
    CalculateDurations(log.sessions, log.settings.vAditionalConnectSeconds);
    if (HasRealSession(log.sessions))
        CalculateCosts(log.sessions, log.settings.costs);
    return true;
}

void PrintIfLarge(std::string& out)
{
    if (out.size() > (1u << 20)) {
        PrintOut(out);
        out.clear();
    }
}

} // namespace dialtally
