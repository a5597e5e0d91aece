#include "analysis/comparison.h"
#include "analysis/costs.h"
#include "analysis/tariffs.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace dialtally;

namespace {

// Every value away from its default.
CostSettings Provider()
{
    CostSettings costs;
    costs.bCommCosts = true;
    costs.vCommConnect = 0.06;
    costs.vCommRate = {0.12, 0.061, 0.0301};
    costs.vCommRateDelayMinutes = 10;
    for (int hour = 0; hour < 8; ++hour)
        costs.vCommRatesDay(hour, 3) = 3;
    costs.vCommRatesDay(20, 1) = 2;
    costs.vHolidays = *ReadHolidayList(QStringLiteral("12-25,easter-2,2027-05-14"));
    costs.bServCosts = true;
    costs.vServConnect = 0.1;
    costs.vServMinute = 0.013;
    costs.vServFlatMonth = 4.9;
    costs.bServRounding = false;
    costs.vServDataMb = 0.02;
    return costs;
}

const QByteArray kGoodText = "dialtally-tariff 1\n"
                             "# Example provider, evening rates\n"
                             "commCosts = true\ncommConnect = 0.06\ncommRate1 = 0.12\n"
                             "commRate2 = 0.061\ncommRate3 = 0.0301\ncommRateDelayMinutes = 10\n"
                             "commRatesDay1 = 111111111111111111112111\n"
                             "commRatesDay2 = 111111111111111111111111\n"
                             "commRatesDay3 = 333333331111111111111111\n"
                             "commRatesDay4 = 111111111111111111111111\n"
                             "commRatesDay5 = 111111111111111111111111\n"
                             "commRatesDay6 = 111111111111111111111111\n"
                             "commRatesDay7 = 111111111111111111111111\n"
                             "\n"
                             "holidays = 12-25,easter-2,2027-05-14\n"
                             "servCosts = true\nservConnect = 0.1\nservMinute = 0.013\n"
                             "servFlatMonth = 4.9\nservRounding = false\nservDataMb = 0.02\n";

SessionRecord Session(int year, int month, int day, int hour, int seconds)
{
    SessionRecord session;
    session.vUp = MakeDateTime(year, month, day, hour);
    session.vDown = DateTime{session.vUp->seconds + seconds};
    session.lDur = seconds;
    session.lTx = 1000000;
    return session;
}

} // namespace

class TestTariffs : public QObject {
    Q_OBJECT

private slots:
    void fileRoundTrip();
    void badFileIsRefused_data();
    void badFileIsRefused();
    void savedTariffsInTheStore();
    void comparisonWithItselfIsZero();
    void comparisonFindsTheCheapest();
};

void TestTariffs::fileRoundTrip()
{
    QCOMPARE(ReadTariffText(QString::fromUtf8(kGoodText), nullptr), Provider());
    QTemporaryDir dir;
    const QString path = dir.filePath("provider.tariff");
    QString error;
    QVERIFY(WriteTariffFile(path, Provider(), &error));
    TariffProblem problem;
    QCOMPARE(ReadTariffFile(path, &problem), Provider());
    // Amounts keep every digit, however many.
    CostSettings odd = Provider();
    odd.vCommRate[0] = 0.1 + 0.2;
    odd.vServDataMb = 1e-7;
    QCOMPARE(ReadTariffText(TariffText(odd), nullptr), odd);
}

void TestTariffs::badFileIsRefused_data()
{
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<QString>("message");

    // clang-format off
    QTest::newRow("another format")  << QByteArray("dialtally-tariff 1") << QByteArray("dialtally-tariff 2")        << "line 1: not a tariff file";
    QTest::newRow("no equals sign")  << QByteArray("servCosts = true")   << QByteArray("servCosts true")            << "line 18: expected KEY = VALUE";
    QTest::newRow("unknown key")     << QByteArray("commRate2 =")        << QByteArray("commRate4 =")               << "line 6: commRate4: unknown key";
    QTest::newRow("comma decimal")   << QByteArray("0.061")              << QByteArray("0,061")                     << "line 6: commRate2: not a number";
    QTest::newRow("amount in words") << QByteArray("= 0.06\n")           << QByteArray("= six cents\n")             << "line 4: commConnect: not a number";
    QTest::newRow("negative delay")  << QByteArray("Minutes = 10")       << QByteArray("Minutes = -1")              << "line 8: commRateDelayMinutes: not a whole number";
    QTest::newRow("grid code 4")     << QByteArray("= 3333")             << QByteArray("= 4333")                    << "line 11: commRatesDay3: not 24 rate codes";
    QTest::newRow("bad holiday")     << QByteArray("easter-2")           << QByteArray("easter-x")                  << "line 17: holidays: \"easter-x\" is not a holiday";
    QTest::newRow("flag in capitals")<< QByteArray("servRounding = false") << QByteArray("servRounding = FALSE")    << "line 22: servRounding: not true or false";
    QTest::newRow("key twice")       << QByteArray("servDataMb = 0.02")  << QByteArray("servDataMb = 0.02\nservDataMb = 0.03") << "line 24: servDataMb: given twice";
    QTest::newRow("key missing")     << QByteArray("servConnect = 0.1\n") << QByteArray()                           << "servConnect: missing";
    QTest::newRow("binary bytes")    << QByteArray("# Example")          << QByteArray("# \xff\xfe")                << "not a text file";
    // clang-format on
}

