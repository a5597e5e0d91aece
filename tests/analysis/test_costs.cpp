#include "analysis/costs.h"

#include <QTest>

using namespace dialtally;

namespace {

DateTime At(int year, int month, int day, int hour, int minute, int second = 0)
{
    return *MakeDateTime(year, month, day, hour, minute, second);
}

// 1 January 2024 is a Monday. Monday 10 and 11 are delayed-rate hours, 12 default, 13 delayed,
// 14 additional; 20 and 21 hold codes that only a damaged store has. Saturday 23 is additional,
// Sunday 0 delayed.
CostSettings Tariff(int delayMinutes)
{
    CostSettings costs;
    costs.bCommCosts = true;
    costs.vCommConnect = 0.50;
    costs.vCommRate = {0.10, 0.05, 0.02};
    costs.vCommRateDelayMinutes = static_cast<std::int16_t>(delayMinutes);
    const int monday = 2, saturday = 7, sunday = 1;
    costs.vCommRatesDay(10, monday) = 3;
    costs.vCommRatesDay(11, monday) = 3;
    costs.vCommRatesDay(13, monday) = 3;
    costs.vCommRatesDay(14, monday) = 2;
    costs.vCommRatesDay(20, monday) = 0;
    costs.vCommRatesDay(21, monday) = 7;
    costs.vCommRatesDay(23, saturday) = 2;
    costs.vCommRatesDay(0, sunday) = 3;
    return costs;
}

} // namespace

class TestCosts : public QObject {
    Q_OBJECT

private slots:
    void communicationCost_data();
    void communicationCost();
    void serviceCost_data();
    void serviceCost();
    void calculateCostsLeavesSwitchedOffCostsEmpty();
    void holidays_data();
    void holidays();
};

void TestCosts::communicationCost_data()
{
    QTest::addColumn<DateTime>("up");
    QTest::addColumn<int>("duration");
    QTest::addColumn<int>("delay");
    QTest::addColumn<double>("expected");

    // clang-format off
    // 10 min at r1, 60 min at r3, 5 min and 30 s at r1 in hour 12, plus the connection charge.
    QTest::newRow("worked example")                    << At(2024, 1, 1, 10, 50, 20) << 4530 << 10 << 3.25;
    QTest::newRow("under a minute in a delayed hour")  << At(2024, 1, 1, 10,  5)     <<   45 << 10 << 0.575;
    QTest::newRow("no delay: seconds at r3 once used") << At(2024, 1, 1, 10,  5)     <<  330 <<  0 << 0.61;
    // Seconds stay in hour 13 (delayed, delay unused: r1), not in hour 14 (r2).
    QTest::newRow("minutes end with the first hour")   << At(2024, 1, 1, 13, 50)     <<  630 << 10 << 1.55;
    // 20 min at Saturday 23 (r2), 10 min at Sunday 0 (delayed, no delay: r3).
    QTest::newRow("Saturday 23:40 runs into Sunday")   << At(2024, 1, 6, 23, 40)     << 1800 <<  0 << 1.70;
    QTest::newRow("delay longer than delayed hours")   << At(2024, 1, 1, 10, 30)     << 2730 << 60 << 5.05;
    // 10 r1 + 60 r3 (delay used up), hour 12 at r1, then hour 13 again 10 r1 + 5 r3.
    QTest::newRow("default hour restarts the delay")   << At(2024, 1, 1, 10, 50)     << 8700 << 10 << 9.80;
    QTest::newRow("damaged codes charge rate 1")       << At(2024, 1, 1, 20,  0)     << 5400 << 10 << 9.50;
    QTest::newRow("zero length")                       << At(2024, 1, 1, 10,  0)     <<    0 << 10 << 0.50;
    // clang-format on
}

void TestCosts::communicationCost()
{
    QFETCH(DateTime, up);
    QFETCH(int, duration);
    QFETCH(int, delay);
    QFETCH(double, expected);
    QCOMPARE(CommunicationCost(duration, up, Tariff(delay)), expected);
}

void TestCosts::serviceCost_data()
{
    QTest::addColumn<int>("duration");
    QTest::addColumn<int>("transmitted");
    QTest::addColumn<int>("received");
    QTest::addColumn<bool>("rounding");
    QTest::addColumn<double>("connect");
    QTest::addColumn<double>("expected");

    // clang-format off
    // 76 minutes (3.80) and 4.5 megabytes (0.45).
    QTest::newRow("worked example")        << 4530 << 1500000 << 3000000 << true  << 0.0 << 4.25;
    QTest::newRow("one whole minute")      <<   60 <<       0 <<       0 << true  << 0.0 << 0.05;
    QTest::newRow("one second more")       <<   61 <<       0 <<       0 << true  << 0.0 << 0.10;
    QTest::newRow("fractional minutes")    <<   90 <<       0 <<       0 << false << 0.0 << 0.075;
    QTest::newRow("connection charge only")<<    0 <<       0 <<       0 << true  << 0.2 << 0.2;
    // clang-format on
}

