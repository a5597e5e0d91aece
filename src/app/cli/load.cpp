#include "app/cli/load.h"

#include "analysis/pricedlog.h"
#include "log/update.h"

namespace dialtally {

namespace {

void ReportUpdate(const UpdateReport& report, bool ok)
{
    if (!ok)
        PrintError(QStringLiteral("the log update failed; the report shows the log as it was: ") +
                   report.error);
    for (const QString& warning : UpdateWarnings(report))
        PrintError(warning);
}

} // namespace

void RunUpdateUnless(const CommandArgs& parsed, const Places& places)
{
    if (parsed.Has(kNoUpdateOption.name))
        return;
    UpdateReport report;
    const bool ok = UpdateSessionLog(UpdateSettingsFor(places), &report);
    ReportUpdate(report, ok);
}

bool LoadAnalysedLog(const CommandArgs& parsed, const Places& places, AnalysedLog& log, int& status)
{
    log.settings = LoadUserSettings(places.SettingsFile());
    if (log.settings.problem) {
        status = FileFailure(log.settings.problem->Text());
        return false;
    }
    const bool update = !parsed.Has(kNoUpdateOption.name);
    PricedLog priced =
        LoadPricedLog(places, log.settings, nullptr, update ? LogUpdate::Run : LogUpdate::Skip);
    if (update)
        ReportUpdate(priced.update, priced.update.error.isEmpty());
    if (!priced.readError.isEmpty()) {
        status = FileFailure(priced.readError);
        return false;
    }
    log.sessions = std::move(priced.sessions);
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
