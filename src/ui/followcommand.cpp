// Following the logger: the update runs as lines arrive, and the records it appended are built
// onto the loaded list instead of reading the whole session log again.
#include "analysis/analysis.h"
#include "analysis/formatting.h"
#include "analysis/livesession.h"
#include "log/update.h"
#include "ui/frmmain.h"
#include "ui/logfollower.h"
#include "ui/sessionpage.h"
#include "ui/sessiontablemodel.h"
#include "ui/statisticspage.h"
#include "ui/traycontrol.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QSettings>

namespace dialtally {
namespace {

// An update that mended the log (a torn end cut, an interrupted update done again) may have
// changed records the list was built from.
bool MendedTheLog(const UpdateReport& report)
{
    return report.recordsUndone > 0 || report.tornBytesCut > 0 || report.batchBytesCut > 0 ||
           report.finishedInterrupted;
}

} // namespace

void frmMain::SetFollowLogger(bool on)
{
    m_live.bFollowLogger = on;
    m_mnuFollow->setChecked(on);
    m_tray->SetFollowChecked(on);
    // A damaged settings file is left alone; the choice then holds for this run only.
    if (m_store)
        SaveLiveOptions(*m_store, m_live);
    m_follower->SetEnabled(on && m_fActivated);
}

void frmMain::SetKeepInTray(bool on)
{
    m_live.bKeepInTray = on;
    m_mnuKeepInTray->setChecked(on);
    if (m_store)
        SaveLiveOptions(*m_store, m_live);
}

void frmMain::RefreshFromLogger()
{
    UpdateReport report;
    if (!UpdateSessionLog(UpdateSettingsFor(m_places), &report)) {
        m_updateReport = report;
        ShowUpdateFailure();
        return;
    }
    if (report.appended == 0 && !MendedTheLog(report))
        return;
    m_updateReport = report;
    std::optional<SessionIndex> firstTouched;
    if (!MendedTheLog(report))
        firstTouched = ExtendLoadedLog(m_places.programDir, m_settings, m_gSessions, m_loadedEnd);
    ++m_followRefreshes;
    if (!firstTouched) {
        RefreshAll(kReload);
        return;
    }
    RefillAfterGrowth(*firstTouched);
}

void frmMain::RefillAfterGrowth(SessionIndex firstTouched)
{
    ApplyOpenSession(m_gSessions, m_clock(), m_settings.costs);
    if (!HasRealSession(m_gSessions)) {
        RefreshAll(kRefillPages);
        return;
    }
    const bool selection = m_statistics.fSelection;
    SessionTableModel& table = m_sessionPage->Model();
    if (ShowingPeriod()) {
        const auto from = ParseUserDate(m_txtFrom->text());
        const auto to = ParseUserDate(m_txtTo->text());
        m_statistics = AnalyseRange(m_gSessions, *from, to.value_or(*from), m_chkEnd->isChecked());
    } else {
        m_statistics = AnalyseAll(m_gSessions);
    }
    m_statistics.fSelection = selection;
    // Rows are added under the table, so its selection and scroll position stay.
    if (!table.ExtendTo(m_statistics.iFirst, m_statistics.iLast))
        FillSessionTable(m_statistics.iFirst, m_statistics.iLast);
    for (auto i = static_cast<std::size_t>(firstTouched); i < m_gSessions.size(); ++i)
        table.RefreshSession(i);
    FillStatisticsPage();
    // Only the months from the last one on are summed again.
    ShowMonthlySummary(m_monthly.Extend(m_gSessions, firstTouched, m_settings.costs.vServFlatMonth,
                                        m_settings.cycle));
    UpdateBudgetWarning();
    ShowOpenSession();
}

} // namespace dialtally
