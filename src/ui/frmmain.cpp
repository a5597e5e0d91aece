#include "ui/frmmain.h"

#include "analysis/costs.h"
#include "analysis/estimate.h"
#include "analysis/firstrun.h"
#include "analysis/formatting.h"
#include "analysis/livesession.h"
#include "analysis/monthly.h"
#include "analysis/pricedlog.h"
#include "log/update.h"
#include "report/graph.h"
#include "report/statbar.h"
#include "ui/clearlogcommand.h"
#include "ui/deletecommand.h"
#include "ui/exportcommand.h"
#include "ui/frmabout.h"
#include "ui/frmeditlog.h"
#include "ui/gridtextmodel.h"
#include "ui/importoldlog.h"
#include "ui/logfollower.h"
#include "ui/loggingcommand.h"
#include "ui/messagebox.h"
#include "ui/monthlypage.h"
#include "ui/pagecontrols.h"
#include "ui/picturebox.h"
#include "ui/printcommand.h"
#include "ui/sessionpage.h"
#include "ui/sessiontablemodel.h"
#include "ui/statisticspage.h"
#include "ui/tabstrip.h"
#include "ui/traycontrol.h"
#include "ui/windowhelp.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDateTime>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QTableView>
#include <QTimer>

namespace dialtally {

namespace {

// Help context numbers of the window, its menus and items, kept for the help key.
const char* const kHelpContext = "helpContext";

// The page area: the black outline with white top and left and grey right and bottom edges
// inside it, so that the pages look raised.
class MainCanvas : public QWidget {
public:
    explicit MainCanvas(QWidget* parent) : QWidget(parent) { MakeLightGrey(this); }

    void SetOutline(const QRect& outline)
    {
        m_outline = outline;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QRect r = m_outline.adjusted(0, 0, -1, -1);
        painter.setPen(Qt::black);
        painter.drawRect(r);
        painter.setPen(Qt::white);
        painter.drawLine(r.left() + 1, r.top() + 1, r.right() - 1, r.top() + 1);
        painter.drawLine(r.left() + 1, r.top() + 2, r.right() - 1, r.top() + 2);
        painter.drawLine(r.left() + 1, r.top() + 1, r.left() + 1, r.bottom() - 1);
        painter.setPen(kDarkGrey);
        painter.drawLine(r.right() - 1, r.top() + 2, r.right() - 1, r.bottom() - 1);
        painter.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
    }

private:
    QRect m_outline;
};

DateTime SystemNow()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    return MakeDateTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second())
        .value_or(DateTime{});
}

QAction* MakeAction(QMenu* menu, const QString& caption, const char* name, int helpContext = 0,
                    bool enabled = true)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    if (helpContext)
        action->setProperty(kHelpContext, helpContext);
    action->setEnabled(enabled);
    return action;
}

QMenu* MakeMenu(QMenuBar* bar, const QString& caption, const char* name, int helpContext = 0)
{
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    if (helpContext) {
        menu->setProperty(kHelpContext, helpContext);
        menu->menuAction()->setProperty(kHelpContext, helpContext);
    }
    return menu;
}

void AddSeparator(QMenu* menu, const char* name)
{
    menu->addSeparator()->setObjectName(QString::fromLatin1(name));
}

QString SettingsProblemMessage(const SettingsProblem& problem)
{
    return QStringLiteral("The settings file cannot be used:\r\n") + problem.Text() +
           QStringLiteral("\r\nCosts are off, and the file is left as it is until you mend it.");
}

} // namespace

