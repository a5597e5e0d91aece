#include "log/sessionlog.h"
#include "support/runcli.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace dialtally;

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void init();
    void eventsPrintsHandWrittenRecord();
    void sessionsPrintsOneLinePerSession();
    void folderFromEnvironment();
    void usageErrors_data();
    void usageErrors();
    void helpTexts_data();
    void helpTexts();
    void unreadableLogNamesTheFile();

private:
    CliResult Run(const QStringList& args, const QProcessEnvironment& extra = {});
    void WriteLog(const QByteArray& bytes);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestCli::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

CliResult TestCli::Run(const QStringList& args, const QProcessEnvironment& extra)
{
    // The program folder comes only from what each test gives.
    QProcessEnvironment env = TestEnvironment(QDir(m_dir->path()));
    env.remove("DIALTALLY_PROGRAM_DIR");
    for (const QString& key : extra.keys())
        env.insert(key, extra.value(key));
    return RunCli(args, env);
}

void TestCli::WriteLog(const QByteArray& bytes)
{
    QFile file(m_dir->filePath("SesLog.log"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void TestCli::eventsPrintsHandWrittenRecord()
{
    WriteLog(QByteArray::fromHex("fe36c5a82da6e140"
                                 "6500"
                                 "40e20100"));
    const CliResult r = Run({"--program-dir", m_dir->path(), "events"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("1998-12-16 10:14:40\t101\t123456\n"));
}

void TestCli::sessionsPrintsOneLinePerSession()
{
    const DateTime day = *MakeDateTime(2024, 3, 4);
    auto at = [&](int minutes) { return DateTime{day.seconds + minutes * 60}; };
    const EventList events = {MakeEvent(at(600), 13),        MakeEvent(at(630), 12),
                              MakeEvent(at(631), 101, 5000), MakeEvent(at(631), 102, 700),
                              MakeEvent(at(631), 121, 3),    MakeEvent(at(700), 13)};
    QVERIFY(WriteSessionLog(m_dir->path(), events));
    const CliResult r = Run({"sessions", "--json", "--program-dir=" + m_dir->path()});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(
        r.out,
        QByteArray(
            "[\n"
            "{\"index\": 0, \"up\": \"2024-03-04T10:00:00\", \"down\": \"2024-03-04T10:30:00\", "
            "\"durationSeconds\": 1800, \"durationText\": \"0:30:00\", \"transmitted\": 700, "
            "\"received\": 5000, \"communicationCost\": null, \"serviceCost\": null, "
            "\"crcErrors\": 3, \"timeoutErrors\": 0, \"alignmentErrors\": 0, "
            "\"overrunErrors\": 0, \"framingErrors\": 0, \"bufferOverrunErrors\": 0, "
            "\"incompletePackets\": 0},\n"
            "{\"index\": 1, \"up\": \"2024-03-04T11:40:00\", \"down\": null, "
            "\"durationSeconds\": 0, \"durationText\": null, \"transmitted\": 0, "
            "\"received\": 0, \"communicationCost\": null, \"serviceCost\": null, "
            "\"crcErrors\": 0, \"timeoutErrors\": 0, \"alignmentErrors\": 0, "
            "\"overrunErrors\": 0, \"framingErrors\": 0, \"bufferOverrunErrors\": 0, "
            "\"incompletePackets\": 0}\n"
            "]\n"));
}

void TestCli::folderFromEnvironment()
{
    WriteLog(QByteArray::fromHex("fe36c5a82da6e140"
                                 "6500"
                                 "40e20100"));
    QProcessEnvironment env;
    env.insert("DIALTALLY_PROGRAM_DIR", m_dir->path());
    const CliResult r = Run({"events"}, env);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out.count('\n'), 1);
}

void TestCli::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("message");
    // clang-format off
    QTest::newRow("no command")          << QStringList{}                           << QByteArray("no command");
    QTest::newRow("unknown command")     << QStringList{"frobnicate"}               << QByteArray("unknown command frobnicate");
    QTest::newRow("unknown global")      << QStringList{"--colour", "events"}       << QByteArray("unknown option --colour");
    QTest::newRow("unknown option")      << QStringList{"events", "--colour"}       << QByteArray("unknown option --colour");
    QTest::newRow("folder without value")<< QStringList{"events", "--program-dir"}  << QByteArray("needs a folder");
    QTest::newRow("stray argument")      << QStringList{"sessions", "extra"}        << QByteArray("unexpected argument extra");
    // clang-format on
}

void TestCli::usageErrors()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, message);
    const CliResult r = Run(args);
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains(message), r.err.constData());
    QCOMPARE(r.err.count('\n'), 1);
    QVERIFY(r.out.isEmpty());
}

void TestCli::helpTexts_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("program") << QStringList{"--help"} << QByteArray("Commands:");
    QTest::newRow("events") << QStringList{"events", "--help"}
                            << QByteArray("Usage: dialtally-cli [global options] events");
    QTest::newRow("sessions") << QStringList{"sessions", "--help"}
                              << QByteArray("Usage: dialtally-cli [global options] sessions");
}

void TestCli::helpTexts()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, expected);
    const CliResult r = Run(args);
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.contains(expected), r.out.constData());
}

void TestCli::unreadableLogNamesTheFile()
{
    // A folder in place of the log cannot be read, whoever runs the test (root included).
    QVERIFY(QDir(m_dir->path()).mkdir("SesLog.log"));
    const CliResult r = Run({"--program-dir", m_dir->path(), "events"});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains("SesLog.log"), r.err.constData());
}

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