void TestTariffs::badFileIsRefused()
{
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(QString, message);
    QByteArray bytes = kGoodText;
    QVERIFY(bytes.contains(from));
    bytes.replace(bytes.indexOf(from), from.size(), to);
    QTemporaryDir dir;
    QFile file(dir.filePath("bad.tariff"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    TariffProblem problem;
    QVERIFY(!ReadTariffFile(file.fileName(), &problem));
    QVERIFY2(problem.Text().startsWith(message), qPrintable(problem.Text()));
}

void TestTariffs::savedTariffsInTheStore()
{
    QTemporaryDir dir;
    QSettings store(dir.filePath("Dtallyer.ini"), QSettings::IniFormat);
    CostSettings cheap = Provider();
    cheap.vCommRate[0] = 0.01;
    QVERIFY(SaveTariff(store, "Provider", Provider()));
    QVERIFY(SaveTariff(store, "cheap-2", cheap));
    QVERIFY(!IsTariffName("two words") && !IsTariffName("") && !IsTariffName("a/b"));

    QSettings again(store.fileName(), QSettings::IniFormat);
    QCOMPARE(SavedTariffNames(again), QStringList({"Provider", "cheap-2"}));
    QCOMPARE(LoadSavedTariff(again, "cheap-2"), cheap);
    QVERIFY(!LoadSavedTariff(again, "missing"));

    QVERIFY(UseTariff(again, cheap));
    QCOMPARE(LoadSettings(again).costs, cheap);

    QVERIFY(DeleteSavedTariff(again, "Provider"));
    QCOMPARE(SavedTariffNames(again), QStringList({"cheap-2"}));

    // A section spoilt by hand is refused, not read in part.
    again.setValue("Tariff.cheap-2/commRate1", "lots");
    TariffProblem problem;
    QVERIFY(!LoadSavedTariff(again, "cheap-2", &problem));
    QCOMPARE(problem.Text(), QStringLiteral("saved tariff cheap-2: commRate1: not a number"));
}

void TestTariffs::comparisonWithItselfIsZero()
{
    // Good Friday 2027 is 26 March; the log spans a new year and a cycle boundary.
    const SessionList sessions = {Session(2026, 12, 31, 23, 7200), Session(2027, 1, 12, 8, 61),
                                  Session(2027, 3, 26, 9, 600), Session(2027, 3, 27, 9, 600)};
    const std::vector<NamedTariff> tariffs = {{"in force", Provider()}, {"same", Provider()}};
    for (const int startDay : {1, 12}) {
        const TariffComparison c = CompareTariffs(sessions, tariffs, BillingCycle(startDay));
        QCOMPARE(c.Difference(1), 0.0);
        QCOMPARE(c.cheapest, std::size_t(0));
        // The sums are the monthly summary's.
        SessionList priced = sessions;
        CalculateCosts(priced, Provider());
        const MonthlySummary summary =
            CalcMonthlyTotals(priced, Provider().vServFlatMonth, BillingCycle(startDay));
        QCOMPARE(c.months.size(), summary.months.size());
        for (std::size_t m = 0; m < c.months.size(); ++m) {
            QCOMPARE(c.months[m].entry.From(), summary.months[m].From());
            QVERIFY(qFuzzyCompare(c.months[m].sums[0], summary.months[m].SumCost()));
        }
    }
}

void TestTariffs::comparisonFindsTheCheapest()
{
    const SessionList sessions = {Session(2027, 1, 4, 9, 600), Session(2027, 2, 1, 9, 600)};
    CostSettings inForce;
    inForce.bCommCosts = true;
    inForce.vCommRate = {0.10, 0.0, 0.0};
    CostSettings cheaper = inForce;
    cheaper.vCommRate[0] = 0.05;
    CostSettings flat = inForce;
    flat.vCommRate[0] = 0.0;
    flat.vServFlatMonth = 0.75;
    const std::vector<NamedTariff> tariffs = {
        {"in force", inForce}, {"cheaper", cheaper}, {"flat", flat}};
    const TariffComparison c = CompareTariffs(sessions, tariffs, BillingCycle());
    QCOMPARE(c.months.size(), std::size_t(2));
    QCOMPARE(c.months[0].sums, (std::vector<double>{1.0, 0.5, 0.75}));
    QCOMPARE(c.months[0].cheapest, std::size_t(1));
    QCOMPARE(c.cheapest, std::size_t(1));
    QCOMPARE(c.Difference(1), -1.0);
    QCOMPARE(c.Difference(2), -0.5);
    QVERIFY(CompareTariffs({}, tariffs, BillingCycle()).months.empty());
}

QTEST_GUILESS_MAIN(TestTariffs)
#include "test_tariffs.moc"
