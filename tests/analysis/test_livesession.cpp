#include "analysis/analysis.h"
#include "analysis/costs.h"
#include "analysis/livesession.h"

#include <QTest>

using namespace dialtally;

namespace {

DateTime At(int year, int month, int day, int hour, int minute, int second = 0)
{
    return *MakeDateTime(year, month, day, hour, minute, second);
}

// 1 January 2024 is a Monday: hours 10, 11 and 13 are delayed-rate hours, 12 default, 14
// additional. The provider charges per session, per started minute and per megabyte.
CostSettings Tariff()
{
    CostSettings costs;
    costs.bCommCosts = true;
    costs.bServCosts = true;
    costs.vCommConnect = 0.50;
    costs.vCommRate = {0.10, 0.05, 0.02};
    costs.vCommRateDelayMinutes = 10;
    const int monday = 2;
    costs.vCommRatesDay(10, monday) = 3;
    costs.vCommRatesDay(11, monday) = 3;
    costs.vCommRatesDay(13, monday) = 3;
    costs.vCommRatesDay(14, monday) = 2;
    costs.vServConnect = 0.20;
    costs.vServMinute = 0.05;
    costs.vServDataMb = 0.10;
    costs.bServRounding = true;
    return costs;
}

// The sessions as a load gives them: built from the events, with durations and costs.
SessionList Loaded(const std::vector<LogEvent>& events, std::int32_t allowance)
{
    SessionList sessions = BuildSessions(events);
    CalculateDurations(sessions, allowance);
    CalculateCosts(sessions, Tariff());
    return sessions;
}

} // namespace

class TestLiveSession : public QObject {
    Q_OBJECT

private slots:
    void runningCostEqualsTableCost_data();
    void runningCostEqualsTableCost();
    void closedOrMissingSessionIsNotOpen();
    void statusText_data();
    void statusText();
};

void TestLiveSession::runningCostEqualsTableCost_data()
{
    QTest::addColumn<DateTime>("up");
    QTest::addColumn<int>("elapsed");
    QTest::addColumn<int>("allowance");

    // clang-format off
    QTest::newRow("inside one default hour")               << At(2024, 1, 1, 12, 10, 5) <<   600 <<  0;
    QTest::newRow("crossing from delayed to additional")   << At(2024, 1, 1, 13, 50, 20) << 1530 <<  0;
    QTest::newRow("delay not yet used up")                 << At(2024, 1, 1, 10,  5)    <<   330 <<  0;
    QTest::newRow("delay used up, seconds at rate 3")      << At(2024, 1, 1, 10,  5)    <<  1250 <<  0;
    QTest::newRow("default hour restarts the delay")       << At(2024, 1, 1, 10, 50)    <<  8730 <<  0;
    QTest::newRow("allowance moves the up time")           << At(2024, 1, 1, 11, 59, 40) <<  900 << 30;
    QTest::newRow("just connected")                        << At(2024, 1, 1, 12,  0)    <<     0 <<  0;
    // clang-format on
}

// The open session priced at "now" costs what the same session costs in the table once it has
// ended at "now": the live line and the table never disagree.
void TestLiveSession::runningCostEqualsTableCost()
{
    QFETCH(DateTime, up);
    QFETCH(int, elapsed);
    QFETCH(int, allowance);
    const DateTime down{up.seconds + elapsed};
    const SessionList closed = Loaded({MakeEvent(up, 269), MakeEvent(down, 258)}, allowance);
    SessionList open = Loaded({MakeEvent(up, 269)}, allowance);

    const auto live = FindOpenSession(open, down, Tariff());
    QVERIFY(live);
    QCOMPARE(live->index, 0);
    QCOMPARE(live->elapsedSeconds, closed[0].lDur);
    QCOMPARE(live->communicationCost, closed[0].vCommCost);
    QCOMPARE(live->serviceCost, closed[0].vServCost);

    // The table's row of the open session shows the same.
    QCOMPARE(ApplyOpenSession(open, down, Tariff()), std::optional<SessionIndex>(0));
    QCOMPARE(open[0].vDurText, closed[0].vDurText);
    QCOMPARE(open[0].vCommCost, closed[0].vCommCost);
    QCOMPARE(open[0].vServCost, closed[0].vServCost);
}

void TestLiveSession::closedOrMissingSessionIsNotOpen()
{
    const DateTime now = At(2024, 1, 1, 12, 0);
    QVERIFY(!FindOpenSession(SessionList(1), now, Tariff()));
    const SessionList closed =
        Loaded({MakeEvent(At(2024, 1, 1, 10, 0), 269), MakeEvent(At(2024, 1, 1, 10, 5), 258)}, 0);
    SessionList copy = closed;
    QVERIFY(!ApplyOpenSession(copy, now, Tariff()));
    QCOMPARE(copy[0].lDur, closed[0].lDur);
    // An older session that never got a down time is overwritten by the next start, so only the
    // last one can be open.
    const SessionList twoStarts =
        Loaded({MakeEvent(At(2024, 1, 1, 9, 0), 13), MakeEvent(At(2024, 1, 1, 9, 30), 2),
                MakeEvent(At(2024, 1, 1, 11, 0), 13)},
               0);
    const auto live = FindOpenSession(twoStarts, now, Tariff());
    QVERIFY(live);
    QCOMPARE(live->index, 1);
    QCOMPARE(live->elapsedSeconds, 3600);
}

void TestLiveSession::statusText_data()
{
    QTest::addColumn<bool>("costsOn");
    QTest::addColumn<QString>("expected");
    QTest::newRow("costs on") << true
                              << QStringLiteral("Online since 09:00:05: 0:12:34, £1.58 so far");
    QTest::newRow("costs off") << false << QStringLiteral("Online since 09:00:05: 0:12:34");
}

void TestLiveSession::statusText()
{
    QFETCH(bool, costsOn);
    QFETCH(QString, expected);
    CostSettings costs;
    costs.bCommCosts = costsOn;
    costs.bServCosts = costsOn;
    costs.vCommRate = {0.10, 0.10, 0.10};
    costs.vServMinute = 0.025; // 13 started minutes
    const SessionList open = Loaded({MakeEvent(At(2024, 1, 1, 9, 0, 5), 269)}, 0);
    const auto live = FindOpenSession(open, At(2024, 1, 1, 9, 12, 39), costs);
    QVERIFY(live);
    // 12 min 34 s at 0.10 a minute is 1.2567; 13 started minutes at 0.025 are 0.325.
    QCOMPARE(OpenSessionText(*live, QLocale(QLocale::English, QLocale::UnitedKingdom)), expected);
}

QTEST_GUILESS_MAIN(TestLiveSession)
#include "test_livesession.moc"
