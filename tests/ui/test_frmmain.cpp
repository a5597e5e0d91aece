#include "analysis/formatting.h"
#include "analysis/settings.h"
#include "platform/folders.h"
#include "report/statbar.h"
#include "support/registryfile.h"
#include "ui/frmmain.h"
#include "ui/gridtextmodel.h"
#include "ui/messagebox.h"
#include "ui/sessiontablemodel.h"
#include "ui/tabstrip.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace dialtally;

namespace {

struct TestSession {
    int month, day;
    const char* up;   // hh:mm:ss
    const char* down; // hh:mm:ss, same day
    int received, transmitted;
};

// The companion logger's data file: one adapter line per line, each in double quotes.
QByteArray DataFileLines(std::initializer_list<TestSession> sessions)
{
    QByteArray bytes;
    auto line = [&bytes](const TestSession& s, const char* time, const QByteArray& text) {
        bytes += QStringLiteral("\"%1-%2-2024 %3.00 - ")
                     .arg(s.month, 2, 10, QLatin1Char('0'))
                     .arg(s.day, 2, 10, QLatin1Char('0'))
                     .arg(QLatin1String(time))
                     .toLatin1() +
                 text + "\"\r\n";
    };
    for (const TestSession& s : sessions) {
        // The Windows 98 adapter misspells its own name when it opens its log.
        line(s, s.up, "Microsoft Dial Up Agapter log opened.");
        line(s, s.up, "IPCP : Layer up.");
        line(s, s.down, "Remote access driver is shutting down.");
        line(s, s.down, "Bytes Received " + QByteArray::number(s.received));
        line(s, s.down, "Bytes Transmitted " + QByteArray::number(s.transmitted));
        line(s, s.down, "Microsoft Dial Up Adapter log closed.");
    }
    return bytes;
}

// Three sessions in three months of 2024.
const std::initializer_list<TestSession> kThreeMonths = {
    {1, 10, "10:00:00", "10:10:00", 5000, 1000},
    {2, 12, "20:00:00", "21:00:00", 2000000, 300000},
    {3, 15, "08:00:00", "08:30:00", 700, 200},
};

} // namespace

class TestFrmMain : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void startsWithEmptyLog();
    void updateReadsGrownDataFile();
    void periodSwitchesStatistics_data();
    void periodSwitchesStatistics();
    void selectionSumFollowsSelectedRows();
    void selectionSumFollowsAMouseDrag();
    void sumBoxesShowTheWidestSums();
    void disabledPeriodCaptionIsReadable();
    void windowHasAFixedSize();
    void sessionTableNeedsNoHorizontalScrollBar();
    void copiesGridOfFrontPage_data();
    void copiesGridOfFrontPage();
    void tabStripHitTest_data();
    void tabStripHitTest();
    void rememberedPeriodAcrossRestart_data();
    void rememberedPeriodAcrossRestart();
    void statusTextClearedAfterLastCall();
    void failedUpdateShowsInTheStatusLine();
    void disabledCommandsStayUnwired();
    void damagedSettingsAreReportedOnceAndKept();

private:
    std::unique_ptr<frmMain> StartWindow();
    void WriteDataFile(const QByteArray& bytes);
    template <typename T> T* Child(frmMain& window, const char* name)
    {
        T* child = window.findChild<T*>(QString::fromLatin1(name));
        if (!child)
            qFatal("no control %s", name);
        return child;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    // Every file of a test lies in its own temporary folder.
    Places m_places;
    QString ProgramFolder() const { return m_places.programDir; }
    QString WindowsFolder() const { return m_places.windowsDir; }
    QString SettingsFilePath() const { return m_places.SettingsFile(); }
};

void TestFrmMain::initTestCase() {}

void TestFrmMain::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    const QDir dir(m_dir->path());
    dir.mkpath(QStringLiteral("program"));
    dir.mkpath(QStringLiteral("windows"));
    dir.mkpath(QStringLiteral("config"));
    // Every test starts as a first run, without a settings file.
    m_places.programDir = dir.filePath(QStringLiteral("program"));
    m_places.windowsDir = dir.filePath(QStringLiteral("windows"));
    m_places.configDir = dir.filePath(QStringLiteral("config"));
    m_places.runtimeDir = dir.filePath(QStringLiteral("run"));
    MessageBox::SetAutoAnswer(MessageBox::Answer::Ok);
    QGuiApplication::clipboard()->clear();
}

