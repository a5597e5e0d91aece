#include "analysis/billingcycle.h"
#include "analysis/monthly.h"

#include <QTest>

using namespace dialtally;

namespace {

SessionRecord Session(int year, int month, int day, int hour, int minute, int seconds)
{
    SessionRecord session;
    session.vUp = MakeDateTime(year, month, day, hour, minute);
    session.vDown = DateTime{session.vUp->seconds + seconds};
    session.lDur = seconds;
    return session;
}

} // namespace

class TestBillingCycle : public QObject {
    Q_OBJECT

private slots:
    void cycleOfADay_data();
    void cycleOfADay();
    void labels();
    void monthlyTotalsFollowTheCycle_data();
    void monthlyTotalsFollowTheCycle();
};

void TestBillingCycle::cycleOfADay_data()
{
    QTest::addColumn<int>("startDay");
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QDate>("first");
    QTest::addColumn<QDate>("last");

    // clang-format off
    QTest::newRow("1: the calendar month")       <<  1 << QDate(2027, 1, 12) << QDate(2027, 1,  1) << QDate(2027, 1, 31);
    QTest::newRow("1: February")                 <<  1 << QDate(2027, 2, 10) << QDate(2027, 2,  1) << QDate(2027, 2, 28);
    QTest::newRow("1: leap February")            <<  1 << QDate(2024, 2, 29) << QDate(2024, 2,  1) << QDate(2024, 2, 29);
    QTest::newRow("12: on the boundary day")     << 12 << QDate(2027, 1, 12) << QDate(2027, 1, 12) << QDate(2027, 2, 11);
    QTest::newRow("12: the day before it")       << 12 << QDate(2027, 2, 11) << QDate(2027, 1, 12) << QDate(2027, 2, 11);
    QTest::newRow("12: across the new year")     << 12 << QDate(2027, 1, 11) << QDate(2026, 12, 12) << QDate(2027, 1, 11);
    QTest::newRow("12: through February")        << 12 << QDate(2027, 3,  1) << QDate(2027, 2, 12) << QDate(2027, 3, 11);
    QTest::newRow("28: the last day of February")<< 28 << QDate(2027, 2, 28) << QDate(2027, 2, 28) << QDate(2027, 3, 27);
    QTest::newRow("28: leap day")                << 28 << QDate(2024, 2, 29) << QDate(2024, 2, 28) << QDate(2024, 3, 27);
    QTest::newRow("28: before the start day")    << 28 << QDate(2027, 2, 27) << QDate(2027, 1, 28) << QDate(2027, 2, 27);
    QTest::newRow("28: early January")           << 28 << QDate(2027, 1,  5) << QDate(2026, 12, 28) << QDate(2027, 1, 27);
    QTest::newRow("29 is refused: day 1")        << 29 << QDate(2027, 1, 30) << QDate(2027, 1,  1) << QDate(2027, 1, 31);
    // clang-format on
}

void TestBillingCycle::cycleOfADay()
{
    QFETCH(int, startDay);
    QFETCH(QDate, day);
    QFETCH(QDate, first);
    QFETCH(QDate, last);
    const BillingCycle cycle(startDay);
    const auto billed = cycle.CycleOf(day.year(), day.month(), day.day());
    QCOMPARE(cycle.FirstDay(billed), first);
    QCOMPARE(cycle.LastDay(billed), last);
}

void TestBillingCycle::labels()
{
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const BillingCycle cycle(12);
    QCOMPARE(cycle.Label({2027, 1}, false, us), QString::fromUtf8("12 Jan – 11 Feb"));
    QCOMPARE(cycle.Label({2027, 1}, true, us), QString::fromUtf8("12 Jan – 11 Feb 2027"));
    QCOMPARE(cycle.Label({2026, 12}, true, us), QString::fromUtf8("12 Dec 2026 – 11 Jan 2027"));
    const QLocale german(QLocale::German, QLocale::Germany);
    QCOMPARE(cycle.Label({2027, 2}, false, german),
             QString::fromUtf8("12 ") + german.monthName(2, QLocale::ShortFormat) +
                 QString::fromUtf8(" – 11 ") + german.monthName(3, QLocale::ShortFormat));
}

// Sessions count in the cycle of their up time's day, even when they run on into the next one.
void TestBillingCycle::monthlyTotalsFollowTheCycle_data()
{
    QTest::addColumn<int>("startDay");
    QTest::addColumn<QList<QDate>>("firsts");
    QTest::addColumn<QList<int>>("minutes");

    // clang-format off
    QTest::newRow("calendar months") <<  1 << QList<QDate>{QDate(2027, 1, 1), QDate(2027, 2, 1)}
                                     << QList<int>{70, 65};
    QTest::newRow("from the 12th")   << 12 << QList<QDate>{QDate(2026, 12, 12), QDate(2027, 1, 12), QDate(2027, 2, 12)}
                                     << QList<int>{60, 70, 5};
    // clang-format on
}

void TestBillingCycle::monthlyTotalsFollowTheCycle()
{
    QFETCH(int, startDay);
    QFETCH(QList<QDate>, firsts);
    QFETCH(QList<int>, minutes);
    const SessionList sessions = {
        Session(2027, 1, 11, 23, 30, 3600), Session(2027, 1, 12, 0, 0, 600),
        Session(2027, 2, 11, 10, 0, 3600), Session(2027, 2, 12, 0, 0, 300)};
    const MonthlySummary summary = CalcMonthlyTotals(sessions, 2.0, BillingCycle(startDay));
    QCOMPARE(summary.months.size(), static_cast<std::size_t>(firsts.size()));
    for (qsizetype i = 0; i < firsts.size(); ++i) {
        const MonthTotals& entry = summary.months[static_cast<std::size_t>(i)];
        QCOMPARE(entry.From(), firsts[i]);
        QCOMPARE(entry.To(), firsts[i].addMonths(1).addDays(-1));
        QCOMPARE(entry.Minutes(), minutes[i]);
        QCOMPARE(entry.serviceCost, 2.0); // the flat fee once per cycle
    }
    QCOMPARE(summary.averages->serviceCost, 2.0);
}

QTEST_GUILESS_MAIN(TestBillingCycle)
#include "test_billingcycle.moc"
