#pragma once

#include "analysis/analysis.h"
#include "analysis/liveoptions.h"
#include "analysis/logtail.h"
#include "analysis/monthlycache.h"
#include "analysis/settings.h"
#include "log/sessionlog.h"
#include "log/update.h"
#include "platform/places.h"
#include "ui/twips.h"

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QSettings;
class QTableView;
class QTimer;

namespace dialtally {

class clsGraph;
class clsStatBar;
class GridTextModel;
class LogFollower;
class TrayControl;
class MonthlyPage;
class PictureBox;
class ProgressBar;
class SessionPage;
class SessionTableModel;
class StatisticsPage;
class TabPicture;
class WindowHelp;

// The one main window. It owns the session list, the statistics, the progress bar and the graph,
// drives every reload and recalculation, and holds the menus, the period bar, the status line
// and the three pages (SessionPage, StatisticsPage, MonthlyPage), which it fills from plain
// data. Controls carry their design names as object names.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    // The modes of RefreshAll.
    static constexpr int kReload = 101;           // update and read the session log anew
    static constexpr int kRecalculateCosts = 102; // price the loaded list again
    static constexpr int kRefillPages = 103;      // refill the pages only

    // "Now" for the parts of the window that depend on the date (the month an empty log shows).
    using Clock = std::function<DateTime()>;

    explicit frmMain(const Places& places, QWidget* parent = nullptr, Clock clock = {});
    ~frmMain() override;

    // Set by the settings dialogs when they saved new values; ApplySettingsChange clears it.
    bool gfUpdateUI = false;

    void RefreshAll(int mode);
    // Shows text in the status line; it is cleared once, StatusInterval() after the last call.
    void SetStatus(const QString& text);
    void ApplySettingsChange();
    // Copies the selected cells of the grid of the page in front to the clipboard as text, cells
    // ended by a tab and rows by CR LF. On the statistics page the clipboard is only cleared.
    void CopySelection();
    void CalcMonthlyStatistics();
    void FillStatisticsPage();
    void FillSessionTable(SessionIndex first, SessionIndex last);
    // The sum of the sessions that rows firstRow..lastRow of the table show, and the period boxes
    // set to their days while the whole log is shown.
    void UpdateSelectionSum(int firstRow, int lastRow);
    // The sum line shows the rows selected now: after a change of the log the rows it summed
    // may be gone.
    void ShowSumOfSelection();
    void SetLoggingDisplay(bool on);

    // The period check: from is a date and either the period runs to the end of the log or to is
    // a date on or after from.
    static bool ValidatePeriod(const QString& from, const QString& to, bool toEnd);

    // Commands.
    void Update();
    // Saves the period and closes the window. Closing by the close box does not save it.
    void Exit();
    // The start-up load; runs once, at the first activation of the window.
    void FirstActivation();
    // The first run of the program (no mark of an earlier run in the settings store).
    bool FirstRun() const { return m_fFirstRun; }
    // The Settings menu: each opens its dialog modally. After the tariff dialogs the costs are
    // worked out again (ApplySettingsChange); after the options the log is updated and analysed
    // again.
    void ServiceCosts();
    void CommunicationCosts();
    void Options();
    void ShowTariffComparison();
    // Settings > Budgets: the monthly budgets and their warning thresholds.
    void OpenBudgets();
    const LiveOptions& Live() const { return m_live; }
    // Logging > Follow the Logger: while on, new lines of the logger are taken into the log and
    // the pages as they arrive. The choice is kept in the settings store.
    void SetFollowLogger(bool on);
    // Runs the update and adds what it appended to the loaded list, refreshing the pages with
    // the table's selection and scroll position kept; reloads in full only when the session log
    // no longer continues the loaded one.
    void RefreshFromLogger();
    // Settings > Keep Running in the Tray (offered where the desktop has a tray): closing the
    // window then leaves the program running in the tray.
    void SetKeepInTray(bool on);
    TrayControl& Tray() { return *m_tray; }
    // How often the pages were refreshed for new lines of the logger.
    int FollowRefreshCount() const { return m_followRefreshes; }
    // The status line's warning of the budgets that reached a threshold; empty when none did.
    const QString& BudgetLine() const { return m_budgetLine; }
    // Brings page 0 (sessions), 1 (statistics) or 2 (monthly summary) to the front.
    void ShowPage(int page);
    int Page() const { return m_iPage; }

