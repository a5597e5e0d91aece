#include "analysis/monthlycache.h"

#include <QTest>

using namespace dialtally;

namespace {

// A priced session of minutes minutes on the 10th of month (of 2024; 13 is January 2025); an
// open one without a down time when minutes is 0.
SessionRecord Session(int month, int minutes)
{
    SessionRecord session;
    session.vUp = *MakeDateTime(2024, month, 10, 10);
    if (minutes > 0)
        session.vDown = DateTime{session.vUp->seconds + 60 * minutes};
    session.lDur = 60 * minutes;
    session.lTx = 100 * minutes;
    session.lRx = 1000 * minutes;
    session.vCommCost = 0.1 * minutes;
    session.vServCost = 0.01 * minutes;
    return session;
}

SessionList Sessions(const QList<QPair<int, int>>& monthsAndMinutes)
{
    SessionList sessions;
    for (const auto& [month, minutes] : monthsAndMinutes)
        sessions.push_back(Session(month, minutes));
    return sessions;
}

void CompareSummaries(const MonthlySummary& actual, const MonthlySummary& expected)
{
    QCOMPARE(actual.months.size(), expected.months.size());
    for (std::size_t i = 0; i < actual.months.size(); ++i) {
        QCOMPARE(actual.months[i].month, expected.months[i].month);
        QCOMPARE(actual.months[i].year, expected.months[i].year);
        QCOMPARE(actual.months[i].seconds, expected.months[i].seconds);
        QCOMPARE(actual.months[i].transmitted, expected.months[i].transmitted);
        QCOMPARE(actual.months[i].received, expected.months[i].received);
        QCOMPARE(actual.months[i].communicationCost, expected.months[i].communicationCost);
        QCOMPARE(actual.months[i].serviceCost, expected.months[i].serviceCost);
    }
    QCOMPARE(actual.averages.has_value(), expected.averages.has_value());
    if (actual.averages) {
        QCOMPARE(actual.averages->minutes, expected.averages->minutes);
        QCOMPARE(actual.averages->sumCost, expected.averages->sumCost);
        QCOMPARE(actual.averages->received, expected.averages->received);
    }
}

} // namespace

using Pairs = QList<QPair<int, int>>;
Q_DECLARE_METATYPE(Pairs)

class TestMonthlyCache : public QObject {
    Q_OBJECT

private slots:
    void extendingEqualsSummingAnew_data();
    void extendingEqualsSummingAnew();
};

void TestMonthlyCache::extendingEqualsSummingAnew_data()
{
    QTest::addColumn<Pairs>("before");
    QTest::addColumn<Pairs>("added");
    QTest::addColumn<bool>("lastChanged"); // the last session of before changed as well
    QTest::addColumn<int>("startDay");     // of the billing cycle; sessions are on the 10th
    const Pairs base = {{1, 10}, {1, 20}, {2, 30}, {3, 5}, {3, 0}};
    // clang-format off
    QTest::newRow("open session ends")          << base << Pairs{}                 << true  << 1;
    QTest::newRow("same month goes on")         << base << Pairs{{3, 7}}           << true  << 1;
    QTest::newRow("next months begin")          << base << Pairs{{4, 1}, {5, 2}}   << false << 1;
    QTest::newRow("same month number, next year") << base << Pairs{{13, 3}}        << false << 1;
    QTest::newRow("empty list before")          << Pairs{{1, 0}} << Pairs{{1, 4}}  << true  << 1;
    QTest::newRow("same cycle goes on")         << base << Pairs{{3, 7}}           << true  << 12;
    QTest::newRow("next cycles begin")          << base << Pairs{{4, 1}, {5, 2}}   << false << 12;
    QTest::newRow("cycles from the 10th")       << base << Pairs{{4, 1}}           << false << 10;
    // clang-format on
}

// A cache built on the list before and extended by the sessions added (and the open session
// closed) gives the totals of summing the whole list anew.
void TestMonthlyCache::extendingEqualsSummingAnew()
{
    QFETCH(Pairs, before);
    QFETCH(Pairs, added);
    QFETCH(bool, lastChanged);
    QFETCH(int, startDay);
    const BillingCycle cycle(startDay);
    const double flatFee = 2.5;
    SessionList sessions = Sessions(before);
    MonthlyTotalsCache cache;
    cache.Rebuild(sessions, flatFee, cycle);
    const auto firstTouched = static_cast<SessionIndex>(sessions.size()) - (lastChanged ? 1 : 0);
    if (lastChanged)
        sessions.back() = Session(before.back().first, 9);
    const SessionList more = Sessions(added);
    sessions.insert(sessions.end(), more.begin(), more.end());
    CompareSummaries(cache.Extend(sessions, firstTouched, flatFee, cycle),
                     CalcMonthlyTotals(sessions, flatFee, cycle));
}

QTEST_GUILESS_MAIN(TestMonthlyCache)
#include "test_monthlycache.moc"
