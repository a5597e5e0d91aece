#include "analysis/formatting.h"
#include "analysis/settings.h"
#include "ui/frmmain.h"
#include "ui/gridtextmodel.h"
#include "ui/messagebox.h"
#include "ui/sessiontablemodel.h"
#include "ui/traycontrol.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace dialtally;

namespace {

DateTime At(int month, int day, int hour, int minute, int second = 0)
{
    return *MakeDateTime(2024, month, day, hour, minute, second);
}

// One adapter line of the logger's data file.
QByteArray Line(DateTime t, const QByteArray& text)
{
    const CivilTime c = ToCivil(t);
    return QStringLiteral("\"%1-%2-%3 %4:%5:%6.00 - ")
               .arg(c.month, 2, 10, QLatin1Char('0'))
               .arg(c.day, 2, 10, QLatin1Char('0'))
               .arg(c.year)
               .arg(c.hour, 2, 10, QLatin1Char('0'))
               .arg(c.minute, 2, 10, QLatin1Char('0'))
               .arg(c.second, 2, 10, QLatin1Char('0'))
               .toLatin1() +
           text + "\"\r\n";
}

QByteArray Up(DateTime t)
{
    return Line(t, "Microsoft Dial Up Agapter log opened.") + Line(t, "IPCP : Layer up.");
}

QByteArray Down(DateTime t, int received = 0, int transmitted = 0)
{
    return Line(t, "Remote access driver is shutting down.") +
           Line(t, "Bytes Received " + QByteArray::number(received)) +
           Line(t, "Bytes Transmitted " + QByteArray::number(transmitted)) +
           Line(t, "Microsoft Dial Up Adapter log closed.");
}

} // namespace

class TestLiveWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void openSessionRunsInStatusLineAndTable();
    void estimateRowBelowAverages();
    void budgetWarningInStatusLine();
    void trayToolTipAndMenu();
    void trayAnnouncesEachThresholdOncePerMonth();

private:
    std::unique_ptr<frmMain> StartWindow();
    void WriteDataFile(const QByteArray& bytes);
    void WriteSettings(const QByteArray& ini);

    std::unique_ptr<QTemporaryDir> m_dir;
    Places m_places;
    DateTime m_now = At(5, 20, 12, 0);
};

void TestLiveWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    const QDir dir(m_dir->path());
    for (const char* name : {"program", "windows", "config"})
        dir.mkpath(QString::fromLatin1(name));
    m_places.programDir = dir.filePath(QStringLiteral("program"));
    m_places.windowsDir = dir.filePath(QStringLiteral("windows"));
    m_places.configDir = dir.filePath(QStringLiteral("config"));
    m_places.runtimeDir = dir.filePath(QStringLiteral("run"));
    MessageBox::SetAutoAnswer(MessageBox::Answer::Ok);
    // Communication costs of 0.10 a minute at every hour, no connection charge.
    WriteSettings("[Costs]\nsVersion=1.75\nbCommCosts=True\nvCommRate1=0.1\nvCommRate2=0.1\n"
                  "vCommRate3=0.1\n");
}

void TestLiveWindow::cleanup()
{
    m_dir.reset();
}

void TestLiveWindow::WriteSettings(const QByteArray& ini)
{
    QFile file(m_places.SettingsFile());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Append));
    file.write(ini);
}

std::unique_ptr<frmMain> TestLiveWindow::StartWindow()
{
    auto window = std::make_unique<frmMain>(m_places, nullptr, [this] { return m_now; });
    window->SetStatusInterval(10);
    window->show();
    window->FirstActivation();
    return window;
}

void TestLiveWindow::WriteDataFile(const QByteArray& bytes)
{
    QFile file(QDir(m_places.windowsDir).filePath(QStringLiteral("Dtally.dat")));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Append));
    file.write(bytes);
}

void TestLiveWindow::openSessionRunsInStatusLineAndTable()
{
    WriteDataFile(Up(At(5, 20, 9, 0, 5)));
    m_now = At(5, 20, 9, 12, 39);
    auto window = StartWindow();
    // The only session of the log is open: the table shows it with its running duration.
    const SessionTableModel& table = window->SessionTable();
    QVERIFY(table.SessionIndexOfRow(0));
    const auto column = [&](SessionTableModel::Column c) {
        return table.index(0, static_cast<int>(c)).data().toString();
    };
    QCOMPARE(column(SessionTableModel::Column::SessionLength), QString("0:12:34"));
    const QString started = QLocale().toString(QTime(9, 0, 5), LongTimeFormat());
    QTRY_COMPARE(window->StatusText(), QStringLiteral("Online since %1: 0:12:34, %2 so far")
                                           .arg(started, FormatCurrency(1.2566666666666666)));

    // A second later both have moved on.
    m_now.seconds += 60;
    QTRY_COMPARE(column(SessionTableModel::Column::SessionLength), QString("0:13:34"));
    QTRY_VERIFY(window->StatusText().contains(QStringLiteral("0:13:34")));
    QCOMPARE(column(SessionTableModel::Column::CommCosts), FormatCurrency(1.3566666666666667));

    // The connection ends: the row keeps its final duration and the line falls silent.
    WriteDataFile(Down(At(5, 20, 9, 20, 5), 5000, 700));
    window->Update();
    QCOMPARE(column(SessionTableModel::Column::SessionLength), QString("0:20:00"));
    QTRY_COMPARE(window->StatusText(), QString());
}

