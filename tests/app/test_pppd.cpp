// pppd's messages as the companion logger reads them and the sessions that dialtally-cli then
// shows: hand-written log excerpts in tests/data/pppd, run through the real programs.

#include "platform/processes.h"
#include "support/runcli.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <zlib.h>

using namespace dialtally;

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run RunLogger(const QStringList& args, const QProcessEnvironment& env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(DIALTALLY_BIN_DIR "/dtallywr"), args);
    if (!process.waitForFinished(60000))
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

QString Fixture(const QString& name)
{
    return QStringLiteral(DIALTALLY_TEST_DATA "/pppd/") + name;
}

// Each session as "UP DOWN transmitted received", one per line.
QString SessionLines(const QByteArray& json)
{
    QStringList lines;
    for (const QJsonValue& value : QJsonDocument::fromJson(json).array()) {
        const QJsonObject s = value.toObject();
        lines << QStringLiteral("%1 %2 %3 %4")
                     .arg(s["up"].toString(), s["down"].toString())
                     .arg(s["transmitted"].toInteger())
                     .arg(s["received"].toInteger());
    }
    return lines.join('\n');
}

bool Gzip(const QString& from, const QString& to)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = in.readAll();
    gzFile out = gzopen(QFile::encodeName(to).constData(), "wb");
    if (!out)
        return false;
    const bool written = gzwrite(out, bytes.constData(), static_cast<unsigned>(bytes.size())) ==
                         static_cast<int>(bytes.size());
    return gzclose(out) == Z_OK && written;
}

} // namespace

