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
    const std::vector<NamedTariff> tariffs = InForceAndSaved(m_store.get(), m_settings.costs);
    frmCompare dialog(CompareTariffs(m_gSessions, tariffs, m_settings.cycle), this);
    dialog.exec();
}

} // namespace dialtally