frmMain::frmMain(const Places& places, QWidget* parent, Clock clock)
    : QMainWindow(parent), m_places(places), m_clock(clock ? std::move(clock) : Clock(SystemNow))
{
    setObjectName(QStringLiteral("frmMain"));
    setProperty(kHelpContext, 10);
    m_help = new WindowHelp(this);
    m_scale = TwipsScale::ForWidget(this);

    // Loading: the progress bar and the graph get their surfaces, the settings are read, the
    // window is centred and the grids are set up.
    BuildWindow();
    AttachDrawingObjects();
    // A damaged settings file is reported once; the window then runs with the costs off, and
    // no save writes the file while it is damaged.
    m_settings = LoadUserSettings(m_places.SettingsFile(), m_store);
    if (m_settings.problem)
        MessageBox::Show(this, SettingsProblemMessage(*m_settings.problem),
                         MessageBox::Icon::Exclamation);
    m_fFirstRun = m_store && IsFirstRun(*m_store);
    if (m_store)
        m_live = LoadLiveOptions(*m_store);
    m_follower = new LogFollower(m_places.windowsDir, this);
    connect(m_follower, &LogFollower::LinesArrived, this, &frmMain::RefreshFromLogger);
    m_mnuFollow->setChecked(m_live.bFollowLogger);
    m_mnuKeepInTray->setChecked(m_live.bKeepInTray);
    m_tray = new TrayControl(this);
    m_tray->SetFollowChecked(m_live.bFollowLogger);
    connect(m_tray, &TrayControl::ShowRequested, this, [this] {
        showNormal();
        raise();
        activateWindow();
    });
    connect(m_tray, &TrayControl::UpdateRequested, this, &frmMain::Update);
    connect(m_tray, &TrayControl::FollowToggled, this, &frmMain::SetFollowLogger);
    connect(m_tray, &TrayControl::ExitRequested, this, &frmMain::Exit);
    QApplication::setApplicationDisplayName(QString());
    setWindowTitle(QStringLiteral("Dialtally"));
    // A single fixed border: the canvas has its size, and the window neither grows nor shrinks.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    if (const QScreen* screen = this->screen()) {
        const QRect available = screen->geometry();
        const QSize frame = sizeHint();
        move(available.left() + (available.width() - frame.width()) / 2,
             available.top() + (available.height() - frame.height()) / 2);
    }
    m_gSessions.assign(1, SessionRecord{});
    m_statistics = AnalyseAll(m_gSessions);
    ShowEmptyTable();
}

frmMain::~frmMain() = default;

ProgressBar& frmMain::StatBar()
{
    return *m_statBar;
}

SessionTableModel& frmMain::SessionTable()
{
    return m_sessionPage->Model();
}

GridTextModel& frmMain::MonthlyGrid()
{
    return m_monthlyPage->Model();
}

void frmMain::BuildWindow()
{
    const TwipsScale& s = m_scale;
    auto* canvas = new MainCanvas(this);
    canvas->setObjectName(QStringLiteral("MainCanvas"));
    setCentralWidget(canvas);
    // Fixed single border without a maximize button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    BuildMenus();

    // The pages, one above the other; the front page is raised.
    m_sessionPage = new SessionPage(s, canvas);
    m_statisticsPage = new StatisticsPage(s, canvas);
    m_monthlyPage = new MonthlyPage(s, canvas);
    m_sessionPage->setGeometry(s.Rect(120, 1140, 7755, 4875));
    m_statisticsPage->setGeometry(s.Rect(120, 1200, 7755, 4755));
    m_monthlyPage->setGeometry(s.Rect(120, 1140, 7755, 4875));
    m_sessionPage->AddControls(m_placement);
    m_statisticsPage->AddControls(m_placement);
    m_monthlyPage->AddControls(m_placement);
    connect(m_sessionPage, &SessionPage::RowsChosen, this, &frmMain::UpdateSelectionSum);
    for (QTableView* grid : {m_sessionPage->Grid(), m_monthlyPage->Grid()}) {
        grid->installEventFilter(this);
        grid->viewport()->installEventFilter(this);
    }

    BuildPeriodBar(canvas);

    // The tab strip stands on the top edge of the page outline, overlapping it by 3 pixels.
    for (int i = 0; i < 3; ++i) {
        auto* tab = new TabPicture(i, canvas);
        tab->setObjectName(QStringLiteral("picTab%1").arg(i));
        tab->move(s.X(60), s.Y(1050) - 24);
        connect(tab, &TabPicture::Released, this,
                [this, i](int x, int y) { OnTabReleased(i, x, y); });
        m_picTab[static_cast<std::size_t>(i)] = tab;
    }

    m_picEnable = new PictureBox(canvas);
    m_picEnable->setObjectName(QStringLiteral("picEnable"));
    m_picEnable->setGeometry(s.Rect(8040, 120, 1335, 480));
    m_placement.Add(m_picEnable, Anchor::Shift);
    connect(m_picEnable, &PictureBox::MousePressed, this,
            [this](Qt::MouseButton button, QPoint position) {
                if (button == Qt::RightButton)
                    m_mnuLogging->popup(m_picEnable->mapToGlobal(position));
            });

    auto makeButton = [&](const QString& caption, const char* name, int top, int height,
                          bool enabled) {
        auto* button = new QPushButton(caption, canvas);
        button->setObjectName(QString::fromLatin1(name));
        button->setEnabled(enabled);
        PlaceWidget(button, s, 8040, top, 1335, height);
        m_placement.Add(button, Anchor::Shift);
        return button;
    };
    m_cmdLogging = makeButton(QStringLiteral("Logging &On"), "cmdLogging", 1080, 435, true);
    m_cmdUpdate = makeButton(QStringLiteral("&Update Log"), "cmdUpdate", 1980, 435, true);
    m_cmdClear = makeButton(QStringLiteral("C&lear Log"), "cmdClear", 2520, 435, true);
    m_cmdPrint = makeButton(QStringLiteral("&Print Log"), "cmdPrint", 3060, 435, true);
    m_cmdExport = makeButton(QStringLiteral("E&xport Log"), "cmdExport", 3600, 435, false);
    m_cmdExit = makeButton(QStringLiteral("&Exit"), "cmdExit", 5580, 495, true);
    connect(m_cmdUpdate, &QPushButton::clicked, this, &frmMain::Update);
    connect(m_cmdClear, &QPushButton::clicked, this, [this] { ClearLog(*this); });
    connect(m_cmdPrint, &QPushButton::clicked, this, [this] { PrintCommand(*this); });
    connect(m_cmdExit, &QPushButton::clicked, this, &frmMain::Exit);
    connect(m_cmdLogging, &QPushButton::clicked, this,
            [this] { RunLoggingCommand(*this, m_places); });

    m_picStatBar = new PictureBox(canvas);
    m_picStatBar->setObjectName(QStringLiteral("picStatBar"));
    m_picStatBar->setGeometry(s.Rect(0, 6180, 9435, 315));
    m_placement.Add(m_picStatBar, Anchor::Stretch);

    m_timStatBar = new QTimer(this);
    m_timStatBar->setObjectName(QStringLiteral("timStatBar"));
    m_timStatBar->setSingleShot(true);
    m_timStatBar->setInterval(8000);
    connect(m_timStatBar, &QTimer::timeout, this, &frmMain::OnStatusTimer);
    m_timLive = new QTimer(this);
    m_timLive->setObjectName(QStringLiteral("timLive"));
    m_timLive->setInterval(1000);
    connect(m_timLive, &QTimer::timeout, this, &frmMain::ShowOpenSession);

    // The texts of this system's fonts need more room than the design gave the pages: the whole
    // page area widens once by what the widest page needs.
    const int extra =
        std::max(m_sessionPage->ExtraWidthNeeded(), m_statisticsPage->ExtraWidthNeeded());
    m_placement.Widen(extra);
    canvas->setFixedSize(s.X(9450) + extra, s.Y(6510));
    QRect outline = s.Rect(60, 1050, 7875, 5030);
    outline.setWidth(outline.width() + extra);
    canvas->SetOutline(outline);
    m_sessionPage->Relayout();
    m_monthlyPage->Relayout();

    SetLoggingDisplay(false);
    ShowPage(0);
}

