#include "log/sessionlog.h"
#include "support/runcli.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace dialtally;

// tariff and compare on a log of two sessions, Friday 26 March 2027 (Good Friday) and Monday
// 5 April 2027, each 10 minutes at 10:00, under a tariff of 0.10 a minute on weekdays and 0.02
// on Sundays.
class TestCliTariff : public QObject {
    Q_OBJECT

private slots:
    void init();
    void keepsNamedTariffs();
    void fileRoundTripAndRefusal();
    void compareMonthByMonth();
    void wrongWords_data();
    void wrongWords();

private:
    CliResult Run(const QStringList& args) { return RunCli(args, TestEnvironment(m_dir->path())); }
    QByteArray StoreBytes() const
    {
        QFile file(m_dir->filePath("config/Dtallyer.ini"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestCliTariff::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    const auto at = [](int month, int day, int hour, int minute) {
        return *MakeDateTime(2027, month, day, hour, minute);
    };
    const EventList events = {MakeEvent(at(3, 26, 10, 0), 269), MakeEvent(at(3, 26, 10, 10), 258),
                              MakeEvent(at(4, 5, 10, 0), 269), MakeEvent(at(4, 5, 10, 10), 258)};
    QVERIFY(WriteSessionLog(m_dir->path(), events));
    QCOMPARE(Run({"settings", "set", "bCommCosts=True", "vCommRate1=0.1", "vCommRate2=0.02",
                  "vCommRatesDay1=222222222222222222222222"})
                 .exitCode,
             0);
}

void TestCliTariff::keepsNamedTariffs()
{
    QCOMPARE(Run({"tariff", "save", "weekday"}).exitCode, 0);
    QCOMPARE(Run({"settings", "set", "holidays=easter-2", "vCommRate1=0.2"}).exitCode, 0);
    QCOMPARE(Run({"tariff", "save", "easter"}).exitCode, 0);
    QVERIFY(StoreBytes().contains("[Tariff.easter]"));
    QCOMPARE(Run({"tariff", "list"}).out, QByteArray("easter\nweekday\n"));
    QVERIFY(Run({"tariff", "show", "easter"}).out.contains("\nholidays = easter-2\n"));

    QCOMPARE(Run({"tariff", "use", "weekday"}).exitCode, 0);
    const QByteArray inForce = Run({"settings"}).out;
    QVERIFY(inForce.contains("vCommRate1=0.1\n"));
    QVERIFY(inForce.contains("holidays=\n"));

    QCOMPARE(Run({"tariff", "delete", "easter"}).exitCode, 0);
    QCOMPARE(Run({"tariff", "list"}).out, QByteArray("weekday\n"));
    const CliResult missing = Run({"tariff", "use", "easter"});
    QCOMPARE(missing.exitCode, 1);
    QVERIFY(missing.err.contains("no saved tariff easter"));
}

void TestCliTariff::fileRoundTripAndRefusal()
{
    const QString file = m_dir->filePath("provider.tariff");
    QCOMPARE(Run({"tariff", "save", "weekday"}).exitCode, 0);
    QCOMPARE(Run({"tariff", "export", "weekday", file}).exitCode, 0);
    QCOMPARE(Run({"tariff", "import", file, "copy"}).exitCode, 0);
    QCOMPARE(Run({"tariff", "show", "copy"}).out, Run({"tariff", "show", "weekday"}).out);

    QFile bad(file);
    QVERIFY(bad.open(QIODevice::ReadWrite));
    QByteArray bytes = bad.readAll().replace("commRate3 = 0", "commRate3 = 0,5");
    QVERIFY(bad.resize(0) && bad.write(bytes) == bytes.size());
    bad.close();
    const QByteArray before = StoreBytes();
    const CliResult refused = Run({"tariff", "import", file, "broken"});
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(refused.err.contains("line 6: commRate3: not a number"), refused.err.constData());
    QCOMPARE(StoreBytes(), before);
}

void TestCliTariff::compareMonthByMonth()
{
    QCOMPARE(Run({"tariff", "save", "same"}).exitCode, 0);
    QCOMPARE(Run({"settings", "set", "holidays=easter-2"}).exitCode, 0);
    QCOMPARE(Run({"tariff", "save", "easter"}).exitCode, 0);
    QCOMPARE(Run({"tariff", "use", "same"}).exitCode, 0);

    const CliResult r = Run({"compare", "same", "easter", "--json"});
    QCOMPARE(r.exitCode, 0);
    const QJsonObject o = QJsonDocument::fromJson(r.out).object();
    QCOMPARE(o["tariffs"], QJsonValue(QJsonArray({"(in force)", "same", "easter"})));
    const QJsonArray months = o["months"].toArray();
    QCOMPARE(months.size(), 2);
    QCOMPARE(months[0]["from"], QJsonValue("2027-03-01"));
    // Good Friday at the Sunday rate: 10 minutes at 0.02 instead of 0.10.
    QCOMPARE(months[0]["sums"], QJsonValue(QJsonArray({1.0, 1.0, 0.2})));
    QCOMPARE(months[0]["cheapest"], QJsonValue("easter"));
    QCOMPARE(months[1]["cheapest"], QJsonValue("(in force)"));
    QCOMPARE(o["differences"], QJsonValue(QJsonArray({0, 0, -0.8})));
    QCOMPARE(o["cheapest"], QJsonValue("easter"));

    // A period of April alone; every saved tariff when none is named.
    const CliResult april = Run({"compare", "--from", "2027-04-01", "--to-end"});
    QCOMPARE(april.exitCode, 0);
    QCOMPARE(april.out, QByteArray("Month       (in force)  easter  same  Cheapest\n"
                                   "April 2027        1.00    1.00  1.00  (in force)\n"
                                   "\n"
                                   "Total             1.00    1.00  1.00  (in force)\n"
                                   "Difference                0.00  0.00\n"));
}

void TestCliTariff::wrongWords_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("message");
    // clang-format off
    QTest::newRow("no action")        << QStringList{"tariff"}                     << 2 << QByteArray("tariff needs an action");
    QTest::newRow("unknown action")   << QStringList{"tariff", "rename", "a"}      << 2 << QByteArray("unknown action rename");
    QTest::newRow("a name too many")  << QStringList{"tariff", "save", "a", "b"}   << 2 << QByteArray("tariff save takes 1 word");
    QTest::newRow("no tariff name")   << QStringList{"tariff", "save", "a b"}      << 2 << QByteArray("a b is no tariff name");
    QTest::newRow("compare unknown")  << QStringList{"compare", "nosuch"}          << 1 << QByteArray("no saved tariff nosuch");
    QTest::newRow("import no file")   << QStringList{"tariff", "import", "/nonexistent/x", "a"} << 1 << QByteArray("/nonexistent/x: ");
    // clang-format on
}

void TestCliTariff::wrongWords()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QByteArray, message);
    const QByteArray before = StoreBytes();
    const CliResult r = Run(args);
    QCOMPARE(r.exitCode, status);
    QVERIFY2(r.err.contains(message), r.err.constData());
    QCOMPARE(StoreBytes(), before);
}

QTEST_GUILESS_MAIN(TestCliTariff)
#include "test_cli_tariff.moc"
