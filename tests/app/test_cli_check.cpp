#include "log/sessionlog.h"
#include "support/runcli.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace dialtally;

// `check` on a log with one session on the first day of the current month. The month so far is
// fixed by the log; the estimate grows with the day of the month, so the cases choose limits
// whose outcome does not depend on it.
class TestCliCheck : public QObject {
    Q_OBJECT
private slots:
    void init();
    void exitStatus_data();
    void exitStatus();
    void jsonReport();
    void budgetsAreSetAllOrNothing();

private:
    CliResult Run(const QStringList& args)
    {
        return RunCli(args, TestEnvironment(QDir(m_dir->path())));
    }
    void WriteSession(int minutes);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestCliCheck::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(m_dir->path()).mkpath("config"));
}

void TestCliCheck::WriteSession(int minutes)
{
    const QDate today = QDate::currentDate();
    const DateTime up = *MakeDateTime(today.year(), today.month(), 1, 0, 0, 1);
    const EventList events = {MakeEvent(up, 269),
                              MakeEvent(DateTime{up.seconds + 60 * minutes}, 258)};
    QVERIFY(WriteSessionLog(m_dir->path(), events));
}

void TestCliCheck::exitStatus_data()
{
    QTest::addColumn<int>("minutes");
    QTest::addColumn<QString>("limit");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("state");
    // clang-format off
    QTest::newRow("no budget")                 << 10  << QString()   << 0 << QByteArray("No budget is set.");
    QTest::newRow("far under")                 << 10  << "1000000"   << 0 << QByteArray("under");
    QTest::newRow("85 % so far warns")         << 85  << "100"       << 3 << QByteArray("warning");
    QTest::newRow("101 % so far is over")      << 101 << "100"       << 4 << QByteArray("over");
    // clang-format on
}

void TestCliCheck::exitStatus()
{
    QFETCH(int, minutes);
    QFETCH(QString, limit);
    QFETCH(int, status);
    QFETCH(QByteArray, state);
    WriteSession(minutes);
    if (!limit.isEmpty())
        QCOMPARE(Run({"settings", "set", "vBudgetMinutes=" + limit}).exitCode, 0);
    const CliResult r = Run({"check"});
    QCOMPARE(r.exitCode, status);
    QVERIFY2(r.out.contains(state), r.out.constData());
}

void TestCliCheck::jsonReport()
{
    WriteSession(101);
    QCOMPARE(Run({"settings", "set", "vBudgetMinutes=100", "vBudgetCost=5"}).exitCode, 0);
    const CliResult r = Run({"check", "--json"});
    QCOMPARE(r.exitCode, 4);
    const QJsonObject root = QJsonDocument::fromJson(r.out).object();
    QCOMPARE(root["status"].toInt(), 4);
    const QJsonArray budgets = root["budgets"].toArray();
    // Costs are off: the cost budget is used 0 of 5.
    QCOMPARE(budgets.size(), 2);
    QCOMPARE(budgets[0]["kind"].toString(), QString("cost"));
    QCOMPARE(budgets[0]["state"].toString(), QString("under"));
    const QJsonObject minutes = budgets[1].toObject();
    QCOMPARE(minutes.keys(), QStringList({"estimate", "estimatePercent", "kind", "limit", "state",
                                          "threshold", "used", "usedPercent"}));
    QCOMPARE(minutes["used"].toDouble(), 101.0);
    QCOMPARE(minutes["usedPercent"].toInt(), 101);
    QVERIFY(minutes["estimate"].toDouble() >= 101.0);
    QCOMPARE(minutes["threshold"].toInt(), 100);
    QCOMPARE(minutes["state"].toString(), QString("over"));
}

void TestCliCheck::budgetsAreSetAllOrNothing()
{
    QCOMPARE(Run({"settings", "set", "vBudgetBytes=2000000", "iBudgetWarn1=70"}).exitCode, 0);
    QFile store(m_dir->filePath("config/Dtallyer.ini"));
    QVERIFY(store.open(QIODevice::ReadOnly));
    const QByteArray before = store.readAll();
    // A bad budget spoils the whole set, tariffs included.
    const CliResult bad = Run({"settings", "set", "vCommRate1=0.2", "vBudgetMinutes=-5"});
    QCOMPARE(bad.exitCode, 2);
    QVERIFY2(bad.err.contains("Data Not Valid: vBudgetMinutes=-5"), bad.err.constData());
    store.seek(0);
    QCOMPARE(store.readAll(), before);
    const CliResult shown = Run({"settings"});
    QVERIFY2(shown.out.contains("\nvBudgetBytes=2000000\n") &&
                 shown.out.contains("\niBudgetWarn1=70\n") &&
                 shown.out.contains("\nbFollowLogger=True\n"),
             shown.out.constData());
    const QJsonObject json =
        QJsonDocument::fromJson(Run({"settings", "--json"}).out).object();
    QCOMPARE(json["budgetBytes"], QJsonValue(2000000));
    QCOMPARE(json["budgetMinutes"], QJsonValue(QJsonValue::Null));
    QCOMPARE(json["budgetWarn"], QJsonValue(QJsonArray({70, 100})));
}

QTEST_GUILESS_MAIN(TestCliCheck)
#include "test_cli_check.moc"