class TestPppd : public QObject {
    Q_OBJECT
private slots:
    void init();
    void sessionsFromLogExcerpts_data();
    void sessionsFromLogExcerpts();
    void onceTwiceDeliversNothingTwice();
    void windows95Wording();
    void hookWritesTheSessionOnceBesideTheLog();
    void onceRefusedWhileALoggerRuns();
    void setupFollowsTheLogAndReadsItsHistory();
    void setupInstallsHooksThatPppdRuns();

private:
    QProcessEnvironment Environment(const QString& timeZone = QString()) const;
    // Copies the fixture into the test folder with the given modification time.
    QString Place(const QString& fixture, const QString& modified);
    Run Once(const QStringList& sources, const QStringList& extra = {},
             const QString& timeZone = QString());
    QString Sessions(const QStringList& extra = {});

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestPppd::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QProcessEnvironment TestPppd::Environment(const QString& timeZone) const
{
    QProcessEnvironment env = TestEnvironment(QDir(m_dir->path()));
    env.insert("DIALTALLY_RUNTIME_DIR", m_dir->filePath("run"));
    env.insert("TZ", timeZone.isEmpty() ? QStringLiteral("UTC0") : timeZone);
    return env;
}

QString TestPppd::Place(const QString& fixture, const QString& modified)
{
    const QString path = m_dir->filePath(fixture);
    QFile::remove(path);
    if (!QFile::copy(Fixture(fixture), path))
        return {};
    QFile file(path);
    file.open(QIODevice::ReadWrite);
    file.setFileTime(QDateTime::fromString(modified, Qt::ISODate),
                     QFileDevice::FileModificationTime);
    return path;
}

Run TestPppd::Once(const QStringList& sources, const QStringList& extra, const QString& timeZone)
{
    QStringList args = {"--source-format", "pppd", "--once"};
    for (const QString& source : sources)
        args << "--source" << source;
    return RunLogger(args + extra, Environment(timeZone));
}

QString TestPppd::Sessions(const QStringList& extra)
{
    const CliResult r = RunCli(extra + QStringList{"sessions", "--json"}, Environment());
    if (r.exitCode != 0)
        return QStringLiteral("dialtally-cli failed: ") + QString::fromLocal8Bit(r.err);
    return SessionLines(r.out);
}

void TestPppd::sessionsFromLogExcerpts_data()
{
    const QString kClamped = "more than the session log can hold";
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("modified");
    QTest::addColumn<QString>("timeZone");
    QTest::addColumn<QString>("sessions");
    QTest::addColumn<QString>("warning");

    // clang-format off
    QTest::newRow("closing lines, newer order: terminated, connect time, sent")
        << "closing-new-order.log" << "2024-12-12T08:00:00" << ""
        << "2024-12-11T09:00:05 2024-12-11T10:02:07 123456 7654321" << "";
    QTest::newRow("closing lines, older order: connect time, sent, terminated; a 32-bit count")
        << "closing-old-order.log" << "2025-03-03T08:00:00" << ""
        << "2025-03-02T21:15:03 2025-03-02T23:40:12 2000000000 2147483647" << kClamped;
    QTest::newRow("two pppd processes at once")
        << "interleaved.log" << "2024-06-15T08:00:00" << ""
        << "2024-06-14T18:00:04 2024-06-14T18:20:00 3000 4000\n"
           "2024-06-14T18:10:03 2024-06-14T18:20:00 1000 2000" << "";
    QTest::newRow("across midnight")
        << "midnight.log" << "2024-09-02T08:00:00" << ""
        << "2024-08-31T23:50:14 2024-09-01T00:10:14 500 600" << "";
    QTest::newRow("across the new year, read in January")
        << "new-year.log" << "2025-01-02T08:00:00" << ""
        << "2024-12-31T23:40:02 2025-01-01T00:20:02 7000 8000\n"
           "2025-01-01T09:00:02 2025-01-01T09:05:02 10 20" << "";
    QTest::newRow("pppd restarted inside a connection: down at its last line")
        << "restart.log" << "2024-05-06T08:00:00" << ""
        << "2024-05-05T10:00:03 2024-05-05T10:25:40 0 0\n"
           "2024-05-05T10:31:04 2024-05-05T11:01:04 111 222" << "";
    QTest::newRow("no Sent line: complete at exit, or once time has passed")
        << "missing-sent.log" << "2025-02-21T08:00:00" << ""
        << "2025-02-20T08:00:00 2025-02-20T08:45:00 0 0\n"
           "2025-02-20T09:00:02 2025-02-20T09:10:02 0 0" << "";
    QTest::newRow("5 GB received: the session log's largest count, and a warning")
        << "five-gigabytes.log" << "2024-10-05T08:00:00" << ""
        << "2024-10-03T20:00:02 2024-10-04T02:00:02 51234567 2147483647" << kClamped;
    QTest::newRow("journal lines with offsets, across the change to summer time")
        << "journal-offsets.log" << "2025-03-31T08:00:00" << "CET-1CEST,M3.5.0,M10.5.0/3"
        << "2025-03-30T00:58:12 2025-03-30T03:28:12 4242 8484" << "";
    QTest::newRow("read from inside a connection: rebuilt from its connect time")
        << "started-inside.log" << "2024-07-10T08:00:00" << ""
        << "2024-07-09T14:00:00 2024-07-09T14:12:30 900 1800" << "";
    // clang-format on
}

void TestPppd::sessionsFromLogExcerpts()
{
    QFETCH(QString, fixture);
    QFETCH(QString, modified);
    QFETCH(QString, timeZone);
    QFETCH(QString, sessions);
    QFETCH(QString, warning);

    const QString source = Place(fixture, modified);
    QVERIFY(!source.isEmpty());
    const Run run = Once({source}, {}, timeZone);
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(Sessions(), sessions);
    if (warning.isEmpty())
        QVERIFY2(run.err.isEmpty(), run.err.constData());
    else
        QCOMPARE(run.err.count(warning.toUtf8()), 1);
}

void TestPppd::onceTwiceDeliversNothingTwice()
{
    // A rotated log compressed by logrotate, then the present one, in one run; then both again,
    // the second one grown by a connection.
    const QString rotated = m_dir->filePath("syslog.1.gz");
    QVERIFY(Gzip(Place("new-year.log", "2025-01-02T08:00:00"), rotated));
    QFile(m_dir->filePath("new-year.log")).remove();
    QFile::setPermissions(rotated, QFile::ReadOwner | QFile::WriteOwner);
    QFile file(rotated);
    QVERIFY(file.open(QIODevice::ReadWrite));
    file.setFileTime(QDateTime::fromString("2025-01-02T08:00:00", Qt::ISODate),
                     QFileDevice::FileModificationTime);
    file.close();
    const QString present = Place("missing-sent.log", "2025-02-21T08:00:00");

    Run run = Once({rotated, present});
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QVERIFY(run.out.contains("4 connections delivered, 0 delivered before"));
    const QString first = Sessions();
    QCOMPARE(first.count('\n'), 3);

    run = Once({rotated, present});
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QVERIFY(run.out.contains("0 connections delivered, 4 delivered before"));
    QCOMPARE(Sessions(), first);
}

void TestPppd::windows95Wording()
{
    const Run run = Once({Place("midnight.log", "2024-09-02T08:00:00")}, {"--system", "95"});
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QFile data(m_dir->filePath("windows/Dtally.dat"));
    QVERIFY(data.open(QIODevice::ReadOnly));
    QCOMPARE(data.readAll(),
             QByteArray("\"08-31-2024 23:50:14.00 - IPCP : Layer started.\"\r\n"
                        "\"09-01-2024 00:10:14.00 - Bytes Received 600\"\r\n"
                        "\"09-01-2024 00:10:14.00 - Bytes Transmittted 500\"\r\n"
                        "\"09-01-2024 00:10:14.00 - Remote access driver log closed.\"\r\n"));
    data.close();
    QCOMPARE(Sessions({"--system", "95"}), "2024-08-31T23:50:14 2024-09-01T00:10:14 500 600");
}

void TestPppd::hookWritesTheSessionOnceBesideTheLog()
{
    QProcessEnvironment env = Environment();
    env.insert("CONNECT_TIME", "3600");
    env.insert("BYTES_SENT", "5368709120");
    env.insert("BYTES_RCVD", "4321");
    env.insert("PPPD_PID", "4711");
    env.insert("PPP_IFACE", "ppp0");
    QCOMPARE(RunLogger({"--ppp-hook", "up"}, env).exitCode, 0);
    const QDateTime before = QDateTime::currentDateTimeUtc();
    const Run down = RunLogger({"--ppp-hook", "down"}, env);
    QVERIFY2(down.exitCode == 0, down.err.constData());
    QVERIFY(down.err.contains("2147483647"));

    const QStringList session = Sessions().split(' ');
    QCOMPARE(session.size(), 4);
    const QDateTime up = QDateTime::fromString(session[0], Qt::ISODate);
    const QDateTime downTime = QDateTime::fromString(session[1], Qt::ISODate);
    QCOMPARE(up.secsTo(downTime), 3600);
    // The test's time zone is UTC.
    QVERIFY(qAbs(before.secsTo(QDateTime::fromString(session[1] + 'Z', Qt::ISODate))) <= 5);
    QCOMPARE(session[2], "2147483647");
    QCOMPARE(session[3], "4321");

    // The same connection in pppd's log: its "Connect:" line a few seconds before the link came
    // up, its end a second after the hook ran. A second hook run of it writes nothing either.
    const auto stamp = [](const QDateTime& t) { return t.toString("yyyy-MM-ddThh:mm:ssZ"); };
    QFile log(m_dir->filePath("syslog"));
    QVERIFY(log.open(QIODevice::WriteOnly));
    log.write((stamp(up.addSecs(-4)) + " box pppd[4711]: Connect: ppp0 <--> /dev/ttyUSB0\n" +
               stamp(downTime.addSecs(1)) + " box pppd[4711]: Connection terminated.\n" +
               stamp(downTime.addSecs(1)) +
               " box pppd[4711]: Sent 1073741824 bytes, received 4321 bytes.\n")
                  .toUtf8());
    log.close();
    const Run once = Once({log.fileName()});
    QVERIFY2(once.exitCode == 0, once.err.constData());
    QVERIFY(once.out.contains("0 connections delivered, 1 delivered before"));
    QCOMPARE(Sessions().count('\n'), 0);
}

void TestPppd::onceRefusedWhileALoggerRuns()
{
    // Stamps with their year and zone: the following logger's reference is the clock.
    const QString timeZone = "CET-1CEST,M3.5.0,M10.5.0/3";
    const QString source = Place("journal-offsets.log", "2025-03-31T08:00:00");
    QProcess logger;
    logger.setProcessEnvironment(Environment(timeZone));
    logger.start(QStringLiteral(DIALTALLY_BIN_DIR "/dtallywr"),
                 {"--source-format", "pppd", "--source", source, "--poll-ms", "20"});
    QVERIFY(logger.waitForStarted());
    // The running logger delivers the connection itself.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_dir->filePath("windows/Dtally.ppp")), 10000);
    const Run run = Once({source});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("another logger is already writing"), run.err.constData());
    logger.terminate();
    QVERIFY(logger.waitForFinished(10000));
    QCOMPARE(logger.exitCode(), 0);
    QCOMPARE(Sessions(), "2025-03-30T00:58:12 2025-03-30T03:28:12 4242 8484");
}

