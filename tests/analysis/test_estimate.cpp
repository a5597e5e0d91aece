#include "analysis/estimate.h"

#include <QTest>

using namespace dialtally;

namespace {

DateTime At(int year, int month, int day, int hour = 0, int minute = 0)
{
    return *MakeDateTime(year, month, day, hour, minute);
}

// A priced session of one hour that transmitted 1000 and received 2000 bytes.
SessionRecord Hour(DateTime up)
{
    SessionRecord session;
    session.vUp = up;
    session.vDown = DateTime{up.seconds + 3600};
    session.lDur = 3600;
    session.lTx = 1000;
    session.lRx = 2000;
    session.vCommCost = 3.0;
    session.vServCost = 1.0;
    return session;
}

} // namespace

class TestEstimate : public QObject {
    Q_OBJECT

private slots:
    void currentMonth_data();
    void currentMonth();
    void estimate_data();
    void estimate();
    void monthWithoutSessionHasNoEstimate();
};

void TestEstimate::currentMonth_data()
{
    QTest::addColumn<int>("startDay"); // of the billing cycle; 1 is the calendar month
    QTest::addColumn<DateTime>("now");
    QTest::addColumn<DateTime>("start");
    QTest::addColumn<int>("days");
    // clang-format off
    QTest::newRow("first second")      << 1  << At(2024, 1, 1)          << At(2024, 1, 1)   << 31;
    QTest::newRow("leap February")     << 1  << At(2024, 2, 29, 23, 59) << At(2024, 2, 1)   << 29;
    QTest::newRow("February")          << 1  << At(2023, 2, 10)         << At(2023, 2, 1)   << 28;
    QTest::newRow("December")          << 1  << At(2023, 12, 31, 12)    << At(2023, 12, 1)  << 31;
    QTest::newRow("cycle from the 12th") << 12 << At(2027, 1, 20)       << At(2027, 1, 12)  << 31;
    QTest::newRow("its last day")      << 12 << At(2027, 2, 11, 23, 59) << At(2027, 1, 12)  << 31;
    QTest::newRow("its first day")     << 12 << At(2027, 2, 12)         << At(2027, 2, 12)  << 28;
    QTest::newRow("across the year")   << 12 << At(2027, 1, 3)          << At(2026, 12, 12) << 31;
    QTest::newRow("from the 28th")     << 28 << At(2027, 3, 1)          << At(2027, 2, 28)  << 28;
    // clang-format on
}

void TestEstimate::currentMonth()
{
    QFETCH(int, startDay);
    QFETCH(DateTime, now);
    QFETCH(DateTime, start);
    QFETCH(int, days);
    const MonthSpan span = CurrentMonthSpan(now, BillingCycle(startDay));
    QCOMPARE(span.start, start);
    QCOMPARE(span.Seconds(), days * kSecondsPerDay);
    QVERIFY(span.Holds(now));
    QCOMPARE(span.cycleStartDay, startDay);
    if (startDay == 1)
        QCOMPARE(CalendarMonthOf(now).start, start);
}

void TestEstimate::estimate_data()
{
    QTest::addColumn<DateTime>("now");
    QTest::addColumn<double>("factor");

    // One session on the 1st of the month at 10:00; the month is the calendar month of now.
    // clang-format off
    // The elapsed part is at least one day: a day's use times the days of the month.
    QTest::newRow("first day")             << At(2024, 1, 1, 12)  << 31.0;
    QTest::newRow("middle")                << At(2024, 1, 16)     << 31.0 / 15.0;
    QTest::newRow("last day")              << At(2024, 1, 31, 12) << 31.0 / 30.5;
    QTest::newRow("leap February")         << At(2024, 2, 15)     << 29.0 / 14.0;
    QTest::newRow("February")              << At(2023, 2, 15)     << 2.0;
    // clang-format on
}

void TestEstimate::estimate()
{
    QFETCH(DateTime, now);
    QFETCH(double, factor);
    const double flatFee = 10.0;
    const MonthSpan span = CalendarMonthOf(now);
    SessionList sessions;
    // The month before does not count.
    sessions.push_back(Hour(DateTime{span.start.seconds - 2 * 3600}));
    sessions.push_back(Hour(DateTime{span.start.seconds + 10 * 3600}));

    const auto soFar = MonthSoFar(sessions, span, flatFee);
    QVERIFY(soFar);
    QCOMPARE(soFar->seconds, 3600);
    QCOMPARE(soFar->serviceCost, 11.0);

    const auto estimate = EstimateMonth(sessions, span, now, flatFee);
    QVERIFY(estimate);
    QCOMPARE(estimate->month, ToCivil(now).month);
    QCOMPARE(estimate->year, ToCivil(now).year);
    QCOMPARE(estimate->seconds, std::llround(3600 * factor));
    QCOMPARE(estimate->transmitted, std::llround(1000 * factor));
    QCOMPARE(estimate->received, std::llround(2000 * factor));
    QCOMPARE(estimate->communicationCost, 3.0 * factor);
    // The flat fee is counted once, not extrapolated.
    QCOMPARE(estimate->serviceCost, 1.0 * factor + flatFee);
}

void TestEstimate::monthWithoutSessionHasNoEstimate()
{
    const DateTime now = At(2024, 3, 10);
    SessionList sessions{Hour(At(2024, 2, 28))};
    // An open session (no down time) is not part of the month's totals yet.
    SessionRecord open;
    open.vUp = At(2024, 3, 9);
    sessions.push_back(open);
    QVERIFY(!EstimateMonth(sessions, CalendarMonthOf(now), now, 10.0));
    QVERIFY(!EstimateMonth(SessionList(1), CalendarMonthOf(now), now, 10.0));
}

QTEST_GUILESS_MAIN(TestEstimate)
#include "test_estimate.moc"
