#pragma once

#include "analysis/analysis.h"
#include "analysis/settings.h"
#include "log/sessionlog.h"
#include "log/update.h"
#include "ui/twips.h"

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTableView;
class QTimer;

namespace dialtally {

class clsGraph;
class clsStatBar;
class GridTextModel;
class PictureBox;
class ProgressBar;
class SessionTableModel;
class TabPicture;

// The one main window. It owns the session list, the statistics, the progress bar and the graph,
// drives every reload and recalculation, and holds the three pages: the session table, the
// statistics and the monthly summary. Controls carry their design names as object names.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    // The modes of RefreshAll.
    static constexpr int kReload = 101;           // update and read the session log anew
    static constexpr int kRecalculateCosts = 102; // price the loaded list again
    static constexpr int kRefillPages = 103;      // refill the pages only

    // "Now" for the parts of the window that depend on the date (the month an empty log shows).
    using Clock = std::function<DateTime()>;

    explicit frmMain(QWidget* parent = nullptr, Clock clock = {});
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
    void UpdateSelectionSum();
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
    // Brings page 0 (sessions), 1 (statistics) or 2 (monthly summary) to the front.
    void ShowPage(int page);
    int Page() const { return m_iPage; }

    const SessionList& Sessions() const { return m_gSessions; }
    const Statistics& CurrentStatistics() const { return m_statistics; }
    const CostSettings& Costs() const { return m_settings.costs; }
    SessionTableModel& SessionTable() { return *m_sessionModel; }
    GridTextModel& MonthlyGrid() { return *m_monthModel; }
    ProgressBar& StatBar();
    clsGraph& Graph() { return *m_graph; }
    const TwipsScale& Scale() const { return m_scale; }

    // How often the costs were calculated since the window was made.
    int CostCalculationCount() const { return m_costCalculations; }
    const UpdateReport& LastUpdate() const { return m_updateReport; }
    // Shortens the 8-second life of a status text (tests).
    void SetStatusInterval(int milliseconds) { m_statusInterval = milliseconds; }
    int StatusInterval() const { return m_statusInterval; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildWindow();
    void BuildMenus();
    void BuildPeriodBar(QWidget* canvas);
    void BuildSessionPage(QWidget* page);
    void BuildStatisticsPage(QWidget* page);
    void BuildMonthlyPage(QWidget* page);
    void AttachDrawingObjects();
    void SetUpGrid(QTableView* grid, const std::vector<int>& widthsTwips, int headerLines);

    void OnTabReleased(int tab, int x, int y);
    void OnDateTextChanged();
    void OnPartialClicked();
    void OnWholeClicked();
    void OnEndClicked();
    void OnStatusTimer();
    void ShowUpdateFailure();
    void RestorePeriod();
    void SavePeriod();
    void ShowEmptyTable();
    void ShowEditMenu(const QPoint& globalPosition);
    bool ShowingPeriod();

    TwipsScale m_scale;
    Clock m_clock;
    LoadedSettings m_settings;
    SessionList m_gSessions;
    Statistics m_statistics;

    bool m_fGridTouched = false;
    bool m_fRestoring = false;
    bool m_fFirstRun = false;
    bool m_fActivated = false;
    bool m_fEndChangedByProgram = false;
    bool m_fExiting = false;
    int m_iPage = 0;
    int m_costCalculations = 0;
    UpdateReport m_updateReport;
    int m_statusInterval = 8000;
    // The rows of the monthly grid, the header included; it grows but never shrinks.
    int m_monthGridRows = 8;
    // Pixels the page area is wider than designed, so that the texts of the pages fit.
    int m_extraWidth = 0;

    std::unique_ptr<clsStatBar> m_statBar;
    std::unique_ptr<clsGraph> m_graph;
    SessionTableModel* m_sessionModel = nullptr;
    GridTextModel* m_monthModel = nullptr;

    // Period bar.
    QFrame* m_frame2 = nullptr;
    QRadioButton* m_optWhole = nullptr;
    QRadioButton* m_optPartial = nullptr;
    QLineEdit* m_txtFrom = nullptr;
    QLabel* m_lblTo = nullptr;
    QLineEdit* m_txtTo = nullptr;
    QCheckBox* m_chkEnd = nullptr;

    std::array<TabPicture*, 3> m_picTab{};
    std::array<QWidget*, 3> m_picContain{};

    // Page 0.
    QTableView* m_grdTime = nullptr;
    QLabel* m_lblSumDur1 = nullptr;
    QLabel* m_lblSumTrns = nullptr;
    QLabel* m_lblSumRec = nullptr;
    QLabel* m_lblSumComCosts = nullptr;
    QLabel* m_lblSumServCosts = nullptr;

    // Page 1: the value boxes in the order of FillStatisticsPage.
    QLabel* m_lblStart = nullptr;
    QLabel* m_lblEnd = nullptr;
    QLabel* m_lblLongUp = nullptr;
    QLabel* m_lblLongDwn = nullptr;
    QLabel* m_lblLongDur = nullptr;
    QLabel* m_lblShortUp = nullptr;
    QLabel* m_lblShortDwn = nullptr;
    QLabel* m_lblShortDur = nullptr;
    QLabel* m_lblAverage = nullptr;
    QLabel* m_lblNumSes = nullptr;
    std::array<QLabel*, kErrorCounterCount> m_errorBoxes{};

    // Page 2.
    QTableView* m_grdSum = nullptr;
    PictureBox* m_picGraph = nullptr;

    PictureBox* m_picEnable = nullptr;
    QLabel* m_picEnableText = nullptr;
    PictureBox* m_picStatBar = nullptr;
    QPushButton* m_cmdLogging = nullptr;
    QPushButton* m_cmdUpdate = nullptr;
    QPushButton* m_cmdClear = nullptr;
    QPushButton* m_cmdPrint = nullptr;
    QPushButton* m_cmdExport = nullptr;
    QPushButton* m_cmdExit = nullptr;
    QTimer* m_timStatBar = nullptr;

    QMenu* m_mnuEdit = nullptr;
    QMenu* m_mnuLogging = nullptr;
    QAction* m_mnuLog = nullptr;
};

} // namespace dialtally