void TestPppd::setupFollowsTheLogAndReadsItsHistory()
{
    // The rotated log holds a connection; the present one another, which the logger that setup
    // starts reads.
    QVERIFY(QDir(m_dir->path()).mkpath("log"));
    QVERIFY(QFile::rename(Place("interleaved.log", "2024-06-15T08:00:00"),
                          m_dir->filePath("log/syslog.1")));
    QVERIFY(QFile::rename(Place("journal-offsets.log", "2025-03-31T08:00:00"),
                          m_dir->filePath("log/syslog")));
    QProcessEnvironment env = Environment("CET-1CEST,M3.5.0,M10.5.0/3");
    const CliResult setup =
        RunCli({"setup-pppd", "--source", m_dir->filePath("log/syslog"), "--language", "fi"}, env);
    QVERIFY2(setup.exitCode == 0, setup.err.constData());
    QVERIFY(setup.out.contains("3 connections delivered"));
    QVERIFY(setup.out.indexOf("3 connections delivered") < setup.out.indexOf("Started"));

    QFile settings(m_dir->filePath("windows/Dtallywr.ini"));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QCOMPARE(settings.readAll(), "[Source]\nFile=" + m_dir->filePath("log/syslog").toUtf8() +
                                     "\nFormat=pppd\nLanguage=fi\n");
    QFile entry(m_dir->filePath("config/autostart/dtallywr.desktop"));
    QVERIFY(entry.open(QIODevice::ReadOnly));
    QVERIFY(entry.readAll().contains("--source-format pppd --language fi"));
    // The window's logging indicator reads the adapter's option, which setup switched on.
    const CliResult logging = RunCli({"logging"}, env);
    QCOMPARE(logging.out.trimmed(), QByteArray("on"));

    // The logger registers a moment after it started.
    std::vector<LoggerWindow> loggers;
    QTRY_VERIFY_WITH_TIMEOUT((loggers = FindLoggerWindows(m_dir->filePath("run"))).size() == 1,
                             10000);
    QVERIFY(CloseLoggerWindow(loggers.front()));
    QCOMPARE(Sessions(), "2024-06-14T18:00:04 2024-06-14T18:20:00 3000 4000\n"
                         "2024-06-14T18:10:03 2024-06-14T18:20:00 1000 2000\n"
                         "2025-03-30T00:58:12 2025-03-30T03:28:12 4242 8484");
}