void frmMain::BuildMenus()
{
    QMenuBar* bar = menuBar();
    QMenu* file = MakeMenu(bar, QStringLiteral("&File"), "mnuFile");
    connect(MakeAction(file, QStringLiteral("&Print Log"), "mnuPrint", 240), &QAction::triggered,
            this, [this] { PrintCommand(*this); });
    connect(MakeAction(file, QStringLiteral("Write Data File"), "mnuWriteLog"), &QAction::triggered,
            this, [this] { WriteDataFile(*this); });
    AddSeparator(file, "sep0");
    connect(MakeAction(file, QStringLiteral("&Exit"), "mnuExit"), &QAction::triggered, this,
            &frmMain::Exit);

    m_mnuEdit = MakeMenu(bar, QStringLiteral("&Edit"), "mnuEdit", 250);
    connect(MakeAction(m_mnuEdit, QStringLiteral("&Copy"), "mnuCopy"), &QAction::triggered, this,
            &frmMain::CopySelection);
    connect(MakeAction(m_mnuEdit, QStringLiteral("&Delete"), "mnuDelete"), &QAction::triggered,
            this, [this] { DeleteSelected(*this); });

    m_mnuLogging = MakeMenu(bar, QStringLiteral("&Logging"), "mnuLogging");
    m_mnuLog = MakeAction(m_mnuLogging, QStringLiteral("&Logging On"), "mnuLog", 210);
    m_mnuLog->setCheckable(true);
    connect(m_mnuLog, &QAction::triggered, this, [this] {
        // The check mark shows the state, which only the command changes.
        m_mnuLog->setChecked(!m_mnuLog->isChecked());
        RunLoggingCommand(*this, m_places);
    });
    connect(MakeAction(m_mnuLogging, QStringLiteral("&Update Log"), "mnuUpdate", 220),
            &QAction::triggered, this, &frmMain::Update);
    connect(MakeAction(m_mnuLogging, QStringLiteral("&Clear Log"), "mnuClearLog", 230),
            &QAction::triggered, this, [this] { ClearLog(*this); });
    m_mnuFollow = MakeAction(m_mnuLogging, QStringLiteral("&Follow the Logger"), "mnuFollow");
    m_mnuFollow->setCheckable(true);
    connect(m_mnuFollow, &QAction::triggered, this, &frmMain::SetFollowLogger);
    // Hidden and off until the About dialog shows it.
    QAction* editLog =
        MakeAction(m_mnuLogging, QStringLiteral("&Edit Log"), "mnuEditLog", 0, false);
    editLog->setVisible(false);
    connect(editLog, &QAction::triggered, this, [this] { OpenLogEditor(*this); });

    QMenu* settings = MakeMenu(bar, QStringLiteral("&Settings"), "mnuPref", 260);
    connect(MakeAction(settings, QStringLiteral("&Service Costs"), "mnuSCosts", 280),
            &QAction::triggered, this, &frmMain::ServiceCosts);
    connect(MakeAction(settings, QStringLiteral("&Communication Costs"), "mnuCCosts", 290),
            &QAction::triggered, this, &frmMain::CommunicationCosts);
    connect(MakeAction(settings, QStringLiteral("&Options"), "mnuOptions"), &QAction::triggered,
            this, &frmMain::Options);
    connect(MakeAction(settings, QStringLiteral("Compare &Tariffs\u2026"), "mnuCompare"),
            &QAction::triggered, this, &frmMain::ShowTariffComparison);
    connect(MakeAction(settings, QStringLiteral("&Budgets"), "mnuBudgets"), &QAction::triggered,
            this, &frmMain::OpenBudgets);
    m_mnuKeepInTray =
        MakeAction(settings, QStringLiteral("Keep Running in the &Tray"), "mnuKeepInTray");
    m_mnuKeepInTray->setCheckable(true);
    m_mnuKeepInTray->setVisible(TrayControl::Available());
    connect(m_mnuKeepInTray, &QAction::triggered, this, &frmMain::SetKeepInTray);

    QMenu* help = MakeMenu(bar, QStringLiteral("&Help"), "mnuHelp", 300);
    connect(MakeAction(help, QStringLiteral("&Help Index"), "mnuHelpTopis"), &QAction::triggered,
            this, [this] { m_help->ShowHelpTopic(10); });
    AddSeparator(help, "sep1");
    connect(MakeAction(help, QStringLiteral("&About"), "mnuAbout"), &QAction::triggered, this,
            [this, editLog] { ShowAbout(this, editLog); });
}

