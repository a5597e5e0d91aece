#include "analysis/pricedlog.h"

#include "analysis/analysis.h"
#include "analysis/costs.h"

namespace dialtally {

PricedLog LoadPricedLog(const Places& places, const LoadedSettings& settings, ProgressBar* bar,
                        LogUpdate update)
{
    UpdateSettings updateSettings = UpdateSettingsFor(places);
    // Without a Windows folder the update has nothing to take over and changes nothing.
    if (update == LogUpdate::Skip)
        updateSettings.windowsDir.clear();
    PricedLog log;
    log.sessions = ReadSessionList(bar, settings.vAditionalConnectSeconds, updateSettings,
                                   &log.update, &log.readError);
    if (bar)
        bar->SetText(QStringLiteral("Analysing log.."));
    AdvanceProgress(bar, 1);
    if (HasRealSession(log.sessions)) {
        CalculateCosts(log.sessions, settings.costs);
        log.priced = true;
    }
    return log;
}

} // namespace dialtally
