#include "ui/frmmain.h"

#include "analysis/costs.h"
#include "analysis/formatting.h"
#include "analysis/monthly.h"
#include "log/update.h"
#include "report/graph.h"
#include "report/statbar.h"
#include "ui/gridtextmodel.h"
#include "ui/messagebox.h"
#include "ui/picturebox.h"
#include "ui/sessiontablemodel.h"
#include "ui/tabstrip.h"

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

const QColor kLightGrey(192, 192, 192);
const QColor kDarkGrey(128, 128, 128);

// The page area: the black outline with white top and left and grey right and bottom edges
// inside it, so that the pages look raised.
class MainCanvas : public QWidget {
public:
    explicit MainCanvas(QWidget* parent) : QWidget(parent)
    {
        setAutoFillBackground(true);
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, kLightGrey);
        setPalette(palette);
    }

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

// The full month name of month 1..12 in the user's language ("mmmm").
QString MonthName(int month)
{
    return QLocale().standaloneMonthName(month, QLocale::LongFormat);
}

QLabel* MakeLabel(QWidget* parent, const QString& caption, const char* name = nullptr)
{
    auto* label = new QLabel(caption, parent);
    if (name)
        label->setObjectName(QString::fromLatin1(name));
    return label;
}

// A value box: single border, window background colour, centred bold text.
QLabel* MakeValueBox(QWidget* parent, const char* name)
{
    auto* box = new QLabel(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    box->setAlignment(Qt::AlignCenter);
    box->setAutoFillBackground(true);
    box->setBackgroundRole(QPalette::Base);
    QFont bold = box->font();
    bold.setBold(true);
    box->setFont(bold);
    return box;
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

frmMain::frmMain(QWidget* parent, Clock clock)
    : QMainWindow(parent), m_clock(clock ? std::move(clock) : Clock(SystemNow))
{
    setObjectName(QStringLiteral("frmMain"));
    setProperty(kHelpContext, 10);
    m_scale = TwipsScale::ForWidget(this);

    // Loading: the progress bar and the graph get their surfaces, the settings are read, the
    // window is centred and the grids are set up.
    BuildWindow();
    AttachDrawingObjects();
    // A damaged settings file is reported once; the window then runs with the costs off, and
    // no save writes the file while it is damaged.
    m_settings = LoadUserSettings();
    if (m_settings.problem)
        MessageBox::Show(this, SettingsProblemMessage(*m_settings.problem),
                         MessageBox::Icon::Exclamation);
    QApplication::setApplicationDisplayName(QString());
    setWindowTitle(QStringLiteral("Dialtally"));
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

    // The pages, one above the other; the front page is raised. The statistics page is laid
    // out first: it decides how much wider than designed the page area has to be for its texts.
    for (int i = 0; i < 3; ++i) {
        auto* page = new QWidget(canvas);
        page->setObjectName(QStringLiteral("picContain%1").arg(i));
        page->setAutoFillBackground(true);
        QPalette palette = page->palette();
        palette.setColor(QPalette::Window, kLightGrey);
        page->setPalette(palette);
        m_picContain[static_cast<std::size_t>(i)] = page;
    }
    const int containTops[3] = {1140, 1200, 1140};
    const int containHeights[3] = {4875, 4755, 4875};
    m_picContain[1]->setGeometry(s.Rect(120, containTops[1], 7755, containHeights[1]));
    BuildStatisticsPage(m_picContain[1]);
    const int extra = m_extraWidth;
    for (int i = 0; i < 3; ++i) {
        QRect rect = s.Rect(120, containTops[i], 7755, containHeights[i]);
        rect.setWidth(rect.width() + extra);
        m_picContain[static_cast<std::size_t>(i)]->setGeometry(rect);
    }
    canvas->setFixedSize(s.X(9450) + extra, s.Y(6510));
    QRect outline = s.Rect(60, 1050, 7875, 5030);
    outline.setWidth(outline.width() + extra);
    canvas->SetOutline(outline);

    BuildPeriodBar(canvas);
    BuildSessionPage(m_picContain[0]);
    BuildMonthlyPage(m_picContain[2]);

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
    m_picEnable->setGeometry(s.Rect(8040, 120, 1335, 480).translated(extra, 0));
    m_picEnableText = new QLabel(m_picEnable);
    m_picEnableText->setAlignment(Qt::AlignCenter);
    m_picEnableText->setGeometry(m_picEnable->rect());
    connect(m_picEnable, &PictureBox::MousePressed, this,
            [this](Qt::MouseButton button, QPoint position) {
                if (button == Qt::RightButton)
                    m_mnuLogging->popup(m_picEnable->mapToGlobal(position));
            });
    m_picEnable->installEventFilter(this);

    auto makeButton = [&](const QString& caption, const char* name, int top, int height,
                          bool enabled) {
        auto* button = new QPushButton(caption, canvas);
        button->setObjectName(QString::fromLatin1(name));
        button->setEnabled(enabled);
        PlaceWidget(button, s, 8040, top, 1335, height);
        button->move(button->x() + extra, button->y());
        return button;
    };
    // Logging, Clear and Print are commands of their own; they stay off until they exist.
    m_cmdLogging = makeButton(QStringLiteral("Logging &On"), "cmdLogging", 1080, 435, false);
    m_cmdUpdate = makeButton(QStringLiteral("&Update Log"), "cmdUpdate", 1980, 435, true);
    m_cmdClear = makeButton(QStringLiteral("C&lear Log"), "cmdClear", 2520, 435, false);
    m_cmdPrint = makeButton(QStringLiteral("&Print Log"), "cmdPrint", 3060, 435, false);
    m_cmdExport = makeButton(QStringLiteral("E&xport Log"), "cmdExport", 3600, 435, false);
    m_cmdExit = makeButton(QStringLiteral("&Exit"), "cmdExit", 5580, 495, true);
    connect(m_cmdUpdate, &QPushButton::clicked, this, &frmMain::Update);
    connect(m_cmdExit, &QPushButton::clicked, this, &frmMain::Exit);

    m_picStatBar = new PictureBox(canvas);
    m_picStatBar->setObjectName(QStringLiteral("picStatBar"));
    QRect statBar = s.Rect(0, 6180, 9435, 315);
    statBar.setWidth(statBar.width() + extra);
    m_picStatBar->setGeometry(statBar);

    m_timStatBar = new QTimer(this);
    m_timStatBar->setObjectName(QStringLiteral("timStatBar"));
    m_timStatBar->setSingleShot(true);
    m_timStatBar->setInterval(8000);
    connect(m_timStatBar, &QTimer::timeout, this, &frmMain::OnStatusTimer);

    SetLoggingDisplay(false);
    ShowPage(0);
}

void frmMain::BuildMenus()
{
    QMenuBar* bar = menuBar();
    QMenu* file = MakeMenu(bar, QStringLiteral("&File"), "mnuFile");
    MakeAction(file, QStringLiteral("&Print Log"), "mnuPrint", 240, false);
    MakeAction(file, QStringLiteral("Write Data File"), "mnuWriteLog", 0, false);
    AddSeparator(file, "sep0");
    connect(MakeAction(file, QStringLiteral("&Exit"), "mnuExit"), &QAction::triggered, this,
            &frmMain::Exit);

    m_mnuEdit = MakeMenu(bar, QStringLiteral("&Edit"), "mnuEdit", 250);
    connect(MakeAction(m_mnuEdit, QStringLiteral("&Copy"), "mnuCopy"), &QAction::triggered, this,
            &frmMain::CopySelection);
    MakeAction(m_mnuEdit, QStringLiteral("&Delete"), "mnuDelete", 0, false);

    m_mnuLogging = MakeMenu(bar, QStringLiteral("&Logging"), "mnuLogging");
    m_mnuLog = MakeAction(m_mnuLogging, QStringLiteral("&Logging On"), "mnuLog", 210, false);
    m_mnuLog->setCheckable(true);
    connect(MakeAction(m_mnuLogging, QStringLiteral("&Update Log"), "mnuUpdate", 220),
            &QAction::triggered, this, &frmMain::Update);
    MakeAction(m_mnuLogging, QStringLiteral("&Clear Log"), "mnuClearLog", 230, false);
    QAction* editLog =
        MakeAction(m_mnuLogging, QStringLiteral("&Edit Log"), "mnuEditLog", 0, false);
    editLog->setVisible(false);

    QMenu* settings = MakeMenu(bar, QStringLiteral("&Settings"), "mnuPref", 260);
    MakeAction(settings, QStringLiteral("&Service Costs"), "mnuSCosts", 280, false);
    MakeAction(settings, QStringLiteral("&Communication Costs"), "mnuCCosts", 290, false);
    MakeAction(settings, QStringLiteral("&Options"), "mnuOptions", 0, false);

    QMenu* help = MakeMenu(bar, QStringLiteral("&Help"), "mnuHelp", 300);
    MakeAction(help, QStringLiteral("&Help Index"), "mnuHelpTopis", 0, false);
    AddSeparator(help, "sep1");
    MakeAction(help, QStringLiteral("&About"), "mnuAbout", 0, false);
}

void frmMain::BuildPeriodBar(QWidget* canvas)
{
    const TwipsScale& s = m_scale;
    m_frame2 = new QFrame(canvas);
    m_frame2->setObjectName(QStringLiteral("Frame2"));
    m_frame2->setFrameStyle(QFrame::Box | QFrame::Sunken);
    QRect frameRect = s.Rect(60, 30, 7875, 570);
    frameRect.setWidth(frameRect.width() + m_extraWidth);
    m_frame2->setGeometry(frameRect);

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

void frmMain::SetUpGrid(QTableView* grid, const std::vector<int>& widthsTwips, int headerLines)
{
    grid->verticalHeader()->hide();
    grid->setWordWrap(false);
    grid->setTextElideMode(Qt::ElideNone);
    grid->setCornerButtonEnabled(false);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    QHeaderView* rows = grid->verticalHeader();
    // Every row has the same height, so that a view of a million rows needs no measuring.
    rows->setSectionResizeMode(QHeaderView::Fixed);
    const int rowHeight = grid->fontMetrics().height() + 2;
    rows->setDefaultSectionSize(rowHeight);
    rows->setMinimumSectionSize(rowHeight);
    QHeaderView* header = grid->horizontalHeader();
    header->setHighlightSections(false);
    header->setFixedHeight(rowHeight * headerLines + 2);
    header->setMinimumSectionSize(1);
    const QAbstractItemModel* model = grid->model();
    for (int column = 0; column < static_cast<int>(widthsTwips.size()); ++column) {
        int width = m_scale.X(widthsTwips[static_cast<std::size_t>(column)]);
        // A header that does not fit on its lines widens its column.
        const QString caption = model->headerData(column, Qt::Horizontal).toString();
        int needed = 0;
        if (headerLines > 1) {
            for (const QString& word : caption.split(u' '))
                needed = std::max(needed, header->fontMetrics().horizontalAdvance(word));
        } else {
            needed = header->fontMetrics().horizontalAdvance(caption);
        }
        width = std::max(width, needed + 8);
        header->resizeSection(column, width);
    }
    header->setStretchLastSection(false);
}

void frmMain::BuildSessionPage(QWidget* page)
{
    const TwipsScale& s = m_scale;
    m_sessionModel = new SessionTableModel(this);
    m_grdTime = new QTableView(page);
    m_grdTime->setObjectName(QStringLiteral("grdTime"));
    m_grdTime->setModel(m_sessionModel);
    m_grdTime->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grdTime->setSelectionMode(QAbstractItemView::ContiguousSelection);
    QRect gridRect = s.Rect(60, 60, 7635, 4335);
    gridRect.setWidth(gridRect.width() + m_extraWidth);
    m_grdTime->setGeometry(gridRect);
    SetUpGrid(m_grdTime, {2000, 1000, 1200, 1200, 1000, 1000}, 2);
    // The extra width goes to the starting times, the longest texts of the table.
    m_grdTime->horizontalHeader()->resizeSection(0, m_grdTime->horizontalHeader()->sectionSize(0) +
                                                        m_extraWidth);
    m_grdTime->installEventFilter(this);
    m_grdTime->viewport()->installEventFilter(this);
    connect(m_grdTime->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &frmMain::UpdateSelectionSum);
    // A model reset replaces the selection model's contents but not the object.
    connect(m_sessionModel, &QAbstractItemModel::modelReset, this, [this] {
        connect(m_grdTime->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &frmMain::UpdateSelectionSum, Qt::UniqueConnection);
    });

    auto* line1 = new QFrame(page);
    line1->setObjectName(QStringLiteral("Line1"));
    line1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    line1->setGeometry(s.X(60), s.Y(4500) - 1, s.X(7620) + m_extraWidth, 2);

    QLabel* lblSpan = MakeLabel(page, QStringLiteral("Selection Sum:"), "lblSpan");
    QFont bold = lblSpan->font();
    bold.setBold(true);
    lblSpan->setFont(bold);
    PlaceWidget(lblSpan, s, 120, 4560, 1875, 255);
    // The sum boxes stand under the columns they sum.
    struct SumBox {
        QLabel** box;
        const char* name;
        int left, width;
    };
    const SumBox boxes[] = {{&m_lblSumDur1, "lblSumDur1", 2100, 1005},
                            {&m_lblSumTrns, "lblSumTrns", 3100, 1245},
                            {&m_lblSumRec, "lblSumRec", 4350, 1200},
                            {&m_lblSumComCosts, "lblSumComCosts", 5550, 1005},
                            {&m_lblSumServCosts, "lblSumServCosts", 6560, 1005}};
    for (const SumBox& box : boxes) {
        *box.box = MakeValueBox(page, box.name);
        PlaceWidget(*box.box, s, box.left, 4560, box.width, 255, false);
        (*box.box)->move((*box.box)->x() + m_extraWidth, (*box.box)->y());
        const int height = std::max(s.Y(255), (*box.box)->fontMetrics().height() + 2);
        (*box.box)->resize((*box.box)->width(), height);
    }
}

void frmMain::BuildStatisticsPage(QWidget* page)
{
    const TwipsScale& s = m_scale;
    auto* frame = new QGroupBox(QStringLiteral("Connection Log Analyzis"), page);
    frame->setObjectName(QStringLiteral("fraStatistics"));
    QFont bold = frame->font();
    bold.setBold(true);
    frame->setFont(bold);
    frame->setGeometry(s.Rect(120, 0, 7515, 4695));
    QFont plain = page->font();
    plain.setBold(false);
    QFont boldValue = plain;
    boldValue.setBold(true);
    const QFontMetrics plainMetrics(plain);
    const QFontMetrics boldMetrics(boldValue);

    // The design places the value boxes in columns at fixed twips. Where the captions or the
    // date-times need more room in the fonts of this system, a column moves right just enough
    // and the page widens with it (see WidenPages).
    const QStringList firstColumn = {
        QStringLiteral("Time period:"),         QStringLiteral("Longest Connection:"),
        QStringLiteral("Shortest Connection:"), QStringLiteral("Average Connection Time:"),
        QStringLiteral("Number of Sessions:"),  QStringLiteral("CRC Errors"),
        QStringLiteral("Timeout Errors"),       QStringLiteral("Alignment Errors"),
        QStringLiteral("Incomplete Packets")};
    int captionWidth = 0;
    for (const QString& text : firstColumn)
        captionWidth = std::max(captionWidth, plainMetrics.horizontalAdvance(text));
    int dateTimeWidth = 0, dateWidth = 0;
    for (int month = 1; month <= 12; ++month) {
        const DateTime sample = *MakeDateTime(2024, month, 28, 20, 58, 58);
        dateTimeWidth =
            std::max(dateTimeWidth, boldMetrics.horizontalAdvance(FormatDateTime(sample)));
        dateWidth = std::max(dateWidth, boldMetrics.horizontalAdvance(FormatShortDate(sample)));
    }
    const int pad = 10;
    const int gap = 4;
    const int xA = s.X(180);
    const int xB = std::max(s.X(2280), xA + captionWidth + 2 * gap);
    const int wDate = std::max(s.X(1155), dateWidth + pad);
    const int wDateTime = std::max(s.X(1635), dateTimeWidth + pad);
    const int wNumber = s.X(915);
    const int dashWidth = plainMetrics.horizontalAdvance(QStringLiteral("-"));
    const int xDash = std::max(s.X(3960), xB + wDateTime + gap);
    const int xC = std::max(s.X(4200), xDash + dashWidth + gap);
    const int xD = std::max(s.X(6000), xC + wDateTime + 2 * gap);
    const int toWidth = plainMetrics.horizontalAdvance(QStringLiteral("To"));
    const int xTo = std::max(s.X(3660), xB + wDate + gap);
    const int xEnd = std::max(xC, xTo + toWidth + gap);
    int errorCaptionWidth = 0;
    for (const char* text : {"Overrun Errors", "Framing Errors", "Buffer Overrun Errors"})
        errorCaptionWidth =
            std::max(errorCaptionWidth, plainMetrics.horizontalAdvance(QString::fromLatin1(text)));
    const int xE = std::max(s.X(4080), xB + wNumber + 4 * gap);
    const int xF = std::max(xD, xE + errorCaptionWidth + 2 * gap);

    auto caption = [&](const QString& text, int x, int top, const char* name = nullptr) {
        QLabel* label = MakeLabel(frame, text, name);
        label->setFont(plain);
        const int height = std::max(s.Y(255), label->sizeHint().height());
        label->setGeometry(x, s.Y(top) + (s.Y(255) - height) / 2, label->sizeHint().width(),
                           height);
        return label;
    };
    auto value = [&](const char* name, int x, int top, int width) {
        QLabel* box = MakeValueBox(frame, name);
        box->setFont(boldValue);
        const int height = std::max(s.Y(255), box->fontMetrics().height() + 2);
        box->setGeometry(x, s.Y(top) + (s.Y(255) - height) / 2, width, height);
        return box;
    };
    std::vector<QFrame*> separators;
    auto separator = [&](const char* name, int top, int height) {
        auto* line = new QFrame(frame);
        line->setObjectName(QString::fromLatin1(name));
        line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
        line->setGeometry(s.Rect(120, top, 7275, height));
        separators.push_back(line);
    };

    caption(QStringLiteral("Time period:"), xA, 360);
    m_lblStart = value("lblStart", xB, 360, wDate);
    caption(QStringLiteral("To"), xTo, 360);
    m_lblEnd = value("lblEnd", xEnd, 360, wDate);
    separator("Frame3", 660, 75);
    caption(QStringLiteral("Communication Statistics:"), xA, 900);

    caption(QStringLiteral("Longest Connection:"), xA, 1200);
    m_lblLongUp = value("lblLongUp", xB, 1200, wDateTime);
    caption(QStringLiteral("-"), xDash, 1200);
    m_lblLongDwn = value("lblLongDwn", xC, 1200, wDateTime);
    m_lblLongDur = value("lblLongDur", xD, 1200, wNumber);
    QLabel* minutes = caption(QStringLiteral("min"), xD + wNumber + gap, 1200);

    caption(QStringLiteral("Shortest Connection:"), xA, 1560);
    m_lblShortUp = value("lblShortUp", xB, 1560, wDateTime);
    caption(QStringLiteral("-"), xDash, 1560);
    m_lblShortDwn = value("lblShortDwn", xC, 1560, wDateTime);
    m_lblShortDur = value("lblShortDur", xD, 1560, wNumber);
    caption(QStringLiteral("min"), xD + wNumber + gap, 1560);

    caption(QStringLiteral("Average Connection Time:"), xA, 1920);
    m_lblAverage = value("lblAverage", xB, 1920, wNumber);
    caption(QStringLiteral("min"), xB + wNumber + gap, 1920);
    caption(QStringLiteral("Number of Sessions:"), xA, 2280);
    m_lblNumSes = value("lblNumSes", xB, 2280, wNumber);
    separator("Frame1", 2640, 60);
    caption(QStringLiteral("Communication Errors During Time Period:"), xA, 2880);

    // lblErrDesc (0..6) and the boxes of the error totals, in the order of the counters
    // (CRC, timeout, alignment, overrun, framing, buffer overrun, incomplete packets).
    struct ErrorRow {
        const char* caption;
        int descIndex;
        const char* box;
        bool right;
        int top;
    };
    const ErrorRow rows[kErrorCounterCount] = {
        {"CRC Errors", 0, "lblErrCRC", false, 3180},
        {"Timeout Errors", 6, "lblErrTimeOut", false, 3540},
        {"Alignment Errors", 4, "lblErrAlign", false, 3900},
        {"Overrun Errors", 1, "lblOverrnErr", true, 3180},
        {"Framing Errors", 3, "lblFramErr", true, 3540},
        {"Buffer Overrun Errors", 5, "lblErrBufOverrn", true, 3900},
        {"Incomplete Packets", 2, "lblErrIncomplPack", false, 4260},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const ErrorRow& row = rows[i];
        QLabel* desc = caption(QString::fromLatin1(row.caption), row.right ? xE : xA, row.top);
        desc->setObjectName(QStringLiteral("lblErrDesc%1").arg(row.descIndex));
        m_errorBoxes[i] = value(row.box, row.right ? xF : xB, row.top, wNumber);
    }

    // The frame reaches as far as its widest row needs, at least as far as designed.
    const int rightmost = std::max({minutes->geometry().right(), xF + wNumber});
    const int needed = rightmost + s.X(180);
    m_extraWidth = std::max(0, needed - frame->width());
    frame->resize(frame->width() + m_extraWidth, frame->height());
    for (QFrame* line : separators)
        line->resize(line->width() + m_extraWidth, line->height());
}

void frmMain::BuildMonthlyPage(QWidget* page)
{
    const TwipsScale& s = m_scale;
    const Qt::Alignment centre = Qt::AlignHCenter;
    m_monthModel = new GridTextModel(
        {QStringLiteral("Month"), QStringLiteral("Usage"), QStringLiteral("Com. Costs"),
         QStringLiteral("Serv. Costs"), QStringLiteral("Sum"), QStringLiteral("Transmitted"),
         QStringLiteral("Received")},
        {Qt::AlignLeft, centre, centre, centre, centre, centre, centre}, this);
    m_monthModel->SetRows(std::vector<QStringList>(static_cast<std::size_t>(m_monthGridRows - 1)));
    m_grdSum = new QTableView(page);
    m_grdSum->setObjectName(QStringLiteral("grdSum"));
    m_grdSum->setModel(m_monthModel);
    QRect gridRect = s.Rect(120, 120, 7515, 1950);
    gridRect.setWidth(gridRect.width() + m_extraWidth);
    m_grdSum->setGeometry(gridRect);
    SetUpGrid(m_grdSum, {1350, 1000, 1000, 1000, 1000, 1000, 1000}, 1);
    // The grid shows its header and seven rows without scrolling; where the font's rows are
    // taller than designed the grid grows downwards and the graph below gives up the room.
    const int neededHeight =
        m_grdSum->horizontalHeader()->height() +
        (m_monthGridRows - 1) * m_grdSum->verticalHeader()->defaultSectionSize() +
        2 * m_grdSum->frameWidth();
    const int grow = std::max(0, neededHeight - gridRect.height());
    m_grdSum->resize(gridRect.width(), gridRect.height() + grow);
    m_grdSum->installEventFilter(this);
    m_grdSum->viewport()->installEventFilter(this);

    m_picGraph = new PictureBox(page);
    m_picGraph->setObjectName(QStringLiteral("picGraph"));
    QRect graphRect = s.Rect(120, 2220, 7515, 2535);
    graphRect.setWidth(graphRect.width() + m_extraWidth);
    graphRect.setTop(graphRect.top() + grow);
    m_picGraph->setGeometry(graphRect);
}

void frmMain::AttachDrawingObjects()
{
    m_picStatBar->CreatePicture(kLightGrey, m_scale.TwipsPerPixelX(), m_scale.TwipsPerPixelY());
    StatBarColors colors;
    colors.bar = palette().color(QPalette::Highlight);
    colors.text = palette().color(QPalette::WindowText);
    m_statBar = std::make_unique<clsStatBar>(colors);
    m_statBar->SetOutputObject(m_picStatBar->Surface());

    m_picGraph->CreatePicture(palette().color(QPalette::Base), m_scale.TwipsPerPixelX(),
                              m_scale.TwipsPerPixelY());
    m_graph = std::make_unique<clsGraph>();
    m_graph->SetOutput(m_picGraph->Surface());
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
    SetStatus(QStringLiteral("Reading Log..."));
    RefreshAll(kReload);
    QApplication::restoreOverrideCursor();
    m_statBar->SetValue(0);
    ShowUpdateFailure();
    m_fGridTouched = true;
    UpdateSelectionSum();
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
    // The close box ends the program without remembering the period; only Exit saves it.
    m_fExiting = false;
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
}

void frmMain::SetLoggingDisplay(bool on)
{
    const QColor colour = on ? QColor(0, 255, 0) : QColor(255, 0, 0);
    m_picEnable->CreatePicture(colour, m_scale.TwipsPerPixelX(), m_scale.TwipsPerPixelY());
    m_picEnableText->setText(on ? QStringLiteral("Logging On") : QStringLiteral("Logging Off"));
    QPalette palette = m_picEnableText->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    m_picEnableText->setPalette(palette);
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
        m_gSessions = ReadSessionList(&bar, m_settings.vAditionalConnectSeconds,
                                      CurrentUpdateSettings(), &m_updateReport);
        m_statistics = AnalyseAll(m_gSessions);
    }
    bar.SetText(QStringLiteral("Analysing log.."));
    AdvanceProgress(&bar, 1);

    if (HasRealSession(m_gSessions)) {
        if (mode != kRefillPages) {
            CalculateCosts(m_gSessions, m_settings.costs);
            ++m_costCalculations;
        }
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
    m_sessionModel->ShowEmpty();
    m_grdTime->setCurrentIndex(m_sessionModel->index(0, 0));
}

void frmMain::FillSessionTable(SessionIndex first, SessionIndex last)
{
    m_sessionModel->Show(m_gSessions, first, last);
    if (m_sessionModel->rowCount() > 0)
        m_grdTime->setCurrentIndex(m_sessionModel->index(0, 0));
}

void frmMain::FillStatisticsPage()
{
    const Statistics& st = m_statistics;
    auto date = [](const std::optional<DateTime>& t) {
        return t ? FormatShortDate(*t) : QString();
    };
    auto dateTime = [](const std::optional<DateTime>& t) {
        return t ? FormatDateTime(*t) : QString();
    };
    m_lblStart->setText(date(st.vFirstUp));
    m_lblEnd->setText(date(st.vLastDown));
    m_lblLongUp->setText(dateTime(st.vLongestUp));
    m_lblLongDwn->setText(dateTime(st.vLongestDown));
    m_lblLongDur->setText(QString::number(st.iLongestMinutes));
    m_lblShortUp->setText(dateTime(st.vShortestUp));
    m_lblShortDwn->setText(dateTime(st.vShortestDown));
    m_lblShortDur->setText(QString::number(st.iShortestMinutes));
    m_lblAverage->setText(OneDecimalText(st.dAverageMinutes));
    m_lblNumSes->setText(QString::number(st.iSessionCount));
    for (std::size_t i = 0; i < m_errorBoxes.size(); ++i)
        m_errorBoxes[i]->setText(QString::number(st.iErrors[i]));
}

void frmMain::CalcMonthlyStatistics()
{
    m_graph->Clear();
    const MonthlySummary summary = CalcMonthlyTotals(m_gSessions, m_settings.costs.vServFlatMonth);
    const int entries = static_cast<int>(summary.months.size());
    m_monthGridRows = std::max(m_monthGridRows, entries + 3);
    // Rows under the header: the months, empty rows, and the averages row last.
    std::vector<QStringList> rows(static_cast<std::size_t>(m_monthGridRows - 1));

    if (!summary.months.empty()) {
        for (std::size_t i = 0; i < summary.months.size(); ++i) {
            const MonthTotals& m = summary.months[i];
            rows[i] = {MonthName(m.month),
                       QString::number(m.Minutes()) + QStringLiteral(" min"),
                       FormatCurrency(m.communicationCost),
                       FormatCurrency(m.serviceCost),
                       FormatCurrency(m.SumCost()),
                       FormatBytes(m.transmitted),
                       FormatBytes(m.received)};
            m_graph->AddMonth(m.month, m.year, m.Minutes(), m.transmitted, m.received);
        }
    } else {
        // An empty log shows the current month with nothing used.
        const QString zero = QStringLiteral("0");
        rows[0] = {MonthName(ToCivil(m_clock()).month), zero, zero, zero, zero, zero, zero};
    }
    m_graph->ReDraw();

    QStringList& averages = rows.back();
    averages = QStringList{QStringLiteral("AVERAGES:")};
    if (summary.averages) {
        const MonthAverages& a = *summary.averages;
        averages << QString::number(a.minutes) + QStringLiteral(" min")
                 << FormatCurrency(a.communicationCost) << FormatCurrency(a.serviceCost)
                 << FormatCurrency(a.sumCost) << FormatBytes(a.transmitted)
                 << FormatBytes(a.received);
    }
    m_monthModel->SetRows(std::move(rows));
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

void frmMain::UpdateSelectionSum()
{
    if (m_fGridTouched) {
        const QModelIndexList rows = m_grdTime->selectionModel()->selectedRows();
        int selStart = m_grdTime->currentIndex().row();
        int selEnd = selStart;
        if (!rows.isEmpty()) {
            selStart = rows.front().row();
            selEnd = selStart;
            for (const QModelIndex& index : rows) {
                selStart = std::min(selStart, index.row());
                selEnd = std::max(selEnd, index.row());
            }
        }
        const auto first = m_sessionModel->SessionIndexOfRow(selStart);
        const auto last = m_sessionModel->SessionIndexOfRow(selEnd);
        // Rows of an empty table show no session; there is nothing to sum.
        if (first && last) {
            if (m_optWhole->isChecked()) {
                const SessionRecord& up = m_gSessions[*first];
                const SessionRecord& down = m_gSessions[*last];
                if (up.vUp)
                    m_txtFrom->setText(FormatShortDate(*up.vUp));
                if (down.vUp)
                    m_txtTo->setText(FormatShortDate(*down.vUp));
            }
            const RangeSummary sum = SumRange(m_gSessions, static_cast<SessionIndex>(*first),
                                              static_cast<SessionIndex>(*last));
            m_lblSumTrns->setText(sum.transmitted);
            m_lblSumRec->setText(sum.received);
            m_lblSumDur1->setText(sum.duration);
            m_lblSumComCosts->setText(sum.communicationCosts);
            m_lblSumServCosts->setText(sum.serviceCosts);
        }
    }
    m_fGridTouched = false;
}

void frmMain::RestorePeriod()
{
    const auto store = OpenSettingsStore();
    if (!store)
        return; // damaged, as start-up reported: no period is read from it
    const Selection selection = LoadSelection(*store);
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
    if (const auto store = OpenSettingsStore())
        SaveSelection(*store, selection);
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
    for (int i = 0; i < 3; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        m_picTab[slot]->setVisible(i == page);
        m_picContain[slot]->setVisible(i == page);
    }
    m_picContain[static_cast<std::size_t>(page)]->raise();
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
    const bool inTime = watched == m_grdTime || watched == m_grdTime->viewport();
    const bool inSum = watched == m_grdSum || watched == m_grdSum->viewport();
    if (!inTime && !inSum)
        return QMainWindow::eventFilter(watched, event);

    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (inTime)
            m_fGridTouched = true;
        if (key->matches(QKeySequence::Copy)) {
            CopySelection();
            return true;
        }
        break;
    }
    case QEvent::KeyRelease:
        if (inTime)
            m_fGridTouched = true;
        break;
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (inTime)
            m_fGridTouched = true;
        if (mouse->button() == Qt::RightButton) {
            ShowEditMenu(mouse->globalPosition().toPoint());
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::CopySelection()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    QTableView* grid = nullptr;
    if (m_iPage == 0)
        grid = m_grdTime;
    else if (m_iPage == 2)
        grid = m_grdSum;
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
