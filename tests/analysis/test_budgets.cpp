#include "analysis/budgets.h"
#include "analysis/liveoptions.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace dialtally;

Q_DECLARE_METATYPE(BudgetKind)

namespace {

// A month whose use of the kind's budget (10.00, 100 minutes or 1,000,000 bytes) is percent %.
MonthTotals MonthAt(BudgetKind kind, int percent)
{
    MonthTotals month;
    switch (kind) {
    case BudgetKind::Cost:
        month.communicationCost = 0.06 * percent;
        month.serviceCost = 0.04 * percent;
        break;
    case BudgetKind::Minutes:
        month.seconds = 60 * percent + 59; // whole minutes count
        break;
    case BudgetKind::Bytes:
        month.transmitted = 4000 * percent;
        month.received = 6000 * percent;
        break;
    }
    return month;
}

Budgets OnlyBudget(BudgetKind kind)
{
    Budgets budgets;
    if (kind == BudgetKind::Cost)
        budgets.vBudgetCost = 10.0;
    else if (kind == BudgetKind::Minutes)
        budgets.vBudgetMinutes = 100;
    else
        budgets.vBudgetBytes = 1000000;
    return budgets;
}

} // namespace

class TestBudgets : public QObject {
    Q_OBJECT

private slots:
    void exitStatus_data();
    void exitStatus();
    void warningText();
    void setOption_data();
    void setOption();
    void optionsSurviveTheStore();
};

void TestBudgets::exitStatus_data()
{
    QTest::addColumn<BudgetKind>("kind");
    QTest::addColumn<bool>("byEstimate");
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("status");

    const struct {
        BudgetKind kind;
        const char* name;
    } kinds[] = {
        {BudgetKind::Cost, "cost"}, {BudgetKind::Minutes, "minutes"}, {BudgetKind::Bytes, "bytes"}};
    // By the month so far, 101 % is over the limit; by the estimate (the month so far at 50 %)
    // it is a warning: the month has not gone over yet.
    const struct {
        int percent, soFarStatus, estimateStatus;
    } levels[] = {{79, 0, 0}, {80, 3, 3}, {100, 3, 3}, {101, 4, 3}};
    for (const auto& kind : kinds)
        for (const auto& level : levels)
            for (const bool byEstimate : {false, true})
                QTest::addRow("%s %d%% by %s", kind.name, level.percent,
                              byEstimate ? "estimate" : "month so far")
                    << kind.kind << byEstimate << level.percent
                    << (byEstimate ? level.estimateStatus : level.soFarStatus);
}

void TestBudgets::exitStatus()
{
    QFETCH(BudgetKind, kind);
    QFETCH(bool, byEstimate);
    QFETCH(int, percent);
    QFETCH(int, status);
    const MonthTotals soFar = MonthAt(kind, byEstimate ? 50 : percent);
    const MonthTotals estimate = MonthAt(kind, byEstimate ? percent : 50);
    const auto uses = CheckBudgets(OnlyBudget(kind), soFar, estimate);
    QCOMPARE(uses.size(), std::size_t(1));
    QCOMPARE(uses[0].kind, kind);
    QCOMPARE(BudgetExitStatus(uses), status);
}

void TestBudgets::warningText()
{
    Budgets budgets;
    budgets.vBudgetCost = 10.0;
    budgets.vBudgetMinutes = 100;
    const auto uses =
        CheckBudgets(budgets, MonthAt(BudgetKind::Cost, 85), MonthAt(BudgetKind::Cost, 120));
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    // The minutes budget is untouched and left out.
    QCOMPARE(BudgetWarningText(uses, us), QStringLiteral("Budget: cost 85 % (est. 120 %)"));
    QCOMPARE(uses[0].threshold, 100);
    QCOMPARE(BudgetWarningText(CheckBudgets(budgets, std::nullopt, std::nullopt), us), QString());
}

void TestBudgets::setOption_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("line"); // as LiveOptionsText shows it afterwards
    // clang-format off
    QTest::newRow("cost limit")          << "vBudgetCost"    << "25.5"  << true  << "vBudgetCost=25.5";
    QTest::newRow("no cost limit")       << "vBudgetCost"    << ""      << true  << "vBudgetCost=";
    QTest::newRow("negative cost")       << "vBudgetCost"    << "-1"    << false << "vBudgetCost=";
    QTest::newRow("minutes")             << "vBudgetMinutes" << "600"   << true  << "vBudgetMinutes=600";
    QTest::newRow("fractional minutes")  << "vBudgetMinutes" << "1.5"   << false << "vBudgetMinutes=";
    QTest::newRow("bytes")               << "vBudgetBytes"   << "5000000000" << true << "vBudgetBytes=5000000000";
    QTest::newRow("threshold")           << "iBudgetWarn1"   << "90"    << true  << "iBudgetWarn1=90";
    QTest::newRow("threshold of 0")      << "iBudgetWarn1"   << "0"     << false << "iBudgetWarn1=80";
    QTest::newRow("follow off")          << "bFollowLogger"  << "false" << true  << "bFollowLogger=False";
    QTest::newRow("follow not a flag")   << "bFollowLogger"  << "yes"   << false << "bFollowLogger=True";
    QTest::newRow("unknown name")        << "vBudgetHours"   << "5"     << false << "bKeepInTray=False";
    // clang-format on
}

void TestBudgets::setOption()
{
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(bool, accepted);
    QFETCH(QString, line);
    LiveOptions options;
    QCOMPARE(SetLiveOption(options, name, value), accepted);
    QVERIFY(LiveOptionsText(options).split(QLatin1Char('\n')).contains(line));
}

void TestBudgets::optionsSurviveTheStore()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Dtallyer.ini"));
    LiveOptions options;
    options.bFollowLogger = false;
    options.bKeepInTray = true;
    options.budgets.vBudgetCost = 12.34;
    options.budgets.vBudgetBytes = 3000000000;
    options.budgets.iBudgetWarn = {50, 90};
    {
        QSettings store(file, QSettings::IniFormat);
        QVERIFY(SaveLiveOptions(store, options));
    }
    QSettings store(file, QSettings::IniFormat);
    QCOMPARE(LoadLiveOptions(store), options);
    // A damaged value keeps its default; thresholds are read in ascending order.
    store.setValue(QStringLiteral("Budgets/vBudgetMinutes"), QStringLiteral("lots"));
    store.setValue(QStringLiteral("Budgets/iBudgetWarn1"), QStringLiteral("95"));
    const LiveOptions read = LoadLiveOptions(store);
    QVERIFY(!read.budgets.vBudgetMinutes);
    QCOMPARE(read.budgets.iBudgetWarn, (std::array<int, 2>{90, 95}));
}

QTEST_GUILESS_MAIN(TestBudgets)
#include "test_budgets.moc"