// An hour on 1 May, seen on 16 May: 15 of 31 days have passed.
void TestLiveWindow::estimateRowBelowAverages()
{
    WriteDataFile(Up(At(4, 30, 10, 0)) + Down(At(4, 30, 10, 30)) + Up(At(5, 1, 10, 0)) +
                  Down(At(5, 1, 11, 0), 15000, 1500));
    m_now = At(5, 16, 0, 0);
    auto window = StartWindow();
    const std::vector<QStringList>& rows = window->MonthlyGrid().Rows();
    QCOMPARE(rows[rows.size() - 2].front(), QString("AVERAGES:"));
    QCOMPARE(rows.back(),
             QStringList({"ESTIMATE", "124 min", FormatCurrency(12.4), FormatCurrency(0),
                          FormatCurrency(12.4), FormatBytes(3100), FormatBytes(31000)}));
}

// 90 of 100 minutes on 16 May: the month so far passed the first threshold and the estimate
// (90 min x 31 / 15 days) the second.
void TestLiveWindow::budgetWarningInStatusLine()
{
    WriteSettings("[Budgets]\nvBudgetMinutes=100\nvBudgetCost=1000\n");
    WriteDataFile(Up(At(5, 1, 10, 0)) + Down(At(5, 1, 11, 30)));
    m_now = At(5, 16, 0, 0);
    auto window = StartWindow();
    QCOMPARE(window->BudgetLine(), QStringLiteral("Budget: minutes 90 % (est. 186 %)"));
    QTRY_COMPARE(window->StatusText(), window->BudgetLine());

    // Online as well: both stand in the line.
    WriteDataFile(Up(At(5, 16, 0, 0)));
    m_now = At(5, 16, 0, 0, 10);
    window->Update();
    QTRY_VERIFY(window->StatusText().startsWith(QStringLiteral("Online since ")));
    // Beside the open session only the budget nearest its limit: the cost budget is far off.
    QVERIFY(window->StatusText().endsWith(QStringLiteral("; Budget: minutes 90 % (est. 186 %)")));
}

void TestLiveWindow::trayToolTipAndMenu()
{
    WriteDataFile(Up(At(5, 1, 10, 0)) + Down(At(5, 1, 11, 30)));
    m_now = At(5, 16, 0, 0);
    auto window = StartWindow();
    TrayControl& tray = window->Tray();
    QStringList captions;
    for (const QAction* action : tray.Menu()->actions())
        captions << action->text();
    QCOMPARE(captions, QStringList({"&Show", "&Update Log", "&Follow the Logger", "", "E&xit"}));
    // Offline: the month so far, 90 minutes at 0.10.
    QVERIFY(!tray.Online());
    QCOMPARE(tray.Icon()->toolTip(),
             QStringLiteral("Dialtally\n%1 so far: 90 min, %2")
                 .arg(QLocale().standaloneMonthName(5), FormatCurrency(9.0)));

    // The menu's Follow the Logger is the window's.
    QAction* follow = tray.Menu()->actions().at(2);
    QVERIFY(follow->isChecked());
    follow->trigger();
    QVERIFY(!window->Live().bFollowLogger);
    QVERIFY(!window->findChild<QAction*>(QStringLiteral("mnuFollow"))->isChecked());

    // Update Log from the tray takes the new connection; the tooltip shows it.
    WriteDataFile(Up(At(5, 16, 0, 0)));
    m_now = At(5, 16, 0, 1, 40);
    tray.Menu()->actions().at(1)->trigger();
    QVERIFY(tray.Online());
    QVERIFY2(tray.Icon()->toolTip().startsWith(QStringLiteral("Dialtally\nOnline since ")) &&
                 tray.Icon()->toolTip().contains(QStringLiteral(": 0:01:40, ")),
             qPrintable(tray.Icon()->toolTip()));
    // Without a tray on this desktop the option to stay in it is not offered.
    QCOMPARE(window->findChild<QAction*>(QStringLiteral("mnuKeepInTray"))->isVisible(),
             TrayControl::Available());
}

void TestLiveWindow::trayAnnouncesEachThresholdOncePerMonth()
{
    TrayControl tray;
    Budgets budgets;
    budgets.vBudgetMinutes = 100;
    MonthTotals month;
    month.seconds = 85 * 60;
    const DateTime may = At(5, 1, 0, 0);
    const DateTime june = *MakeDateTime(2024, 6, 1);
    QCOMPARE(tray.Announce(CheckBudgets(budgets, month, std::nullopt), may), 1);
    QCOMPARE(tray.Announce(CheckBudgets(budgets, month, std::nullopt), may), 0);
    month.seconds = 100 * 60;
    QCOMPARE(tray.Announce(CheckBudgets(budgets, month, std::nullopt), may), 1);
    QCOMPARE(tray.Announce(CheckBudgets(budgets, month, std::nullopt), june), 1);
    month.seconds = 10 * 60;
    QCOMPARE(tray.Announce(CheckBudgets(budgets, month, std::nullopt), june), 0);
}

QTEST_MAIN(TestLiveWindow)
#include "test_livewindow.moc"