void TestFrmMain::cleanup()
{
    m_dir.reset();
}

std::unique_ptr<frmMain> TestFrmMain::StartWindow()
{
    // May 2024 is "now" for the window.
    auto window =
        std::make_unique<frmMain>(m_places, nullptr, [] { return *MakeDateTime(2024, 5, 20); });
    window->show();
    window->FirstActivation();
    return window;
}

void TestFrmMain::WriteDataFile(const QByteArray& bytes)
{
    QFile file(QDir(WindowsFolder()).filePath(QStringLiteral("Dtally.dat")));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Append));
    file.write(bytes);
}

void TestFrmMain::startsWithEmptyLog()
{
    auto window = StartWindow();
    const SessionTableModel& table = window->SessionTable();
    QCOMPARE(table.rowCount(), 17);
    for (int row = 0; row < table.rowCount(); ++row) {
        QVERIFY(!table.SessionIndexOfRow(row));
        for (int column = 0; column < table.columnCount(); ++column)
            QCOMPARE(table.index(row, column).data().toString(), QString());
    }
    QCOMPARE(window->CostCalculationCount(), 0);
    QCOMPARE(Child<QLabel>(*window, "lblNumSes")->text(), QString("0"));

    // The monthly page shows the current month with nothing used and an averages row alone.
    const GridTextModel& months = window->MonthlyGrid();
    QCOMPARE(months.rowCount(), 7);
    QCOMPARE(months.Rows().front(),
             QStringList({QLocale().standaloneMonthName(5), "0", "0", "0", "0", "0", "0"}));
    QCOMPARE(months.Rows().back(), QStringList{"AVERAGES:"});
    // The selection sum of an empty table stays empty.
    QCOMPARE(Child<QLabel>(*window, "lblSumTrns")->text(), QString());
}

void TestFrmMain::updateReadsGrownDataFile()
{
    WriteDataFile(DataFileLines({kThreeMonths.begin()[0]}));
    auto window = StartWindow();
    QCOMPARE(window->SessionTable().rowCount(), 1);
    QCOMPARE(window->CostCalculationCount(), 1);

    // The logger collected two more sessions while the program was running.
    WriteDataFile(DataFileLines({kThreeMonths.begin()[1], kThreeMonths.begin()[2]}));
    QTest::mouseClick(Child<QPushButton>(*window, "cmdUpdate"), Qt::LeftButton);
    QCOMPARE(window->SessionTable().rowCount(), 3);
    QVERIFY(!QFile::exists(QDir(WindowsFolder()).filePath("Dtally.dat")));
    QVERIFY(!QFile::exists(QDir(WindowsFolder()).filePath("Dtally.wrk")));
    QCOMPARE(QFile(QDir(ProgramFolder()).filePath("SesLog.log")).size() % 14, 0);
    QCOMPARE(window->SessionTable().index(2, 3).data().toString(), QString("700"));
    QCOMPARE(Child<QLabel>(*window, "lblNumSes")->text(), QString("3"));
    QCOMPARE(window->CostCalculationCount(), 2);
    // Every month of the log is a row of the monthly page, then the averages.
    QCOMPARE(window->MonthlyGrid().Text(2, 0), QLocale().standaloneMonthName(3));
    QCOMPARE(window->MonthlyGrid().Rows().back().front(), QString("AVERAGES:"));
}

void TestFrmMain::periodSwitchesStatistics_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("toEnd");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("firstReceived");
    // clang-format off
    QTest::newRow("one month")         << "2024-02-01" << "2024-02-29" << false << true  << 1 << "2000000";
    QTest::newRow("to the end")        << "2024-02-12" << "2024-02-12" << true  << true  << 2 << "2000000";
    QTest::newRow("last day on first") << "2024-01-10" << "2024-02-12" << false << true  << 2 << "5000";
    QTest::newRow("reversed refused")  << "2024-03-01" << "2024-01-01" << false << false << 3 << "5000";
    // clang-format on
}

