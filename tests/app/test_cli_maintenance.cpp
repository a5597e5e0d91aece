#include "log/sessionlog.h"
#include "support/runcli.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace dialtally;

namespace {

DateTime At(int year, int month, int day, int hour, int minute, int second = 0)
{
    return *MakeDateTime(year, month, day, hour, minute, second);
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Three sessions of the Windows 98 dialect on 1, 2 and 3 March 1999, each 10:00:00 to 10:10:00
// with its counters logged at the disconnect, each after a record at 09:59:40 that a deletion
// reaches only when it forgets to undo the allowance of 30 s. Six records a day.
EventList ThreeSessions()
{
    EventList events;
    for (int day = 1; day <= 3; ++day) {
        events.push_back(MakeEvent(At(1999, 3, day, 9, 59, 40), 261));
        events.push_back(MakeEvent(At(1999, 3, day, 10, 0), 257));
        events.push_back(MakeEvent(At(1999, 3, day, 10, 0, 4), 267));
        events.push_back(MakeEvent(At(1999, 3, day, 10, 10), 258));
        events.push_back(MakeEvent(At(1999, 3, day, 10, 10), 358, 1000 * day));
        events.push_back(MakeEvent(At(1999, 3, day, 10, 10), 357, 5000 * day));
    }
    return events;
}

QByteArray Bytes(const EventList& events)
{
    QByteArray bytes;
    for (const LogEvent& event : events) {
        const LogRecordBytes record = EncodeRecord(event);
        bytes.append(reinterpret_cast<const char*>(record.data()), qsizetype(record.size()));
    }
    return bytes;
}

} // namespace

// The commands that change the session log or write what the window writes: export, report,
// clear and delete, run as the built program on a log of their own.
class TestCliMaintenance : public QObject {
    Q_OBJECT
private slots:
    void init();
    void exportWritesThePeriod();
    void reportRendersToPages();
    void clearNeedsYes();
    void deleteSessions_data();
    void deleteSessions();

private:
    CliResult Run(const QStringList& args);
    QString LogPath() const { return m_dir->filePath("SesLog.log"); }
    QString BackupPath() const { return m_dir->filePath("SesLog.bak"); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_original;
};

void TestCliMaintenance::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(WriteSessionLog(m_dir->path(), ThreeSessions()));
    m_original = ReadAll(LogPath());
    QVERIFY(QDir(m_dir->path()).mkpath("windows"));
    QVERIFY(QDir(m_dir->path()).mkpath("config"));
    QFile store(m_dir->filePath("config/Dtallyer.ini"));
    QVERIFY(store.open(QIODevice::WriteOnly));
    store.write("[Costs]\nsVersion=1.75\nvAditionalConnectSeconds=30\nbCommCosts=True\n"
                "vCommRate1=0.1\n");
}

CliResult TestCliMaintenance::Run(const QStringList& args)
{
    QProcessEnvironment env = TestEnvironment(QDir(m_dir->path()));
    env.insert("LC_ALL", "en_GB.UTF-8");
    return RunCli(args, env);
}

void TestCliMaintenance::exportWritesThePeriod()
{
    const QString path = m_dir->filePath("out.txt");
    const CliResult result = Run({"export", path, "--from", "1999-03-02", "--to", "1999-03-02"});
    QCOMPARE(result.exitCode, 0);
    // The allowance of 30 s moves the up time; the telephone costs 0.1 a minute for 630 s, unrounded.
    QCOMPARE(ReadAll(path), QByteArray("Up date\tUp time\tDown date\tDown time\tDuration [s]\t"
                                       "Transmitted data [byte]\tReceived data [byte]\t"
                                       "Communication costs\tService costs\r\n"
                                       "02/03/1999\t09:59:30\t02/03/1999\t10:10:00\t630\t2000\t"
                                       "10000\t1.05\t\r\n"));
}

void TestCliMaintenance::reportRendersToPages()
{
    const QString pdf = m_dir->filePath("report.pdf");
    const CliResult result = Run({"report", pdf});
    QCOMPARE(result.exitCode, 0);
    QVERIFY(ReadAll(pdf).startsWith("%PDF-"));
    const QString pdftoppm = QStandardPaths::findExecutable("pdftoppm");
    if (pdftoppm.isEmpty())
        QSKIP("pdftoppm (poppler-utils) is not installed");
    QProcess render;
    render.start(pdftoppm, {"-r", "50", "-png", pdf, m_dir->filePath("page")});
    QVERIFY(render.waitForFinished(60000) && render.exitCode() == 0);
    QImage page(m_dir->filePath("page-1.png"));
    QVERIFY(!page.isNull());
    QVERIFY(!QFile::exists(m_dir->filePath("page-2.png")));
    // Ink where the title stands (centred, a few lines down) and in the first column, none
    // at the bottom of the page.
    const auto inkIn = [&page](double left, double top, double right, double bottom) {
        int dark = 0;
        for (int y = int(top * page.height()); y < int(bottom * page.height()); ++y)
            for (int x = int(left * page.width()); x < int(right * page.width()); ++x)
                dark += qGray(page.pixel(x, y)) < 128 ? 1 : 0;
        return dark;
    };
    QVERIFY(inkIn(0.35, 0.05, 0.65, 0.12) > 50);
    QVERIFY(inkIn(0.05, 0.12, 0.3, 0.25) > 50);
    QCOMPARE(inkIn(0.0, 0.6, 1.0, 1.0), 0);
}

void TestCliMaintenance::clearNeedsYes()
{
    QFile backup(BackupPath());
    QVERIFY(backup.open(QIODevice::WriteOnly));
    backup.write("an older backup");
    backup.close();
    CliResult result = Run({"clear"});
    QCOMPARE(result.exitCode, 2);
    QCOMPARE(ReadAll(LogPath()), m_original);

    result = Run({"clear", "--yes"});
    QCOMPARE(result.exitCode, 0);
    QVERIFY(result.err.contains("Log Cleared."));
    QVERIFY(!QFile::exists(LogPath()));
    QCOMPARE(ReadAll(BackupPath()), QByteArray("an older backup"));
}

void TestCliMaintenance::deleteSessions_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QList<int>>("kept"); // the records that stay; empty: nothing changed
    // clang-format off
    QTest::newRow("without --yes")   << QStringList{"delete", "--sessions", "1"}          << 2 << QByteArray("--yes")                          << QList<int>{};
    QTest::newRow("beyond the log")  << QStringList{"delete", "--sessions", "1-3", "--yes"} << 2 << QByteArray("no session with index 3")     << QList<int>{};
    QTest::newRow("reversed range")  << QStringList{"delete", "--sessions", "2-1", "--yes"} << 2 << QByteArray("FIRST")                       << QList<int>{};
    QTest::newRow("one session")     << QStringList{"delete", "--sessions", "1", "--yes"}   << 0 << QByteArray("Part of log successfully deleted.") << QList<int>{0, 1, 2, 3, 4, 5, 6, 12, 13, 14, 15, 16, 17};
    QTest::newRow("a run")           << QStringList{"delete", "--sessions", "0-1", "--yes"} << 0 << QByteArray("Part of log successfully deleted.") << QList<int>{0, 12, 13, 14, 15, 16, 17};
    // clang-format on
}

void TestCliMaintenance::deleteSessions()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QByteArray, message);
    QFETCH(QList<int>, kept);
    const CliResult result = Run(args);
    QCOMPARE(result.exitCode, status);
    QVERIFY2(result.err.contains(message), result.err.constData());
    if (kept.isEmpty()) {
        QCOMPARE(ReadAll(LogPath()), m_original);
        QVERIFY(!QFile::exists(BackupPath()));
        return;
    }
    EventList events;
    for (int index : kept)
        events.push_back(ThreeSessions()[static_cast<std::size_t>(index)]);
    QCOMPARE(ReadAll(LogPath()).toHex(), Bytes(events).toHex());
    QCOMPARE(ReadAll(BackupPath()), m_original);
}

QTEST_GUILESS_MAIN(TestCliMaintenance)
#include "test_cli_maintenance.moc"
