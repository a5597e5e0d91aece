#include "analysis/logtail.h"
#include "analysis/pricedlog.h"

#include <QTemporaryDir>
#include <QTest>

using namespace dialtally;

namespace {

DateTime At(int hour, int minute, int second = 0)
{
    return *MakeDateTime(2024, 5, 20, hour, minute, second);
}

// Two Windows 98 sessions, the second with a restart inside it, and a third left open.
const EventList kEvents = {
    MakeEvent(At(9, 0), 257),        MakeEvent(At(9, 0, 5), 269),    MakeEvent(At(9, 30), 258),
    MakeEvent(At(9, 30), 357, 5000), MakeEvent(At(9, 30), 358, 700), MakeEvent(At(10, 0), 257),
    MakeEvent(At(10, 1), 269),       MakeEvent(At(10, 5), 257),      MakeEvent(At(10, 20), 358, 90),
    MakeEvent(At(10, 21), 269),      MakeEvent(At(10, 40), 258),     MakeEvent(At(11, 0), 257),
};

LoadedSettings Priced(std::int32_t allowance)
{
    LoadedSettings settings;
    settings.vAditionalConnectSeconds = allowance;
    settings.costs.bCommCosts = true;
    settings.costs.vCommRate = {0.10, 0.05, 0.02};
    settings.costs.bServCosts = true;
    settings.costs.vServMinute = 0.01;
    settings.costs.vServDataMb = 1.0;
    return settings;
}

SessionList FullLoad(const QString& dir, const LoadedSettings& settings)
{
    Places places;
    places.programDir = dir;
    return LoadPricedLog(places, settings, nullptr, LogUpdate::Skip).sessions;
}

void CompareSessions(const SessionList& actual, const SessionList& expected)
{
    QCOMPARE(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        QCOMPARE(actual[i].vUp, expected[i].vUp);
        QCOMPARE(actual[i].vDown, expected[i].vDown);
        QCOMPARE(actual[i].lDur, expected[i].lDur);
        QCOMPARE(actual[i].lTx, expected[i].lTx);
        QCOMPARE(actual[i].lRx, expected[i].lRx);
        QCOMPARE(actual[i].vCommCost, expected[i].vCommCost);
        QCOMPARE(actual[i].vServCost, expected[i].vServCost);
    }
}

} // namespace

class TestLogTail : public QObject {
    Q_OBJECT

private slots:
    void extendingEqualsLoadingAnew_data();
    void extendingEqualsLoadingAnew();
    void rewrittenLogNeedsAFullLoad_data();
    void rewrittenLogNeedsAFullLoad();
};

void TestLogTail::extendingEqualsLoadingAnew_data()
{
    QTest::addColumn<int>("split");
    QTest::addColumn<int>("allowance");
    // clang-format off
    QTest::newRow("empty log before")              <<  0 <<  0;
    QTest::newRow("inside the first start")        <<  1 <<  0;
    QTest::newRow("after the end, before counters")<<  3 << 30;
    QTest::newRow("between two sessions")          <<  5 << 30;
    QTest::newRow("before a restart")              <<  7 << 30;
    QTest::newRow("after a counter in a session")  <<  9 << 30;
    QTest::newRow("nothing new")                   << 12 << 30;
    // clang-format on
}

// The list loaded from the first records and extended by the rest is the list loaded from all
// of them: same sessions, durations with the allowance, and costs.
void TestLogTail::extendingEqualsLoadingAnew()
{
    QFETCH(int, split);
    QFETCH(int, allowance);
    QTemporaryDir dir;
    const LoadedSettings settings = Priced(allowance);
    const std::span<const LogEvent> all(kEvents);
    QVERIFY(WriteSessionLog(dir.path(), all.first(static_cast<std::size_t>(split))));
    SessionList sessions = FullLoad(dir.path(), settings);
    LoadedEnd end = FindLoadedEnd(dir.path(), sessions);
    QCOMPARE(end.records, split);

    QVERIFY(AppendSessionLog(dir.path(), all.subspan(static_cast<std::size_t>(split))));
    const auto firstTouched = ExtendLoadedLog(dir.path(), settings, sessions, end);
    QVERIFY(firstTouched);
    QCOMPARE(end.records, static_cast<std::int64_t>(kEvents.size()));
    CompareSessions(sessions, FullLoad(dir.path(), settings));
}

void TestLogTail::rewrittenLogNeedsAFullLoad_data()
{
    QTest::addColumn<int>("keep");   // records of the loaded log the rewrite keeps
    QTest::addColumn<int>("append"); // records of a changed end appended after them
    QTest::newRow("shorter") << 4 << 0;
    QTest::newRow("same length, other last record") << 11 << 1;
    QTest::newRow("longer, other record at the old end") << 11 << 3;
}

void TestLogTail::rewrittenLogNeedsAFullLoad()
{
    QFETCH(int, keep);
    QFETCH(int, append);
    QTemporaryDir dir;
    QVERIFY(WriteSessionLog(dir.path(), kEvents));
    SessionList sessions = FullLoad(dir.path(), Priced(0));
    LoadedEnd end = FindLoadedEnd(dir.path(), sessions);
    EventList rewritten(kEvents.begin(), kEvents.begin() + keep);
    for (int i = 0; i < append; ++i)
        rewritten.push_back(MakeEvent(At(12, i), 358, 1));
    QVERIFY(WriteSessionLog(dir.path(), rewritten));
    const SessionList before = sessions;
    QVERIFY(!ExtendLoadedLog(dir.path(), Priced(0), sessions, end));
    CompareSessions(sessions, before);
}

QTEST_GUILESS_MAIN(TestLogTail)
#include "test_logtail.moc"