void frmMain::BuildPeriodBar(QWidget* canvas)
{
    const TwipsScale& s = m_scale;
    m_frame2 = new QFrame(canvas);
    m_frame2->setObjectName(QStringLiteral("Frame2"));
    m_frame2->setFrameStyle(QFrame::Box | QFrame::Sunken);
    m_frame2->setGeometry(s.Rect(60, 30, 7875, 570));
    m_placement.Add(m_frame2, Anchor::Stretch);
    // Disabled captions in the grey of disabled text on this light grey, not in the desktop's
    // pale grey, which would vanish on it ("View log from:" is disabled on every fresh start).
    QPalette palette = m_frame2->palette();
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        palette.setColor(QPalette::Disabled, role, kDarkGrey);
    m_frame2->setPalette(palette);

    m_optWhole = new QRadioButton(QStringLiteral("View whole log"), m_frame2);
    m_optWhole->setObjectName(QStringLiteral("optWhole"));
    m_optWhole->setChecked(true);
    m_optPartial = new QRadioButton(QStringLiteral("View log from:"), m_frame2);
    m_optPartial->setObjectName(QStringLiteral("optPartial"));
    m_optPartial->setEnabled(false);
    QFont bold = font();
    bold.setBold(true);
    m_txtFrom = new QLineEdit(m_frame2);
    m_txtFrom->setObjectName(QStringLiteral("txtFrom"));
    m_txtFrom->setFont(bold);
    m_lblTo = MakeLabel(m_frame2, QStringLiteral("to"), "lblTo");
    m_lblTo->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    m_txtTo = new QLineEdit(m_frame2);
    m_txtTo->setObjectName(QStringLiteral("txtTo"));
    m_txtTo->setFont(bold);
    m_chkEnd = new QCheckBox(QStringLiteral("End of log"), m_frame2);
    m_chkEnd->setObjectName(QStringLiteral("chkEnd"));

    // The captions and dates need more room than the design gave them in the usual fonts of
    // this system: each control grows to fit its text and starts where the design put it, or
    // just right of the control before it when that one grew into its place.
    int dateWidth = 0;
    const QFontMetrics boldMetrics(bold);
    for (int month = 1; month <= 12; ++month)
        dateWidth = std::max(dateWidth, boldMetrics.horizontalAdvance(
                                            FormatShortDate(*MakeDateTime(2024, month, 28))));
    int nextLeft = 0;
    auto place = [&](QWidget* widget, int left, int top, int width, int height, int textWidth) {
        const QRect design = s.Rect(left, top, width, height);
        const int x = std::max(design.left(), nextLeft);
        const int w = std::max(design.width(), textWidth);
        // Vertically centred on the design's row, at the height the font needs.
        const int h = std::max(design.height(), widget->sizeHint().height());
        widget->setGeometry(x, design.center().y() - h / 2, w, h);
        nextLeft = x + w + 3;
    };
    const int boxWidth = dateWidth + 12;
    place(m_optWhole, 180, 240, 1515, 255, m_optWhole->sizeHint().width());
    place(m_optPartial, 2280, 240, 1395, 255, m_optPartial->sizeHint().width());
    place(m_txtFrom, 3780, 180, 1095, 285, boxWidth);
    place(m_lblTo, 4920, 240, 375, 255, m_lblTo->sizeHint().width());
    place(m_txtTo, 5340, 180, 1095, 285, boxWidth);
    place(m_chkEnd, 6540, 240, 1155, 195, m_chkEnd->sizeHint().width());

    connect(m_txtFrom, &QLineEdit::textChanged, this, &frmMain::OnDateTextChanged);
    connect(m_txtTo, &QLineEdit::textChanged, this, &frmMain::OnDateTextChanged);
    connect(m_optPartial, &QRadioButton::clicked, this, &frmMain::OnPartialClicked);
    connect(m_optWhole, &QRadioButton::clicked, this, &frmMain::OnWholeClicked);
    connect(m_chkEnd, &QCheckBox::clicked, this, &frmMain::OnEndClicked);
}