void TestPppd::setupInstallsHooksThatPppdRuns()
{
    const QString pppDir = m_dir->filePath("ppp");
    const CliResult setup =
        RunCli({"setup-pppd", "--install-hooks", "--ppp-dir", pppDir}, Environment());
    QVERIFY2(setup.exitCode == 0, setup.err.constData());
    for (const char* phase : {"up", "down"}) {
        const QString script = QStringLiteral("%1/ip-%2.d/dialtally").arg(pppDir, phase);
        QVERIFY(QFileInfo(script).isExecutable());
        QVERIFY(setup.out.contains(script.toUtf8()));
    }

    // As pppd runs them: its environment, no folders of ours.
    QProcessEnvironment pppd;
    pppd.insert("PATH", "/usr/sbin:/usr/bin:/sbin:/bin");
    pppd.insert("TZ", "UTC0");
    pppd.insert("CONNECT_TIME", "125");
    pppd.insert("BYTES_SENT", "1000");
    pppd.insert("BYTES_RCVD", "20000");
    pppd.insert("PPPD_PID", "321");
    for (const char* phase : {"up", "down"}) {
        QProcess script;
        script.setProcessEnvironment(pppd);
        script.start(QStringLiteral("%1/ip-%2.d/dialtally").arg(pppDir, phase), {});
        QVERIFY(script.waitForFinished(30000));
        QVERIFY2(script.exitCode() == 0, script.readAllStandardError().constData());
    }
    const QStringList session = Sessions().split(' ');
    QCOMPARE(session.size(), 4);
    QCOMPARE(QDateTime::fromString(session[0], Qt::ISODate)
                 .secsTo(QDateTime::fromString(session[1], Qt::ISODate)),
             125);
    QCOMPARE(session.mid(2), (QStringList{"1000", "20000"}));
}

QTEST_GUILESS_MAIN(TestPppd)
#include "test_pppd.moc"