void TestFrmMain::periodSwitchesStatistics()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, toEnd);
    QFETCH(bool, accepted);
    QFETCH(int, rows);
    QFETCH(QString, firstReceived);
    WriteDataFile(DataFileLines(kThreeMonths));
    auto window = StartWindow();
    auto* optPartial = Child<QRadioButton>(*window, "optPartial");
    Child<QLineEdit>(*window, "txtFrom")->setText(from);
    Child<QLineEdit>(*window, "txtTo")->setText(to);
    QVERIFY(optPartial->isEnabled());
    if (toEnd)
        QTest::mouseClick(Child<QCheckBox>(*window, "chkEnd"), Qt::LeftButton);
    QTest::mouseClick(optPartial, Qt::LeftButton);

    QCOMPARE(optPartial->isChecked(), accepted);
    QCOMPARE(window->CurrentStatistics().fSelection, accepted);
    QCOMPARE(Child<QLineEdit>(*window, "txtFrom")->isReadOnly(), accepted);
    QCOMPARE(window->SessionTable().rowCount(), rows);
    QCOMPARE(window->SessionTable().index(0, 3).data().toString(), firstReceived);
    QCOMPARE(Child<QLabel>(*window, "lblNumSes")->text(), QString::number(rows));
    // The monthly page always covers the whole log.
    QCOMPARE(window->MonthlyGrid().Text(2, 0), QLocale().standaloneMonthName(3));

    if (accepted) {
        // "End of log" is locked while the period is shown.
        auto* chkEnd = Child<QCheckBox>(*window, "chkEnd");
        QTest::mouseClick(chkEnd, Qt::LeftButton);
        QCOMPARE(chkEnd->isChecked(), toEnd);
    }

    // Back to the whole log: the statistics of the whole list, not of the last period.
    QTest::mouseClick(Child<QRadioButton>(*window, "optWhole"), Qt::LeftButton);
    QCOMPARE(window->SessionTable().rowCount(), 3);
    QCOMPARE(Child<QLabel>(*window, "lblNumSes")->text(), QString("3"));
    QVERIFY(!window->CurrentStatistics().fSelection);
    QVERIFY(!Child<QLineEdit>(*window, "txtFrom")->isReadOnly());
}

void TestFrmMain::selectionSumFollowsSelectedRows()
{
    WriteDataFile(DataFileLines(kThreeMonths));
    auto window = StartWindow();
    // At start the sum line shows the first row.
    QCOMPARE(Child<QLabel>(*window, "lblSumRec")->text(), FormatBytes(5000));

    auto* grid = Child<QTableView>(*window, "grdTime");
    const QPoint row2 = grid->visualRect(window->SessionTable().index(1, 1)).center();
    const QPoint row3 = grid->visualRect(window->SessionTable().index(2, 1)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, row2);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier, row3);

    QCOMPARE(Child<QLabel>(*window, "lblSumRec")->text(), FormatBytes(2000700));
    QCOMPARE(Child<QLabel>(*window, "lblSumTrns")->text(), FormatBytes(300200));
    QCOMPARE(Child<QLabel>(*window, "lblSumDur1")->text(), QString("90 min"));
    // While the whole log is shown the selection proposes its days as the period.
    QCOMPARE(Child<QLineEdit>(*window, "txtFrom")->text(),
             FormatShortDate(*MakeDateTime(2024, 2, 12)));
    QCOMPARE(Child<QLineEdit>(*window, "txtTo")->text(),
             FormatShortDate(*MakeDateTime(2024, 3, 15)));
    QVERIFY(Child<QRadioButton>(*window, "optPartial")->isEnabled());

    // A selection made by the program (a refill) leaves the sum line alone.
    window->RefreshAll(frmMain::kRefillPages);
    QCOMPARE(Child<QLabel>(*window, "lblSumRec")->text(), FormatBytes(2000700));
}