void TestCosts::serviceCost()
{
    QFETCH(int, duration);
    QFETCH(int, transmitted);
    QFETCH(int, received);
    QFETCH(bool, rounding);
    QFETCH(double, connect);
    QFETCH(double, expected);
    CostSettings costs;
    costs.vServMinute = 0.05;
    costs.vServDataMb = 0.10;
    costs.vServConnect = connect;
    costs.bServRounding = rounding;
    QCOMPARE(ServiceCost(duration, transmitted, received, costs), expected);
}

void TestCosts::calculateCostsLeavesSwitchedOffCostsEmpty()
{
    SessionList sessions(2);
    sessions[0].vUp = At(2024, 1, 1, 12, 0);
    sessions[0].lDur = 120;
    sessions[0].vCommCost = 99.0; // from an earlier run with other settings
    sessions[1].lDur = 60;        // no up time: no clock hours to price

    CostSettings costs = Tariff(0);
    costs.bCommCosts = false;
    costs.bServCosts = true;
    costs.vServMinute = 0.05;
    CalculateCosts(sessions, costs);
    QVERIFY(!sessions[0].vCommCost);
    QVERIFY(sessions[0].vServCost);
    QCOMPARE(*sessions[0].vServCost, 0.10);

    costs.bCommCosts = true;
    costs.bServCosts = false;
    CalculateCosts(sessions, costs);
    QVERIFY(sessions[0].vCommCost);
    QCOMPARE(*sessions[0].vCommCost, 0.70);
    QVERIFY(!sessions[0].vServCost);
    QVERIFY(!sessions[1].vCommCost);
}

// Weekdays at rate 1, Monday 23 delayed; the Sunday row additional, its hour 0 delayed.
// 1 January 2024 is a Monday; Easter Sunday 2024 is 31 March.
void TestCosts::holidays_data()
{
    QTest::addColumn<DateTime>("up");
    QTest::addColumn<int>("duration");
    QTest::addColumn<int>("delay");
    QTest::addColumn<QString>("holidays");
    QTest::addColumn<double>("expected");

    // clang-format off
    QTest::newRow("no holidays: a Monday as ever")      << At(2024, 1, 1, 10, 0)  <<  600 <<  0 << ""           << 1.50;
    QTest::newRow("fixed holiday takes the Sunday row") << At(2024, 1, 1, 10, 0)  <<  600 <<  0 << "01-01"      << 1.00;
    QTest::newRow("other year's one-off: no holiday")   << At(2024, 1, 1, 10, 0)  <<  600 <<  0 << "2025-01-01" << 1.50;
    // 10 min Monday 23 (delayed, no delay: r3), 10 min holiday hour 0 (delayed: r3).
    QTest::newRow("crossing midnight into a holiday")   << At(2024, 1, 1, 23, 50) << 1200 <<  0 << "2024-01-02" << 0.90;
    QTest::newRow("crossing midnight, no holiday")      << At(2024, 1, 1, 23, 50) << 1200 <<  0 << ""           << 1.70;
    // One stretch of delayed hours across midnight: 15 min at r1, then 5 min at r3.
    QTest::newRow("delay runs on into the holiday")     << At(2024, 1, 1, 23, 50) << 1200 << 15 << "2024-01-02" << 2.10;
    // Hour 0 of an ordinary Tuesday is a default hour: the delay starts afresh after it.
    QTest::newRow("delay ends at an ordinary midnight") << At(2024, 1, 1, 23, 50) << 1200 << 15 << ""           << 2.50;
    // 10 min of holiday hour 23 (r2), then 10 min of an ordinary Wednesday (r1).
    QTest::newRow("holiday ends at midnight")           << At(2024, 1, 2, 23, 50) << 1200 <<  0 << "2024-01-02" << 2.00;
    QTest::newRow("Good Friday")                        << At(2024, 3, 29, 9, 0)  <<  600 <<  0 << "easter-2"   << 1.00;
    QTest::newRow("Easter Monday")                      << At(2024, 4, 1, 9, 0)   <<  600 <<  0 << "easter+1"   << 1.00;
    QTest::newRow("the Tuesday after is not")           << At(2024, 4, 2, 9, 0)   <<  600 <<  0 << "easter+1"   << 1.50;
    // clang-format on
}

void TestCosts::holidays()
{
    QFETCH(DateTime, up);
    QFETCH(int, duration);
    QFETCH(int, delay);
    QFETCH(QString, holidays);
    QFETCH(double, expected);
    CostSettings costs;
    costs.bCommCosts = true;
    costs.vCommConnect = 0.50;
    costs.vCommRate = {0.10, 0.05, 0.02};
    costs.vCommRateDelayMinutes = static_cast<std::int16_t>(delay);
    const int monday = 2, sunday = 1;
    costs.vCommRatesDay(23, monday) = 3;
    for (int hour = 0; hour < kHoursPerDay; ++hour)
        costs.vCommRatesDay(hour, sunday) = hour == 0 ? 3 : 2;
    costs.vHolidays = *ReadHolidayList(holidays);

    SessionList sessions(1);
    sessions[0].vUp = up;
    sessions[0].lDur = duration;
    CalculateCosts(sessions, costs);
    QCOMPARE(*sessions[0].vCommCost, expected);
}

QTEST_GUILESS_MAIN(TestCosts)
#include "test_costs.moc"
