#include "log/sessionlog.h"
#include "support/runcli.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace dialtally;

namespace {

DateTime At(int year, int month, int day, int hour, int minute, int second = 0)
{
    return *MakeDateTime(year, month, day, hour, minute, second);
}

// The keys of the first object in the text, in the order written.
QStringList KeysOfFirstObject(const QByteArray& json)
{
    const qsizetype start = json.indexOf('{', json.startsWith("{\"months\"") ? 1 : 0);
    const QByteArray object = json.mid(start, json.indexOf('}', start) - start);
    static const QRegularExpression key(QStringLiteral("\"(\\w+)\": "));
    QStringList keys;
    for (const auto& match : key.globalMatch(QString::fromUtf8(object)))
        keys << match.captured(1);
    return keys;
}

} // namespace

// The report commands on a hand-made log of two sessions with tariffs in the settings store:
// Monday 1 March 1999 10:00:00-10:10:00 (1.5 MB out, 3 MB in, 2 CRC errors) and Monday 5 April
// 1999 23:50:00-00:20:30, with a connect-time allowance of 30 seconds.
class TestCliReport : public QObject {
    Q_OBJECT
private slots:
    void init();
    void sessionsJson();
    void statsJsonOfAPeriod();
    void monthsJson();
    void estimateOfTheCurrentMonth();
    void emptyLog();
    void textFollowsTheLocale_data();
    void textFollowsTheLocale();
    void badPeriods_data();
    void badPeriods();
    void damagedSettings_data();
    void damagedSettings();

private:
    CliResult Run(QStringList args, const QString& locale = QStringLiteral("C.UTF-8"));

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestCliReport::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    const EventList events = {MakeEvent(At(1999, 3, 1, 10, 0), 269),
                              MakeEvent(At(1999, 3, 1, 10, 10), 258),
                              MakeEvent(At(1999, 3, 1, 10, 10), 358, 1500000),
                              MakeEvent(At(1999, 3, 1, 10, 10), 357, 3000000),
                              MakeEvent(At(1999, 3, 1, 10, 10), 377, 2),
                              MakeEvent(At(1999, 4, 5, 23, 50), 269),
                              MakeEvent(At(1999, 4, 6, 0, 20, 30), 258)};
    QVERIFY(WriteSessionLog(m_dir->path(), events));
    QVERIFY(QDir(m_dir->path()).mkpath("config"));
    QFile store(m_dir->filePath("config/Dtallyer.ini"));
    QVERIFY(store.open(QIODevice::WriteOnly));
    store.write("[Costs]\nsVersion=1.75\nvAditionalConnectSeconds=30\n"
                "bCommCosts=True\nvCommRate1=0.1\n"
                "bServCosts=True\nvServMinute=0.05\nvServDataMb=0.1\nvServFlatMonth=2\n");
}

CliResult TestCliReport::Run(QStringList args, const QString& locale)
{
    QProcessEnvironment env = TestEnvironment(QDir(m_dir->path()));
    env.insert("LC_ALL", locale);
    return RunCli(args, env);
}