void frmMain::AttachDrawingObjects()
{
    m_picStatBar->CreatePicture(kLightGrey, m_scale.TwipsPerPixelX(), m_scale.TwipsPerPixelY());
    StatBarColors colors;
    colors.bar = palette().color(QPalette::Highlight);
    colors.text = palette().color(QPalette::WindowText);
    m_statBar = std::make_unique<clsStatBar>(colors);
    m_statBar->SetOutputObject(m_picStatBar->Surface());

    // The graph draws on the window background colour of the system (the colour behind text).
    PictureBox* picGraph = m_monthlyPage->GraphSurface();
    picGraph->CreatePicture(palette().color(QPalette::Base), m_scale.TwipsPerPixelX(),
                            m_scale.TwipsPerPixelY());
    m_graph = std::make_unique<clsGraph>();
    m_graph->SetOutput(picGraph->Surface());
}

// ---------------------------------------------------------------------------------------------
// Start-up, commands and exit

bool frmMain::event(QEvent* event)
{
    const bool result = QMainWindow::event(event);
    if (event->type() == QEvent::WindowActivate && !m_fActivated)
        QTimer::singleShot(0, this, &frmMain::FirstActivation);
    return result;
}

void frmMain::FirstActivation()
{
    if (m_fActivated)
        return;
    m_fActivated = true;
    QApplication::processEvents();
    RestorePeriod();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ImportOldLog(this, m_places, *m_statBar);
    SetStatus(QStringLiteral("Reading Log..."));
    RefreshAll(kReload);
    QApplication::restoreOverrideCursor();
    m_statBar->SetValue(0);
    ShowUpdateFailure();
    m_sessionPage->ReportChosenRows();
    CheckLoggingAtStartUp(*this, m_places, m_fFirstRun);
    if (m_fFirstRun && m_store)
        MarkFirstRunDone(*m_store);
    m_follower->SetEnabled(m_live.bFollowLogger);
}

void frmMain::Update()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    SetStatus(QStringLiteral("Updating Log..."));
    RefreshAll(kReload);
    SetStatus(QStringLiteral(" "));
    ShowUpdateFailure();
    QApplication::restoreOverrideCursor();
}

// A failed update must not pass for one that found nothing new.
void frmMain::ShowUpdateFailure()
{
    if (!m_updateReport.error.isEmpty())
        SetStatus(m_updateReport.error);
}

void frmMain::Exit()
{
    SavePeriod();
    m_fExiting = true;
    close();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    // Kept in the tray, the close box only hides the window; Exit still ends the program.
    if (!m_fExiting && m_live.bKeepInTray && TrayControl::Available()) {
        hide();
        event->ignore();
        return;
    }
    // The close box ends the program without remembering the period; only Exit saves it.
    m_fExiting = false;
    m_help->CloseHelp();
    event->accept();
}