// Press on one row, drag over five more, release: the sum and the period are those of the six
// rows that the drag highlighted.
void TestFrmMain::selectionSumFollowsAMouseDrag()
{
    std::vector<TestSession> sessions;
    for (int day = 1; day <= 8; ++day)
        sessions.push_back({4, day, "10:00:00", "10:10:00", 1000 * day, 100});
    QByteArray lines;
    for (const TestSession& session : sessions)
        lines += DataFileLines({session});
    WriteDataFile(lines);
    auto window = StartWindow();
    auto* grid = Child<QTableView>(*window, "grdTime");
    QWidget* viewport = grid->viewport();
    auto rowCentre = [&](int row) {
        return grid->visualRect(window->SessionTable().index(row, 1)).center();
    };
    QTest::mousePress(viewport, Qt::LeftButton, {}, rowCentre(1));
    for (int row = 2; row <= 6; ++row) {
        QMouseEvent move(QEvent::MouseMove, rowCentre(row), viewport->mapToGlobal(rowCentre(row)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
    }
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, rowCentre(6));

    QCOMPARE(grid->selectionModel()->selectedRows().size(), 6);
    QCOMPARE(Child<QLabel>(*window, "lblSumRec")->text(), FormatBytes(27000)); // days 2..7
    QCOMPARE(Child<QLabel>(*window, "lblSumDur1")->text(), QString("60 min"));
    QCOMPARE(Child<QLineEdit>(*window, "txtFrom")->text(),
             FormatShortDate(*MakeDateTime(2024, 4, 2)));
    QCOMPARE(Child<QLineEdit>(*window, "txtTo")->text(),
             FormatShortDate(*MakeDateTime(2024, 4, 7)));
}

// Years of a metered link in a locale with long money texts: every sum fits its box whole.
void TestFrmMain::sumBoxesShowTheWidestSums()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    {
        const auto store = OpenSettingsStore(SettingsFilePath());
        CostSettings costs;
        costs.bCommCosts = costs.bServCosts = true;
        costs.vCommRate = {1.5, 1.5, 1.5};
        costs.vServMinute = 0.9;
        QVERIFY(SaveCommunicationSettings(*store, costs));
        QVERIFY(SaveServiceSettings(*store, costs));
    }
    std::vector<TestSession> sessions;
    for (int day = 1; day <= 28; ++day)
        sessions.push_back({5, day, "00:00:01", "23:59:59", 2000000000, 1900000000});
    QByteArray lines;
    for (const TestSession& session : sessions)
        lines += DataFileLines({session});
    WriteDataFile(lines);
    auto window = StartWindow();
    auto* grid = Child<QTableView>(*window, "grdTime");
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_A, Qt::ControlModifier);
    QLocale::setDefault(QLocale::c());

    for (const char* name :
         {"lblSumDur1", "lblSumTrns", "lblSumRec", "lblSumComCosts", "lblSumServCosts"}) {
        auto* box = Child<QLabel>(*window, name);
        QVERIFY2(!box->text().isEmpty(), name);
        const int needed = box->fontMetrics().horizontalAdvance(box->text());
        QVERIFY2(needed <= box->contentsRect().width(),
                 qPrintable(QStringLiteral("%1: \"%2\" needs %3 px, has %4")
                                .arg(name, box->text())
                                .arg(needed)
                                .arg(box->contentsRect().width())));
    }
}

// A fresh install has no period: "View log from:" is disabled and must still be read.
void TestFrmMain::disabledPeriodCaptionIsReadable()
{
    auto window = StartWindow();
    auto* option = Child<QRadioButton>(*window, "optPartial");
    QVERIFY(!option->isEnabled());
    const QImage image = option->grab().toImage();
    int darkest = 255;
    for (int y = 0; y < image.height(); ++y)
        for (int x = image.width() / 3; x < image.width(); ++x)
            darkest = std::min(darkest, qGray(image.pixel(x, y)));
    QVERIFY2(darkest < 150, qPrintable(QString::number(darkest)));
}

// A single fixed border: the window can be neither resized nor maximised.
void TestFrmMain::windowHasAFixedSize()
{
    auto window = StartWindow();
    QCOMPARE(window->minimumSize(), window->maximumSize());
    QCOMPARE(window->size(), window->minimumSize());
    QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));
}

// The columns fit the table beside its vertical scroll bar: no row hides behind a horizontal one.
void TestFrmMain::sessionTableNeedsNoHorizontalScrollBar()
{
    std::vector<TestSession> sessions;
    for (int day = 1; day <= 28; ++day)
        sessions.push_back({6, day, "10:00:00", "10:10:00", 1000, 100});
    QByteArray lines;
    for (const TestSession& session : sessions)
        lines += DataFileLines({session});
    WriteDataFile(lines);
    auto window = StartWindow();
    auto* grid = Child<QTableView>(*window, "grdTime");
    QApplication::processEvents();
    QVERIFY(grid->verticalScrollBar()->maximum() > 0);
    QCOMPARE(grid->horizontalScrollBar()->maximum(), 0);
}