void TestCliReport::sessionsJson()
{
    const CliResult r = Run({"sessions", "--json"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(KeysOfFirstObject(r.out),
             QStringList({"index", "up", "down", "durationSeconds", "durationText", "transmitted",
                          "received", "communicationCost", "serviceCost", "crcErrors",
                          "timeoutErrors", "alignmentErrors", "overrunErrors", "framingErrors",
                          "bufferOverrunErrors", "incompletePackets"}));
    const QJsonArray sessions = QJsonDocument::fromJson(r.out).array();
    QCOMPARE(sessions.size(), 2);
    const QJsonObject first = sessions[0].toObject();
    QCOMPARE(first["up"].toString(), QString("1999-03-01T09:59:30"));
    QCOMPARE(first["down"].toString(), QString("1999-03-01T10:10:00"));
    QCOMPARE(first["durationSeconds"].toInt(), 630);
    QCOMPARE(first["durationText"].toString(), QString("0:10:30"));
    QCOMPARE(first["transmitted"].toInt(), 1500000);
    QCOMPARE(first["communicationCost"].toDouble(), 1.05); // 10 min and 30 s at 0.1
    QCOMPARE(first["serviceCost"].toDouble(), 1.0);        // 11 min and 4.5 MB
    QCOMPARE(first["crcErrors"].toInt(), 2);
    const QJsonObject second = sessions[1].toObject();
    QCOMPARE(second["index"].toInt(), 1);
    QCOMPARE(second["durationSeconds"].toInt(), 1860);
    QCOMPARE(second["communicationCost"].toDouble(), 3.1);
}

void TestCliReport::statsJsonOfAPeriod()
{
    const CliResult r = Run({"stats", "--json", "--from", "1999-03-01", "--to", "1999-03-31"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(
        r.out,
        QByteArray(
            "{\"first\": 0, \"last\": 0, \"selection\": true, "
            "\"firstUp\": \"1999-03-01T09:59:30\", \"lastDown\": \"1999-03-01T10:10:00\", "
            "\"longestUp\": \"1999-03-01T09:59:30\", \"longestDown\": \"1999-03-01T10:10:00\", "
            "\"longestMinutes\": 10, "
            "\"shortestUp\": \"1999-03-01T09:59:30\", \"shortestDown\": \"1999-03-01T10:10:00\", "
            "\"shortestMinutes\": 10, \"averageMinutes\": 10, \"sessionCount\": 1, "
            "\"errors\": [2, 0, 0, 0, 0, 0, 0]}\n"));
}

void TestCliReport::monthsJson()
{
    const CliResult r = Run({"months", "--json"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(KeysOfFirstObject(r.out),
             QStringList({"month", "year", "from", "to", "minutes", "communicationCost",
                          "serviceCost", "sumCost", "transmitted", "received"}));
    const QJsonObject root = QJsonDocument::fromJson(r.out).object();
    QCOMPARE(root.keys(), QStringList({"averages", "estimate", "months"}));
    // No session in the current month: nothing to run on.
    QVERIFY(root["estimate"].isNull());
    const QJsonArray months = root["months"].toArray();
    QCOMPARE(months.size(), 2);
    QCOMPARE(months[1]["month"].toInt(), 4);
    QCOMPARE(months[1]["year"].toInt(), 1999);
    QCOMPARE(months[1]["from"].toString(), QString("1999-04-01"));
    QCOMPARE(months[1]["to"].toString(), QString("1999-04-30"));
    QCOMPARE(months[1]["minutes"].toInt(), 31);
    QCOMPARE(months[1]["serviceCost"].toDouble(), 3.55); // 31 min at 0.05 and the flat fee
    QCOMPARE(months[1]["sumCost"].toDouble(), 6.65);
    const QJsonObject averages = root["averages"].toObject();
    QCOMPARE(averages.keys(), QStringList({"communicationCost", "minutes", "received",
                                           "serviceCost", "sumCost", "transmitted"}));
    QCOMPARE(averages["minutes"].toInt(), 20); // 2490 s over two months
    QCOMPARE(averages["communicationCost"].toDouble(), 2.075);
    QCOMPARE(averages["received"].toInt(), 1500000);

    // Billed from the 5th: the April session starts a cycle on its boundary day.
    QCOMPARE(Run({"settings", "set", "billingStartDay=5"}).exitCode, 0);
    const QJsonArray cycles =
        QJsonDocument::fromJson(Run({"months", "--json"}).out).object()["months"].toArray();
    QCOMPARE(cycles.size(), 2);
    QCOMPARE(cycles[0]["from"].toString(), QString("1999-02-05"));
    QCOMPARE(cycles[0]["to"].toString(), QString("1999-03-04"));
    QCOMPARE(cycles[1]["from"].toString(), QString("1999-04-05"));
    QCOMPARE(cycles[1]["to"].toString(), QString("1999-05-04"));
    QVERIFY(Run({"months"}, QStringLiteral("en_US.UTF-8")).out.contains("5 Apr – 4 May 1999"));
}

// A session of ten minutes on the first day of this month: the estimate is of this month, with
// at least those ten minutes and the flat fee once.
void TestCliReport::estimateOfTheCurrentMonth()
{
    const QDate today = QDate::currentDate();
    const DateTime first = At(today.year(), today.month(), 1, 0, 1); // the allowance is 30 s
    const EventList events = {MakeEvent(first, 269), MakeEvent(DateTime{first.seconds + 600}, 258)};
    QVERIFY(AppendSessionLog(m_dir->path(), events));
    CliResult r = Run({"months", "--json"});
    QCOMPARE(r.exitCode, 0);
    const QJsonObject estimate = QJsonDocument::fromJson(r.out).object()["estimate"].toObject();
    QCOMPARE(estimate.keys(),
             QStringList({"communicationCost", "from", "minutes", "month", "received",
                          "serviceCost", "sumCost", "to", "transmitted", "year"}));
    QCOMPARE(estimate["month"].toInt(), today.month());
    QCOMPARE(estimate["year"].toInt(), today.year());
    QVERIFY(estimate["minutes"].toInt() >= 10);
    QVERIFY(estimate["serviceCost"].toDouble() >= 2.5); // 10 min at 0.05, the flat fee of 2
    r = Run({"months"});
    QVERIFY2(r.out.contains("\nAVERAGES:") && r.out.contains("\nESTIMATE "), r.out.constData());
}

void TestCliReport::emptyLog()
{
    QVERIFY(QFile::remove(m_dir->filePath("SesLog.log")));
    CliResult r = Run({"months", "--json"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("{\"months\": [],\n \"averages\": null,\n \"estimate\": null}\n"));
    r = Run({"months"});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.contains("\nAVERAGES:\n"), r.out.constData());
    r = Run({"sessions", "--json"});
    QCOMPARE(r.out,
             QByteArray("[\n{\"index\": 0, \"up\": null, \"down\": null, \"durationSeconds\": 0, "
                        "\"durationText\": null, \"transmitted\": 0, \"received\": 0, "
                        "\"communicationCost\": null, \"serviceCost\": null, \"crcErrors\": 0, "
                        "\"timeoutErrors\": 0, \"alignmentErrors\": 0, \"overrunErrors\": 0, "
                        "\"framingErrors\": 0, \"bufferOverrunErrors\": 0, "
                        "\"incompletePackets\": 0}\n]\n"));
}

void TestCliReport::textFollowsTheLocale_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected");

    // clang-format off
    QTest::newRow("German session row") << "de_DE.UTF-8" << QStringList{"sessions", "--from", "1.3.1999", "--to", "1.3.1999"}
                                        << "01.03.1999 09:59:30         0:10:30              1500000           3000000           1,05\u00a0\u20ac         1,00\u00a0\u20ac\n";
    QTest::newRow("US months")          << "en_US.UTF-8" << QStringList{"months"}
                                        << "April 1999  31 min       $3.10        $3.55  $6.65       0 byte    0 byte\n";
    QTest::newRow("US average")         << "en_US.UTF-8" << QStringList{"stats", "--from", "3/1/1999", "--to-end"}
                                        << "Average Connection Time:  20.5 min\n";
    QTest::newRow("German average")     << "de_DE.UTF-8" << QStringList{"stats"}
                                        << "Average Connection Time:  20,5 min\n";
    // clang-format on
}

void TestCliReport::textFollowsTheLocale()
{
    QFETCH(QString, locale);
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    const CliResult r = Run(args, locale);
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(QString::fromUtf8(r.out).contains(expected), r.out.constData());
}

void TestCliReport::badPeriods_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("message");

    // clang-format off
    QTest::newRow("no first day")     << QStringList{"sessions", "--to", "1999-03-01"}                         << QByteArray("needs its first day");
    QTest::newRow("no last day")      << QStringList{"stats", "--from", "1999-03-01"}                          << QByteArray("needs its last day");
    QTest::newRow("to and to-end")    << QStringList{"stats", "--from", "1999-03-01", "--to", "1999-03-02", "--to-end"} << QByteArray("exclude each other");
    QTest::newRow("not a date")       << QStringList{"sessions", "--from", "yesterday", "--to-end"}            << QByteArray("\"yesterday\" is not a date");
    QTest::newRow("no such day")      << QStringList{"sessions", "--from", "1999-02-30", "--to-end"}           << QByteArray("\"1999-02-30\" is not a date");
    QTest::newRow("ends before")      << QStringList{"stats", "--from", "1999-03-02", "--to", "1999-03-01"}    << QByteArray("ends (1999-03-01) before it begins");
    QTest::newRow("months has none")  << QStringList{"months", "--from", "1999-03-01"}                         << QByteArray("unknown option --from");
    // clang-format on
}

void TestCliReport::badPeriods()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, message);
    const CliResult r = Run(args);
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains(message), r.err.constData());
    QVERIFY(r.out.isEmpty());
}

void TestCliReport::damagedSettings_data()
{
    QTest::addColumn<QStringList>("args"); // "{dir}" stands for the test's folder
    QTest::addColumn<QByteArray>("store"); // "folder": a folder in the place of the file
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message"); // after "dialtally-cli: <file>: "

    // The tariff of init() with an unclosed quote on line 4: the reader would take every later
    // key into that value and the version check would then replace the tariff with the defaults.
    const QByteArray unclosed = "[Costs]\nsVersion=1.75\nvAditionalConnectSeconds=30\n"
                                "bCommCosts=\"True\nvCommRate1=0.1\n";
    // clang-format off
    QTest::newRow("sessions")          << QStringList{"sessions"}                   << unclosed             << 1 << "line 4: unclosed quote";
    QTest::newRow("stats")             << QStringList{"stats", "--json"}            << unclosed             << 1 << "line 4: unclosed quote";
    QTest::newRow("months")            << QStringList{"months", "--no-update"}      << unclosed             << 1 << "line 4: unclosed quote";
    QTest::newRow("graph")             << QStringList{"graph", "{dir}/graph.png"}   << unclosed             << 1 << "line 4: unclosed quote";
    QTest::newRow("folder in place")   << QStringList{"sessions"}                   << QByteArray("folder") << 1 << "cannot be read: Is a directory";
    QTest::newRow("events unaffected") << QStringList{"events"}                     << unclosed             << 0 << QString();
    QTest::newRow("update unaffected") << QStringList{"update"}                     << unclosed             << 0 << QString();
    // clang-format on
}

void TestCliReport::damagedSettings()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, store);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const QString path = m_dir->filePath("config/Dtallyer.ini");
    QVERIFY(QFile::remove(path));
    if (store == "folder") {
        QVERIFY(QDir(m_dir->path()).mkpath("config/Dtallyer.ini"));
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(store);
    }
    args.replaceInStrings("{dir}", m_dir->path());

    const CliResult r = Run(args);
    QCOMPARE(r.exitCode, exitCode);
    if (exitCode == 0) {
        QVERIFY2(r.err.isEmpty(), r.err.constData());
    } else {
        // The last line of stderr: the graphical application may warn about its setting first.
        const QString line = "\ndialtally-cli: " + path + ": " + message + '\n';
        QVERIFY2(('\n' + QString::fromUtf8(r.err)).endsWith(line), r.err.constData());
        QVERIFY(r.out.isEmpty());
        QVERIFY(!QFile::exists(m_dir->filePath("graph.png")));
    }
    // The file is left as it is, for the user to mend.
    if (store == "folder") {
        QVERIFY(QFileInfo(path).isDir());
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), store);
    }
}

QTEST_GUILESS_MAIN(TestCliReport)
#include "test_cli_report.moc"