void frmMain::ApplySettingsChange()
{
    if (gfUpdateUI) {
        repaint();
        QApplication::setOverrideCursor(Qt::WaitCursor);
        RefreshAll(kRecalculateCosts);
        QApplication::restoreOverrideCursor();
    }
    gfUpdateUI = false;
}

void frmMain::SetStatus(const QString& text)
{
    m_timStatBar->stop();
    m_timStatBar->setInterval(m_statusInterval);
    m_statBar->SetText(text);
    m_timStatBar->start();
}

void frmMain::OnStatusTimer()
{
    m_statBar->SetText(QString());
    m_timStatBar->stop();
    ShowOpenSession();
}

QString frmMain::StatusText() const
{
    return m_statBar->Text();
}

void frmMain::ShowOpenSession()
{
    const auto open = FindOpenSession(m_gSessions, m_clock(), m_settings.costs);
    QStringList line;
    if (open) {
        ApplyOpenSession(m_gSessions, m_clock(), m_settings.costs);
        m_sessionPage->Model().RefreshSession(static_cast<std::size_t>(open->index));
        line << OpenSessionText(*open);
        if (!m_timLive->isActive())
            m_timLive->start();
    } else {
        m_timLive->stop();
    }
    m_tray->ShowState(open.has_value(),
                      open ? line.front()
                           : MonthSoFarText(m_gSessions, m_clock(), m_settings.costs,
                                            m_settings.costs.vServFlatMonth, m_settings.cycle));
    // The status line is one line: beside the open session only the budget nearest its limit.
    const QString& budget = open ? m_budgetLineShort : m_budgetLine;
    if (!budget.isEmpty())
        line << budget;
    // A status text of a command stays for its time; the live line comes back after it.
    if (!m_timStatBar->isActive())
        m_statBar->SetText(line.join(QStringLiteral("; ")));
}

void frmMain::SetLoggingDisplay(bool on)
{
    DrawLoggingIndicator(*m_picEnable, m_scale, on);
    m_cmdLogging->setText(on ? QStringLiteral("Logging &Off") : QStringLiteral("Logging &On"));
    m_mnuLog->setChecked(on);
}

// ---------------------------------------------------------------------------------------------
// Refreshing

void frmMain::RefreshAll(int mode)
{
    ProgressBar& bar = *m_statBar;
    bar.SetMin(0);
    bar.SetMax(10);
    bar.SetValue(1);
    if (mode == kReload) {
        bar.SetText(QStringLiteral("Reading log.."));
        // The load goes on to "Analysing log.." and prices the sessions.
        PricedLog log = LoadPricedLog(m_places, m_settings, &bar);
        m_gSessions = std::move(log.sessions);
        m_updateReport = std::move(log.update);
        m_costCalculations += log.priced ? 1 : 0;
        m_statistics = AnalyseAll(m_gSessions);
        m_loadedEnd = FindLoadedEnd(m_places.programDir, m_gSessions);
        // Room for the sessions that following the logger adds: growing a list of a million
        // sessions later would stop the window while it is copied.
        m_gSessions.reserve(m_gSessions.size() + kFollowHeadroom);
    } else {
        bar.SetText(QStringLiteral("Analysing log.."));
        AdvanceProgress(&bar, 1);
        if (mode == kRecalculateCosts && HasRealSession(m_gSessions)) {
            CalculateCosts(m_gSessions, m_settings.costs);
            ++m_costCalculations;
        }
    }
    // The open session shows its running duration; a log whose only session is open has one.
    ApplyOpenSession(m_gSessions, m_clock(), m_settings.costs);

    if (HasRealSession(m_gSessions)) {
        bar.SetText(QStringLiteral("Updating user interface.."));
        if (ShowingPeriod()) {
            const auto from = ParseUserDate(m_txtFrom->text());
            const auto to = ParseUserDate(m_txtTo->text());
            m_statistics =
                AnalyseRange(m_gSessions, *from, to.value_or(*from), m_chkEnd->isChecked());
            FillSessionTable(m_statistics.iFirst, m_statistics.iLast);
        } else {
            m_statistics = AnalyseAll(m_gSessions);
            FillSessionTable(0, static_cast<SessionIndex>(m_gSessions.size()) - 1);
        }
        AdvanceProgress(&bar, 1);
        FillStatisticsPage();
        bar.SetValue(bar.Max());
        CalcMonthlyStatistics();
    } else {
        ShowEmptyTable();
        FillStatisticsPage();
        bar.SetValue(bar.Max());
        CalcMonthlyStatistics();
    }
    bar.SetText(QString());
    bar.SetValue(0);
    UpdateBudgetWarning();
    ShowOpenSession();
}

