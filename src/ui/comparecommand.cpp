// Settings > Compare Tariffs: the sessions of the log priced under the tariff in force and every
// saved tariff, shown in a window of their own.

#include "analysis/tariffs.h"
#include "ui/frmcompare.h"
#include "ui/frmmain.h"

#include <QSettings>

namespace dialtally {

// A saved tariff whose section does not read is left out; while the settings file is damaged
// (no store) only the tariff in force is shown.
void frmMain::ShowTariffComparison()
{
    std::vector<NamedTariff> tariffs = {{kTariffInForce, m_settings.costs}};
    if (m_store)
        for (const QString& name : SavedTariffNames(*m_store))
            if (const auto costs = LoadSavedTariff(*m_store, name))
                tariffs.push_back({name, *costs});
    frmCompare dialog(CompareTariffs(m_gSessions, tariffs, m_settings.cycle), this);
    dialog.exec();
}

} // namespace dialtally
