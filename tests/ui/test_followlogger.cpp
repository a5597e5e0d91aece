// The window following a real logger process: lines written to the adapter's log reach the
// session table without a click, one burst of lines gives one refresh, and the table keeps its
// selection while it grows.

#include "ui/frmmain.h"
#include "ui/gridtextmodel.h"
#include "ui/messagebox.h"
#include "ui/sessiontablemodel.h"

#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace dialtally;

namespace {

// The adapter's own lines, as the logger finds them in its log.
QByteArray Session(int day, int hour, int received)
{
    const QByteArray date = QByteArray("05-") + (day < 10 ? "0" : "") + QByteArray::number(day) +
                            "-2024 " + (hour < 10 ? "0" : "") + QByteArray::number(hour);
    return date + ":00:00.00 - Microsoft Dial Up Agapter log opened.\r\n" + date +
           ":00:01.00 - IPCP : Layer up.\r\n" + date +
           ":30:00.00 - Remote access driver is shutting down.\r\n" + date +
           ":30:00.00 - Bytes Received " + QByteArray::number(received) + "\r\n" + date +
           ":30:00.00 - Bytes Transmitted 100\r\n" + date +
           ":30:00.00 - Microsoft Dial Up Adapter log closed.\r\n";
}

} // namespace

class TestFollowLogger : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void burstsOfLinesReachTheTable();
    void followingOffLeavesTheTable();

private:
    void StartLogger();
    void AppendToAdapterLog(const QByteArray& lines);
    std::unique_ptr<frmMain> StartWindow();

    std::unique_ptr<QTemporaryDir> m_dir;
    Places m_places;
    QString m_source;
    std::unique_ptr<QProcess> m_logger;
};

void TestFollowLogger::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    const QDir dir(m_dir->path());
    // The logger makes its runtime folder itself, private to the user.
    for (const char* name : {"program", "windows", "config"})
        dir.mkpath(QString::fromLatin1(name));
    m_places.programDir = dir.filePath(QStringLiteral("program"));
    m_places.windowsDir = dir.filePath(QStringLiteral("windows"));
    m_places.configDir = dir.filePath(QStringLiteral("config"));
    m_places.runtimeDir = dir.filePath(QStringLiteral("run"));
    m_source = dir.filePath(QStringLiteral("PPPLOG.TXT"));
    QFile(m_source).open(QIODevice::WriteOnly);
    // Not a first run: the window starts no logger of its own.
    QFile settings(m_places.SettingsFile());
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write("[Run]\nbFirstRunDone=True\n");
    MessageBox::SetAutoAnswer(MessageBox::Answer::Ok);
}

void TestFollowLogger::cleanup()
{
    if (m_logger) {
        m_logger->terminate();
        m_logger->waitForFinished();
        m_logger.reset();
    }
    m_dir.reset();
}

void TestFollowLogger::StartLogger()
{
    m_logger = std::make_unique<QProcess>();
    m_logger->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_logger->start(QStringLiteral(DIALTALLY_BIN_DIR "/dtallywr"),
                    {"--program-dir", m_places.programDir, "--windows-dir", m_places.windowsDir,
                     "--runtime-dir", m_places.runtimeDir, "--source", m_source, "--from-start",
                     "--poll-ms", "20"});
    QVERIFY(m_logger->waitForStarted());
}

void TestFollowLogger::AppendToAdapterLog(const QByteArray& lines)
{
    QFile file(m_source);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Append));
    QCOMPARE(file.write(lines), lines.size());
}

std::unique_ptr<frmMain> TestFollowLogger::StartWindow()
{
    auto window = std::make_unique<frmMain>(m_places, nullptr,
                                            [] { return *MakeDateTime(2024, 5, 20, 12, 0); });
    window->SetStatusInterval(10);
    window->show();
    window->FirstActivation();
    return window;
}

void TestFollowLogger::burstsOfLinesReachTheTable()
{
    StartLogger();
    auto window = StartWindow();
    QVERIFY(window->Live().bFollowLogger);
    const SessionTableModel& table = window->SessionTable();
    QTableView* grid = window->findChild<QTableView*>(QStringLiteral("grdTime"));
    QVERIFY(grid);

    AppendToAdapterLog(Session(1, 9, 5000));
    QTRY_COMPARE_WITH_TIMEOUT(table.index(0, 3).data().toString(), QString("5000"), 10000);
    // Quiet afterwards: the data file's removal by the update is no new line.
    QTest::qWait(2 * 1000);
    QCOMPARE(window->FollowRefreshCount(), 1);

    // The user's selection and the table stay while the next burst adds a row under it.
    grid->selectionModel()->select(table.index(0, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QSignalSpy resets(&table, &QAbstractItemModel::modelReset);
    AppendToAdapterLog(Session(2, 10, 7000) + Session(3, 11, 9000));
    QTRY_COMPARE_WITH_TIMEOUT(table.rowCount(), 3, 10000);
    QCOMPARE(table.index(2, 3).data().toString(), QString("9000"));
    QTest::qWait(2 * 1000);
    QCOMPARE(window->FollowRefreshCount(), 2);
    QCOMPARE(resets.count(), 0);
    QVERIFY(grid->selectionModel()->isRowSelected(0, {}));
    QCOMPARE(grid->selectionModel()->selectedRows().size(), 1);
    // The monthly page took the new sessions too: 30 minutes on each of three days.
    QCOMPARE(window->MonthlyGrid().Text(0, 1), QString("90 min"));
}

void TestFollowLogger::followingOffLeavesTheTable()
{
    StartLogger();
    auto window = StartWindow();
    window->SetFollowLogger(false);
    AppendToAdapterLog(Session(1, 9, 5000));
    // The logger moved the lines into the data file; nobody takes them from there.
    const QString data = QDir(m_places.windowsDir).filePath(QStringLiteral("Dtally.dat"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile(data).size() > 0, 10000);
    QTest::qWait(1000);
    QCOMPARE(window->FollowRefreshCount(), 0);
    QVERIFY(!window->SessionTable().SessionIndexOfRow(0));
    // The choice is kept for the next start.
    QSettings store(m_places.SettingsFile(), QSettings::IniFormat);
    QCOMPARE(store.value(QStringLiteral("Live/bFollowLogger")).toString(), QString("False"));
    window->SetFollowLogger(true);
    QTRY_COMPARE_WITH_TIMEOUT(window->SessionTable().index(0, 3).data().toString(), QString("5000"),
                              10000);
}

QTEST_MAIN(TestFollowLogger)
#include "test_followlogger.moc"