    const SessionList& Sessions() const { return m_gSessions; }
    const Places& WindowPlaces() const { return m_places; }
    std::int32_t AdditionalConnectSeconds() const { return m_settings.vAditionalConnectSeconds; }
    // The first and the last row selected in the session table; the current row when none is.
    std::pair<int, int> SelectedSessionRows() const;
    const Statistics& CurrentStatistics() const { return m_statistics; }
    const CostSettings& Costs() const { return m_settings.costs; }
    SessionTableModel& SessionTable();
    GridTextModel& MonthlyGrid();
    ProgressBar& StatBar();
    clsGraph& Graph() { return *m_graph; }
    const TwipsScale& Scale() const { return m_scale; }

    // How often the costs were calculated since the window was made.
    int CostCalculationCount() const { return m_costCalculations; }
    const UpdateReport& LastUpdate() const { return m_updateReport; }
    // Shortens the 8-second life of a status text (tests).
    void SetStatusInterval(int milliseconds) { m_statusInterval = milliseconds; }
    int StatusInterval() const { return m_statusInterval; }
    // The status line as it reads now.
    QString StatusText() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildWindow();
    void BuildMenus();
    void BuildPeriodBar(QWidget* canvas);
    void AttachDrawingObjects();

    void OnTabReleased(int tab, int x, int y);
    void OnDateTextChanged();
    void OnPartialClicked();
    void OnWholeClicked();
    void OnEndClicked();
    void OnStatusTimer();
    // Runs the open session's duration and costs on to now and shows them in the table and,
    // unless a status text is showing, in the status line beside the budget warning.
    void ShowOpenSession();
    // Measures the budgets against the current month and its estimate (after every refresh).
    void UpdateBudgetWarning();
    // Fills the monthly page and the graph from the months, with the current month's estimate.
    void ShowMonthlySummary(const MonthlySummary& summary);
    // The pages after the list grew at its end from firstTouched on.
    void RefillAfterGrowth(SessionIndex firstTouched);
    void ShowUpdateFailure();
    void RestorePeriod();
    void SavePeriod();
    void ShowEmptyTable();
    void ShowEditMenu(const QPoint& globalPosition);
    bool ShowingPeriod();

    TwipsScale m_scale;
    const Places m_places;
    Clock m_clock;
    // Opened once; null while the settings file is damaged, so that nothing writes it.
    std::unique_ptr<QSettings> m_store;
    LoadedSettings m_settings;
    LiveOptions m_live;
    LoadedEnd m_loadedEnd;
    MonthlyTotalsCache m_monthly;
    static constexpr std::size_t kFollowHeadroom = 4096;
    LogFollower* m_follower = nullptr;
    QAction* m_mnuFollow = nullptr;
    QAction* m_mnuKeepInTray = nullptr;
    TrayControl* m_tray = nullptr;
    int m_followRefreshes = 0;
    QString m_budgetLine;
    QString m_budgetLineShort; // the budget nearest its limit, beside the open session's line
    SessionList m_gSessions;
    Statistics m_statistics;

    bool m_fRestoring = false;
    bool m_fFirstRun = false;
    bool m_fActivated = false;
    bool m_fEndChangedByProgram = false;
    bool m_fExiting = false;
    int m_iPage = 0;
    int m_costCalculations = 0;
    UpdateReport m_updateReport;
    int m_statusInterval = 8000;
    Placement m_placement;

    std::unique_ptr<clsStatBar> m_statBar;
    std::unique_ptr<clsGraph> m_graph;

    // Period bar.
    QFrame* m_frame2 = nullptr;
    QRadioButton* m_optWhole = nullptr;
    QRadioButton* m_optPartial = nullptr;
    QLineEdit* m_txtFrom = nullptr;
    QLabel* m_lblTo = nullptr;
    QLineEdit* m_txtTo = nullptr;
    QCheckBox* m_chkEnd = nullptr;

    std::array<TabPicture*, 3> m_picTab{};
    SessionPage* m_sessionPage = nullptr;
    StatisticsPage* m_statisticsPage = nullptr;
    MonthlyPage* m_monthlyPage = nullptr;

    PictureBox* m_picEnable = nullptr;
    PictureBox* m_picStatBar = nullptr;
    QPushButton* m_cmdLogging = nullptr;
    QPushButton* m_cmdUpdate = nullptr;
    QPushButton* m_cmdClear = nullptr;
    QPushButton* m_cmdPrint = nullptr;
    QPushButton* m_cmdExport = nullptr;
    QPushButton* m_cmdExit = nullptr;
    QTimer* m_timStatBar = nullptr;
    QTimer* m_timLive = nullptr; // every second while a session is open

    WindowHelp* m_help = nullptr;
    QMenu* m_mnuEdit = nullptr;
    QMenu* m_mnuLogging = nullptr;
    QAction* m_mnuLog = nullptr;
};

} // namespace dialtally
