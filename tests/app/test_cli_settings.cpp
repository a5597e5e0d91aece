#include "analysis/settings.h"
#include "support/runcli.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace dialtally;

namespace {

// Every value away from its default, Monday cheaper in the evening.
const QByteArray kStore =
    "[Costs]\nsVersion=1.75\nvAditionalConnectSeconds=30\nbCommCosts=True\n"
    "vCommConnect=0.05\nvCommRate1=0.04\nvCommRate2=0.02\nvCommRate3=0.01\n"
    "vCommRateDelayMinutes=10\nvCommRatesDay2=333333331111111111222222\nbServCosts=True\n"
    "vServConnect=0.1\nvServMinute=0.013\nvServFlatMonth=4.9\nbServRounding=False\n"
    "vServDataMb=0.02\n[Holidays]\nvHolidays=\"12-25,easter+1\"\n[BillingCycle]\nvStartDay=12\n";

// A store of an older version: a program start would rewrite it.
const QByteArray kOldStore = "[Costs]\nsVersion=1.5\nvCommRate1=0.04\nvUnknown=1\n";

} // namespace

class TestCliSettings : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void printsWhatTheProgramLoads()
    {
        WriteStore(kStore);
        const CliResult text = Run({"settings"});
        QCOMPARE(text.exitCode, 0);
        QCOMPARE(text.out, QByteArray("bCommCosts=True\n"
                                      "vCommConnect=0.05\n"
                                      "vCommRate1=0.04\n"
                                      "vCommRate2=0.02\n"
                                      "vCommRate3=0.01\n"
                                      "vCommRateDelayMinutes=10\n"
                                      "vCommRatesDay1=111111111111111111111111\n"
                                      "vCommRatesDay2=333333331111111111222222\n"
                                      "vCommRatesDay3=111111111111111111111111\n"
                                      "vCommRatesDay4=111111111111111111111111\n"
                                      "vCommRatesDay5=111111111111111111111111\n"
                                      "vCommRatesDay6=111111111111111111111111\n"
                                      "vCommRatesDay7=111111111111111111111111\n"
                                      "bServCosts=True\n"
                                      "vServConnect=0.1\n"
                                      "vServMinute=0.013\n"
                                      "vServFlatMonth=4.9\n"
                                      "bServRounding=False\n"
                                      "vServDataMb=0.02\n"
                                      "vAditionalConnectSeconds=30\n"
                                      "holidays=12-25,easter+1\n"
                                      "billingStartDay=12\n"
                                      // The live options, at their defaults.
                                      "bFollowLogger=True\n"
                                      "bKeepInTray=False\n"
                                      "vBudgetCost=\n"
                                      "vBudgetMinutes=\n"
                                      "vBudgetBytes=\n"
                                      "iBudgetWarn1=80\n"
                                      "iBudgetWarn2=100\n"));

        const CliResult json = Run({"settings", "--json"});
        QCOMPARE(json.exitCode, 0);
        const QJsonObject o = QJsonDocument::fromJson(json.out).object();
        QCOMPARE(o.keys(),
                 QStringList({"allowanceSeconds", "billingStartDay", "budgetBytes",
                              "budgetCost",       "budgetMinutes",   "budgetWarn",
                              "commConnect",      "commCosts",       "commRateDelayMinutes",
                              "commRates",        "commRatesDays",   "followLogger",
                              "holidays",         "keepInTray",      "servConnect",
                              "servCosts",        "servDataMb",      "servFlatMonth",
                              "servMinute",       "servRounding"}));
        QCOMPARE(o["commCosts"], QJsonValue(true));
        QCOMPARE(o["commConnect"], QJsonValue(0.05));
        QCOMPARE(o["commRates"], QJsonValue(QJsonArray({0.04, 0.02, 0.01})));
        QCOMPARE(o["commRateDelayMinutes"], QJsonValue(10));
        QCOMPARE(o["commRatesDays"].toArray().size(), 7);
        QCOMPARE(o["commRatesDays"][1], QJsonValue("333333331111111111222222"));
        QCOMPARE(o["servMinute"], QJsonValue(0.013));
        QCOMPARE(o["servFlatMonth"], QJsonValue(4.9));
        QCOMPARE(o["servRounding"], QJsonValue(false));
        QCOMPARE(o["allowanceSeconds"], QJsonValue(30));
        QCOMPARE(o["holidays"], QJsonValue(QJsonArray({"12-25", "easter+1"})));
        QCOMPARE(o["billingStartDay"], QJsonValue(12));
        QCOMPARE(o["followLogger"], QJsonValue(true));
        QCOMPARE(o["budgetCost"], QJsonValue(QJsonValue::Null));
        QCOMPARE(o["budgetWarn"], QJsonValue(QJsonArray({80, 100})));
    }

    void setChangesWhatTheDialogsChange()
    {
        WriteStore(kOldStore);
        const CliResult r = Run(
            {"settings", "set", "vCommRate2=0.123456", "vCommRatesDay1=333333332222222222222222",
             "bCommCosts=true", "vCommRateDelayMinutes=12.5", "vServMinute=0.0125",
             "vServFlatMonth=4.9", "bServRounding=False", "vAditionalConnectSeconds=-15",
             "holidays=12-25,easter-2,2027-05-14", "billingStartDay=28"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QByteArray());
        const LoadedSettings loaded = LoadUserSettings(StorePath());
        CostSettings expected;
        expected.bCommCosts = true;
        expected.vCommRate = {0.04, 0.1235, 0.0};
        expected.vCommRateDelayMinutes = 12;
        for (int h = 0; h < 24; ++h)
            expected.vCommRatesDay(h, 1) = h < 8 ? 3 : 2;
        expected.vServMinute = 0.013;
        expected.vServFlatMonth = 4.9;
        expected.bServRounding = false;
        expected.vHolidays = *ReadHolidayList(QStringLiteral("12-25 easter-2 2027-05-14"));
        QCOMPARE(loaded.costs, expected);
        QCOMPARE(loaded.cycle.StartDay(), 28);
        QCOMPARE(loaded.vAditionalConnectSeconds, -15);
        // The older store was brought to this version on the way; its unknown key is gone.
        QVERIFY(!StoreBytes().contains("vUnknown"));
    }

    void refusedValueWritesNothing_data()
    {
        QTest::addColumn<QStringList>("pairs");
        QTest::addColumn<QString>("refused");
        // clang-format off
        QTest::newRow("letters for money")      << QStringList{"vCommConnect=abc"}                   << "vCommConnect";
        QTest::newRow("a grid day of 23 hours") << QStringList{"vCommRatesDay3=11111111111111111111111"} << "vCommRatesDay3";
        QTest::newRow("a grid code 4")          << QStringList{"vCommRatesDay3=411111111111111111111111"} << "vCommRatesDay3";
        QTest::newRow("a delay beyond 16 bits") << QStringList{"vCommRateDelayMinutes=40000"}        << "vCommRateDelayMinutes";
        QTest::newRow("a negative delay")       << QStringList{"vCommRateDelayMinutes=-1"}           << "vCommRateDelayMinutes";
        QTest::newRow("an allowance too large") << QStringList{"vAditionalConnectSeconds=40000"}     << "vAditionalConnectSeconds";
        QTest::newRow("a flag that is no flag") << QStringList{"bServCosts=yes"}                     << "bServCosts";
        QTest::newRow("a holiday that is none") << QStringList{"holidays=12-25,02-30"}               << "holidays";
        QTest::newRow("a start day of 29")      << QStringList{"billingStartDay=29"}                 << "billingStartDay";
        QTest::newRow("a start day of 0")       << QStringList{"billingStartDay=0"}                  << "billingStartDay";
        QTest::newRow("a good value before a bad one")
            << QStringList{"vCommRate1=0.5", "bServRounding=True", "vServDataMb=x"} << "vServDataMb";
        // clang-format on
    }
    void refusedValueWritesNothing()
    {
        QFETCH(QStringList, pairs);
        QFETCH(QString, refused);
        WriteStore(kOldStore);
        const CliResult r = Run(QStringList{"settings", "set"} + pairs);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains("Data Not Valid: " + refused.toUtf8()), r.err.constData());
        QCOMPARE(StoreBytes(), kOldStore);
        QCOMPARE(QDir(m_dir->filePath("config")).entryList(QDir::Files),
                 QStringList{"Dtallyer.ini"});
    }

    void wrongWordsAreUsageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("message");
        // clang-format off
        QTest::newRow("nothing to set")   << QStringList{"settings", "set"}             << QByteArray("needs NAME=VALUE");
        QTest::newRow("no value")         << QStringList{"settings", "set", "vCommRate1"} << QByteArray("expected NAME=VALUE");
        QTest::newRow("unknown name")     << QStringList{"settings", "set", "sVersion=2"} << QByteArray("unknown setting sVersion");
        QTest::newRow("a word to print")  << QStringList{"settings", "all"}             << QByteArray("unexpected argument all");
        // clang-format on
    }
    void wrongWordsAreUsageErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, message);
        WriteStore(kOldStore);
        const CliResult r = Run(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(message), r.err.constData());
        QCOMPARE(StoreBytes(), kOldStore);
    }

    void damagedStoreIsNeitherShownNorWritten()
    {
        const QByteArray damaged = "[Costs]\nbCommCosts=\"True\nvCommRate1=0.1\n";
        WriteStore(damaged);
        for (const QStringList& args :
             {QStringList{"settings"}, QStringList{"settings", "set", "vCommRate1=1"}}) {
            const CliResult r = Run(args);
            QCOMPARE(r.exitCode, 1);
            QVERIFY2(r.err.contains("line 2: unclosed quote"), r.err.constData());
            QCOMPARE(r.out, QByteArray());
        }
        QCOMPARE(StoreBytes(), damaged);
    }

    // A first set on a machine without any settings makes the folder and the file.
    void firstSetMakesTheStore()
    {
        const CliResult r = Run({"settings", "set", "vServDataMb=0.02"});
        QCOMPARE(r.exitCode, 0);
        const LoadedSettings loaded = LoadUserSettings(StorePath());
        QCOMPARE(loaded.costs.vServDataMb, 0.02);
        QVERIFY(StoreBytes().contains("sVersion=1.75"));
    }

private:
    QString StorePath() const { return m_dir->filePath("config/Dtallyer.ini"); }
    void WriteStore(const QByteArray& bytes)
    {
        QDir(m_dir->path()).mkpath("config");
        QFile file(StorePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray StoreBytes() const
    {
        QFile file(StorePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    CliResult Run(const QStringList& args)
    {
        return RunCli(args, TestEnvironment(QDir(m_dir->path())));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_APPLESS_MAIN(TestCliSettings)
#include "test_cli_settings.moc"