bool frmMain::ShowingPeriod()
{
    if (!m_optPartial->isChecked())
        return false;
    // The date boxes of a restored period stay editable, so the period may have been spoilt
    // since it was chosen; a period that no longer checks falls back to the whole log rather
    // than reach the analysis with text that is not a date.
    if (ValidatePeriod(m_txtFrom->text(), m_txtTo->text(), m_chkEnd->isChecked()))
        return true;
    m_fRestoring = true;
    m_optWhole->setChecked(true);
    m_txtFrom->setReadOnly(false);
    m_txtTo->setReadOnly(false);
    m_fRestoring = false;
    return false;
}

void frmMain::ShowEmptyTable()
{
    m_sessionPage->ShowEmpty();
}

void frmMain::FillSessionTable(SessionIndex first, SessionIndex last)
{
    m_sessionPage->Fill(m_gSessions, first, last);
}

void frmMain::FillStatisticsPage()
{
    m_statisticsPage->Fill(m_statistics);
}

void frmMain::CalcMonthlyStatistics()
{
    ShowMonthlySummary(
        m_monthly.Rebuild(m_gSessions, m_settings.costs.vServFlatMonth, m_settings.cycle));
}

void frmMain::ShowMonthlySummary(const MonthlySummary& summary)
{
    const DateTime now = m_clock();
    const auto estimate = EstimateMonth(m_gSessions, CurrentMonthSpan(now, m_settings.cycle), now,
                                        m_settings.costs.vServFlatMonth);
    const MonthTotals* shown = estimate ? &*estimate : nullptr;
    // An empty log shows the current month with nothing used.
    m_monthlyPage->Fill(summary, ToCivil(now).month, shown);
    ShowMonths(*m_graph, summary, shown);
}

// ---------------------------------------------------------------------------------------------
// Period bar and selection sum

bool frmMain::ValidatePeriod(const QString& from, const QString& to, bool toEnd)
{
    const auto fromDate = ParseUserDate(from);
    if (!fromDate)
        return false;
    if (toEnd)
        return true;
    const auto toDate = ParseUserDate(to);
    if (!toDate)
        return false;
    return *toDate >= *fromDate;
}

void frmMain::OnDateTextChanged()
{
    m_optPartial->setEnabled(ParseUserDate(m_txtFrom->text()).has_value() &&
                             ParseUserDate(m_txtTo->text()).has_value());
}

void frmMain::OnPartialClicked()
{
    if (m_fRestoring)
        return;
    if (ValidatePeriod(m_txtFrom->text(), m_txtTo->text(), m_chkEnd->isChecked())) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_optPartial->setChecked(true);
        m_txtFrom->setReadOnly(true);
        m_txtTo->setReadOnly(true);
        RefreshAll(kRefillPages);
        QApplication::restoreOverrideCursor();
        m_statistics.fSelection = true;
    } else {
        m_optWhole->setChecked(true);
        OnWholeClicked();
    }
}

void frmMain::OnWholeClicked()
{
    m_txtFrom->setReadOnly(false);
    m_txtTo->setReadOnly(false);
    m_statistics.iFirst = 0;
    m_statistics.iLast = static_cast<SessionIndex>(m_gSessions.size()) - 1;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    RefreshAll(kRefillPages);
    QApplication::restoreOverrideCursor();
    m_statistics.fSelection = false;
}

void frmMain::OnEndClicked()
{
    if (m_fEndChangedByProgram) {
        m_fEndChangedByProgram = false;
        return;
    }
    if (!m_optPartial->isChecked()) {
        // "End of log" hides the last day: its text takes the button face colour.
        QPalette palette = m_txtTo->palette();
        if (m_chkEnd->isChecked()) {
            const QColor face = m_txtTo->palette().color(QPalette::Button);
            palette.setColor(QPalette::Base, face);
            palette.setColor(QPalette::Text, face);
        } else {
            palette = m_txtFrom->palette();
        }
        m_txtTo->setPalette(palette);
    } else {
        // While a period is shown the box is locked.
        m_fEndChangedByProgram = true;
        m_chkEnd->setChecked(!m_chkEnd->isChecked());
        m_fEndChangedByProgram = false;
    }
}

void frmMain::ShowSumOfSelection()
{
    m_sessionPage->ReportChosenRows();
}