void TestFrmMain::copiesGridOfFrontPage_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("expected");
    // The session table selects whole rows: the second session, six cells.
    const QString session =
        FormatDateTime(*MakeDateTime(2024, 2, 12, 20)) + "\t1:00:00\t300000\t2000000\t\t\t\r\n";
    // clang-format off
    QTest::newRow("session table") << 0 << session;
    QTest::newRow("statistics")    << 1 << QString();
    QTest::newRow("monthly grid")  << 2 << QLocale().standaloneMonthName(1) + "\t10 min\t\r\n";
    // clang-format on
}

void TestFrmMain::copiesGridOfFrontPage()
{
    QFETCH(int, page);
    QFETCH(QString, expected);
    WriteDataFile(DataFileLines(kThreeMonths));
    auto window = StartWindow();
    QGuiApplication::clipboard()->setText("left over");
    window->ShowPage(page);
    auto* grdTime = Child<QTableView>(*window, "grdTime");
    auto* grdSum = Child<QTableView>(*window, "grdSum");
    grdTime->selectionModel()->select(grdTime->model()->index(1, 0),
                                      QItemSelectionModel::ClearAndSelect |
                                          QItemSelectionModel::Rows);
    grdSum->selectionModel()->select(
        QItemSelection(grdSum->model()->index(0, 0), grdSum->model()->index(0, 1)),
        QItemSelectionModel::ClearAndSelect);

    // Ctrl+C typed in the grid of the page; the statistics page has no grid to type in.
    if (page == 1)
        window->CopySelection();
    else
        QTest::keyClick(page == 0 ? grdTime : grdSum, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
}

void TestFrmMain::tabStripHitTest_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("page"); // -1: the page in front stays
    // clang-format off
    QTest::newRow("y = 0")              << 60  << 0  << -1;
    QTest::newRow("y = 29")             << 60  << 29 << -1;
    QTest::newRow("y = 1")              << 60  << 1  << 0;
    QTest::newRow("y = 28")             << 200 << 28 << 1;
    QTest::newRow("left of the tabs")   << 1   << 10 << -1;
    QTest::newRow("first tab, left")    << 2   << 10 << 0;
    QTest::newRow("first tab, right")   << 148 << 10 << 0;
    QTest::newRow("second tab, left")   << 149 << 10 << 1;
    QTest::newRow("second tab, right")  << 295 << 10 << 1;
    QTest::newRow("third tab, left")    << 296 << 10 << 2;
    QTest::newRow("third tab, right")   << 442 << 10 << 2;
    QTest::newRow("right of the tabs")  << 443 << 10 << -1;
    // clang-format on
}

void TestFrmMain::tabStripHitTest()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, page);
    auto window = StartWindow();
    // Start from the statistics page so that every outcome is a change or none.
    window->ShowPage(1);
    const int before = window->Page();
    auto* strip = Child<TabPicture>(*window, "picTab1");
    QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(x, y));
    const int expected = page < 0 ? before : page;
    QCOMPARE(window->Page(), expected);
    // Exactly the strip of the page in front is visible.
    for (int i = 0; i < 3; ++i) {
        const auto* tab = Child<TabPicture>(*window, QStringLiteral("picTab%1").arg(i).toLatin1());
        QCOMPARE(tab->isVisible(), i == expected);
    }
}

void TestFrmMain::rememberedPeriodAcrossRestart_data()
{
    QTest::addColumn<bool>("exitCommand");
    QTest::addColumn<int>("rowsAfterRestart");
    // clang-format off
    QTest::newRow("Exit saves")              << true  << 2;
    QTest::newRow("close box does not save") << false << 3;
    // clang-format on
}

void TestFrmMain::rememberedPeriodAcrossRestart()
{
    QFETCH(bool, exitCommand);
    QFETCH(int, rowsAfterRestart);
    WriteDataFile(DataFileLines(kThreeMonths));
    {
        auto window = StartWindow();
        Child<QLineEdit>(*window, "txtFrom")->setText("2024-02-01");
        Child<QLineEdit>(*window, "txtTo")->setText("2024-03-31");
        QTest::mouseClick(Child<QRadioButton>(*window, "optPartial"), Qt::LeftButton);
        QCOMPARE(window->SessionTable().rowCount(), 2);
        if (exitCommand)
            QTest::mouseClick(Child<QPushButton>(*window, "cmdExit"), Qt::LeftButton);
        else
            window->close();
    }
    auto window = StartWindow();
    QCOMPARE(window->SessionTable().rowCount(), rowsAfterRestart);
    QCOMPARE(Child<QRadioButton>(*window, "optPartial")->isChecked(), exitCommand);
    // A restored period leaves the date boxes editable.
    QVERIFY(!Child<QLineEdit>(*window, "txtFrom")->isReadOnly());
}