void frmMain::UpdateSelectionSum(int firstRow, int lastRow)
{
    const SessionTableModel& table = m_sessionPage->Model();
    const auto first = table.SessionIndexOfRow(firstRow);
    const auto last = table.SessionIndexOfRow(lastRow);
    // Rows of an empty table show no session; there is nothing to sum.
    if (!first || !last) {
        m_sessionPage->ShowSum(RangeSummary());
        return;
    }
    if (m_optWhole->isChecked()) {
        const SessionRecord& up = m_gSessions[*first];
        const SessionRecord& down = m_gSessions[*last];
        if (up.vUp)
            m_txtFrom->setText(FormatShortDate(*up.vUp));
        if (down.vUp)
            m_txtTo->setText(FormatShortDate(*down.vUp));
    }
    m_sessionPage->ShowSum(
        SumRange(m_gSessions, static_cast<SessionIndex>(*first), static_cast<SessionIndex>(*last)));
}

std::pair<int, int> frmMain::SelectedSessionRows() const
{
    return SelectedRows(m_sessionPage->Grid());
}

void frmMain::RestorePeriod()
{
    if (!m_store)
        return; // damaged, as start-up reported: no period is read from it
    const Selection selection = LoadSelection(*m_store);
    if (ValidatePeriod(selection.vSelStartDate, selection.vSelEndDate, selection.fSelToEnd) &&
        selection.fSelEnabled) {
        m_fRestoring = true;
        m_txtFrom->setText(selection.vSelStartDate);
        m_txtTo->setText(selection.vSelEndDate);
        m_fEndChangedByProgram = false;
        m_chkEnd->setChecked(selection.fSelToEnd);
        // With "End of log" and an empty last day the option would stay disabled by the text
        // check; the restored period is valid, so it is offered and chosen.
        m_optPartial->setEnabled(true);
        m_optPartial->setChecked(true);
        m_fRestoring = false;
    }
}

void frmMain::SavePeriod()
{
    Selection selection;
    selection.fSelEnabled = m_optPartial->isChecked();
    selection.vSelStartDate = m_txtFrom->text();
    selection.vSelEndDate = m_txtTo->text();
    selection.fSelToEnd = m_chkEnd->isChecked();
    // A damaged settings file is left as it is for the user to mend, as start-up said.
    if (m_store)
        SaveSelection(*m_store, selection);
}

// ---------------------------------------------------------------------------------------------
// Tabs, grids, pop-up menus and the clipboard

void frmMain::OnTabReleased(int, int x, int y)
{
    QApplication::processEvents();
    const auto page = TabPageAt(x, y);
    if (page)
        ShowPage(*page);
}

void frmMain::ShowPage(int page)
{
    if (page < 0 || page > 2)
        return;
    QWidget* const pages[] = {m_sessionPage, m_statisticsPage, m_monthlyPage};
    for (int i = 0; i < 3; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        m_picTab[slot]->setVisible(i == page);
        pages[slot]->setVisible(i == page);
    }
    pages[page]->raise();
    // The strip stays above the page it overlaps.
    m_picTab[static_cast<std::size_t>(page)]->raise();
    m_iPage = page;
}

void frmMain::ShowEditMenu(const QPoint& globalPosition)
{
    m_mnuEdit->popup(globalPosition);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    const QTableView* grids[] = {m_sessionPage->Grid(), m_monthlyPage->Grid()};
    const bool inGrid =
        std::any_of(std::begin(grids), std::end(grids), [&](const QTableView* grid) {
            return watched == grid || watched == grid->viewport();
        });
    if (inGrid && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        CopySelection();
        return true;
    }
    if (inGrid && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            ShowEditMenu(mouse->globalPosition().toPoint());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::CopySelection()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    QTableView* grid = nullptr;
    if (m_iPage == 0)
        grid = m_sessionPage->Grid();
    else if (m_iPage == 2)
        grid = m_monthlyPage->Grid();
    if (!grid)
        return;
    const QAbstractItemModel* model = grid->model();
    const QModelIndexList selected = grid->selectionModel()->selectedIndexes();
    // The selection is a block of cells from SelStartRow/Col to SelEndRow/Col; without one it is
    // the current cell.
    QModelIndex current = grid->currentIndex();
    if (selected.isEmpty() && !current.isValid())
        return;
    int top = current.row(), bottom = current.row();
    int left = current.column(), right = current.column();
    if (!selected.isEmpty()) {
        top = bottom = selected.front().row();
        left = right = selected.front().column();
        for (const QModelIndex& index : selected) {
            top = std::min(top, index.row());
            bottom = std::max(bottom, index.row());
            left = std::min(left, index.column());
            right = std::max(right, index.column());
        }
    }
    QString text;
    for (int row = top; row <= bottom; ++row) {
        for (int column = left; column <= right; ++column) {
            text += model->data(model->index(row, column)).toString();
            text += u'\t';
        }
        text += QStringLiteral("\r\n");
    }
    clipboard->setText(text);
}

} // namespace dialtally