void TestFrmMain::statusTextClearedAfterLastCall()
{
    auto window = StartWindow();
    window->SetStatusInterval(200);
    auto* timer = window->findChild<QTimer*>("timStatBar");
    QVERIFY(timer);
    window->SetStatus("first");
    QTest::qWait(120);
    window->SetStatus("second");
    // The second call starts the interval anew: 120 ms later the timer is still pending.
    QTest::qWait(120);
    QVERIFY(timer->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(!timer->isActive(), 1000);
}

// A failed update must not look like one that found nothing new.
void TestFrmMain::failedUpdateShowsInTheStatusLine()
{
    auto window = StartWindow();
    QVERIFY(QDir().mkpath(QDir(ProgramFolder()).filePath("SesLog.log")));
    WriteDataFile(DataFileLines({kThreeMonths.begin()[0]}));
    QTest::mouseClick(Child<QPushButton>(*window, "cmdUpdate"), Qt::LeftButton);
    const QString text = static_cast<clsStatBar&>(window->StatBar()).Text();
    QVERIFY2(text.contains("SesLog.log"), qPrintable(text));
    QCOMPARE(text, window->LastUpdate().error);
}

void TestFrmMain::disabledCommandsStayUnwired()
{
    auto window = StartWindow();
    for (const char* name : {"cmdExport"})
        QVERIFY2(!Child<QPushButton>(*window, name)->isEnabled(), name);
    for (const char* name : {"mnuEditLog"}) {
        auto* action = window->findChild<QAction*>(QString::fromLatin1(name));
        QVERIFY2(action, name);
        QVERIFY2(!action->isEnabled(), name);
    }
    QVERIFY(!window->findChild<QAction*>("mnuEditLog")->isVisible());
    QCOMPARE(window->findChild<QAction*>("mnuUpdate")->property("helpContext").toInt(), 220);
    QCOMPARE(window->property("helpContext").toInt(), 10);
}

void TestFrmMain::damagedSettingsAreReportedOnceAndKept()
{
    // A tariff with an unclosed quote: the reader would take every later line into its value.
    const QByteArray damaged =
        "[Costs]\nsVersion=1.75\nbCommCosts=\"True\nvCommRate1=0.1\n"
        "[Sel]\nfSelEnabled=True\nvSelStartDate=2024-02-01\nfSelToEnd=True\n";
    const QString path = SettingsFilePath();
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(damaged);
    }
    WriteDataFile(DataFileLines(kThreeMonths));
    // An adapter with logging off, so that the logging check has nothing to say either.
    QVERIFY(WriteRegistryFile(QDir(WindowsFolder()).filePath("SYSTEM.REG"),
                              RegistryFileText(DialUpAdapter("0000", "\"0\""))));
    MessageBox::ResetRecord();
    auto window = StartWindow();
    QCOMPARE(MessageBox::ShownCount(), 1);
    QCOMPARE(MessageBox::LastText(),
             "The settings file cannot be used:\r\n" + path +
                 ": line 3: unclosed quote\r\nCosts are off, and the file is left as it is until "
                 "you mend it.");
    QCOMPARE(window->Costs(), CostSettings());
    QCOMPARE(window->SessionTable().rowCount(), 3);

    // Neither an update nor the period saved at Exit reports it again or writes the file.
    QTest::mouseClick(Child<QPushButton>(*window, "cmdUpdate"), Qt::LeftButton);
    Child<QLineEdit>(*window, "txtFrom")->setText("2024-02-01");
    Child<QLineEdit>(*window, "txtTo")->setText("2024-03-31");
    QTest::mouseClick(Child<QRadioButton>(*window, "optPartial"), Qt::LeftButton);
    QTest::mouseClick(Child<QPushButton>(*window, "cmdExit"), Qt::LeftButton);
    QCOMPARE(MessageBox::ShownCount(), 1);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), damaged);
}

QTEST_MAIN(TestFrmMain)
#include "test_frmmain.moc"
