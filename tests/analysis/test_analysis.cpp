#include "analysis/analysis.h"
#include "analysis/costs.h"
#include "analysis/monthly.h"
#include "support/memoryprogressbar.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <cstring>

using namespace dialtally;

namespace {

DateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return *MakeDateTime(year, month, day, hour, minute, second);
}

SessionRecord Session(DateTime up, std::int32_t seconds)
{
    SessionRecord session;
    session.vUp = up;
    session.vDown = DateTime{up.seconds + seconds};
    session.lDur = seconds;
    return session;
}

SessionRecord OpenSession(DateTime up)
{
    SessionRecord session;
    session.vUp = up;
    return session;
}

QString Iso(const std::optional<DateTime>& t)
{
    return t ? QString::fromStdString(FormatIsoDateTime(*t)) : QStringLiteral("empty");
}

// Sessions on 1, 3 and 5 March 1999 (indexes 0, 1, 2), ten minutes each at noon.
SessionList ThreeDays()
{
    return {Session(At(1999, 3, 1, 12), 600), Session(At(1999, 3, 3, 12), 600),
            Session(At(1999, 3, 5, 12), 600)};
}

} // namespace

class TestAnalysis : public QObject {
    Q_OBJECT

private slots:
    void readSessionListLoadsAndShiftsWithProgress();
    void calculateDurations_data();
    void calculateDurations();
    void analyseFindsExtremesAverageAndErrors();
    void analyseEdgeLists_data();
    void analyseEdgeLists();
    void analyseRange_data();
    void analyseRange();
    void sumRange();
    void monthlyTotals();
    void monthlyTotalsOfAnEmptyLog();
    void badSessionLogsLoad_data();
    void badSessionLogsLoad();
};

void TestAnalysis::readSessionListLoadsAndShiftsWithProgress()
{
    QTemporaryDir dir;
    const LogEvent events[] = {MakeEvent(At(1999, 3, 1, 10), 269),
                               MakeEvent(At(1999, 3, 1, 10, 10), 258)};
    QVERIFY(AppendSessionLog(dir.path(), events));
    UpdateSettings update;
    update.programDir = dir.path();
    update.windowsDir = dir.filePath("windows");
    update.sleep = [](int) {};
    MemoryProgressBar bar;
    const SessionList sessions = ReadSessionList(&bar, 30, update);
    QCOMPARE(sessions.size(), std::size_t(1));
    QCOMPARE(Iso(sessions[0].vUp), QString("1999-03-01 09:59:30"));
    QCOMPARE(sessions[0].lDur, 630);
    // 1 at the start, 4 from the load, 1 before and 1 after the durations.
    QCOMPARE(bar.Min(), 0);
    QCOMPARE(bar.Max(), 10);
    QCOMPARE(bar.Value(), 7);
}

void TestAnalysis::calculateDurations_data()
{
    QTest::addColumn<int>("allowance");
    QTest::addColumn<DateTime>("up");
    QTest::addColumn<std::optional<DateTime>>("down");
    QTest::addColumn<QString>("shiftedUp");
    QTest::addColumn<int>("duration");
    QTest::addColumn<QString>("text"); // "empty" when no text is set

    using Down = std::optional<DateTime>;
    // clang-format off
    QTest::newRow("allowance 30 s")          << 30  << At(1999, 3, 1, 10) << Down(At(1999, 3, 1, 10, 10)) << "1999-03-01 09:59:30" << 630   << "0:10:30";
    QTest::newRow("over a day")              << 0   << At(1999, 3, 1, 10) << Down(At(1999, 3, 2, 13))     << "1999-03-01 10:00:00" << 97200 << "27:00:00";
    QTest::newRow("down before shifted up")  << -60 << At(1999, 3, 1, 10) << Down(At(1999, 3, 1, 10))     << "1999-03-01 10:01:00" << 0     << "0:00:00";
    QTest::newRow("no down time")            << 30  << At(1999, 3, 1, 10) << Down()                       << "1999-03-01 09:59:30" << 0     << "empty";
    QTest::newRow("beyond 32-bit seconds")   << 0   << At(1900, 1, 1)     << Down(At(2000, 1, 1))         << "1900-01-01 00:00:00" << 0     << "0:00:00";
    // clang-format on
}

void TestAnalysis::calculateDurations()
{
    QFETCH(int, allowance);
    QFETCH(DateTime, up);
    QFETCH(std::optional<DateTime>, down);
    QFETCH(QString, shiftedUp);
    QFETCH(int, duration);
    QFETCH(QString, text);
    SessionList sessions(2);
    sessions[0].vUp = up;
    sessions[0].vDown = down;
    sessions[1].vDown = down; // no up time: left as built
    CalculateDurations(sessions, allowance);
    QCOMPARE(Iso(sessions[0].vUp), shiftedUp);
    QCOMPARE(sessions[0].lDur, duration);
    QCOMPARE(QString::fromStdString(sessions[0].vDurText.value_or("empty")), text);
    QVERIFY(!sessions[1].vUp && !sessions[1].vDurText && sessions[1].lDur == 0);
}

void TestAnalysis::analyseFindsExtremesAverageAndErrors()
{
    SessionList sessions = {Session(At(1999, 3, 1, 10), 600), Session(At(1999, 3, 2, 10), 3600),
                            Session(At(1999, 3, 3, 10), 59), Session(At(1999, 3, 4, 10), 3600),
                            Session(At(1999, 3, 5, 10), 59)};
    sessions[1].iCrcErrors = 3;
    sessions[4].iIncompletePackets = 32767;
    sessions[3].iIncompletePackets = 32767;
    SessionRecord open; // connected but not yet down: counted, not measured
    open.vUp = At(1999, 3, 6, 10);
    open.iCrcErrors = 100;
    sessions.push_back(open);

    const Statistics s = AnalyseAll(sessions);
    QCOMPARE(s.iFirst, 0);
    QCOMPARE(s.iLast, 5);
    QVERIFY(!s.fSelection);
    QCOMPARE(Iso(s.vFirstUp), QString("1999-03-01 10:00:00"));
    QCOMPARE(Iso(s.vLastDown), QString("empty"));
    // The earliest of equal sessions wins.
    QCOMPARE(Iso(s.vLongestUp), QString("1999-03-02 10:00:00"));
    QCOMPARE(Iso(s.vLongestDown), QString("1999-03-02 11:00:00"));
    QCOMPARE(s.iLongestMinutes, 60);
    QCOMPARE(Iso(s.vShortestUp), QString("1999-03-03 10:00:00"));
    QCOMPARE(s.iShortestMinutes, 0);
    // (7918 s \ 60) minutes over six sessions.
    QCOMPARE(s.dAverageMinutes, 131.0 / 6.0);
    QCOMPARE(s.iSessionCount, 6);
    QCOMPARE(s.iErrors[0], 3);
    QCOMPARE(s.iErrors[6], 65534); // beyond a 16-bit total
}

void TestAnalysis::analyseEdgeLists_data()
{
    QTest::addColumn<SessionList>("sessions");
    QTest::addColumn<QString>("longestUp");
    QTest::addColumn<QString>("shortestUp");
    QTest::addColumn<qint64>("count");

    // clang-format off
    QTest::newRow("empty log")           << SessionList(1)                                                         << "empty"               << "empty"               << qint64(0);
    QTest::newRow("all durations zero")  << SessionList{Session(At(1999, 3, 1), 0), Session(At(1999, 3, 2), 0)}     << "1999-03-01 00:00:00" << "1999-03-01 00:00:00" << qint64(2);
    // Sessions of 60000 s and more still give their real shortest.
    QTest::newRow("all very long")       << SessionList{Session(At(1999, 3, 1), 70000), Session(At(1999, 3, 3), 65000)} << "1999-03-01 00:00:00" << "1999-03-03 00:00:00" << qint64(2);
    // A connection still open has an up time and no down time; it is a session all the same.
    QTest::newRow("only an open session") << SessionList{OpenSession(At(1999, 3, 1, 9))}                        << "empty"               << "empty"               << qint64(1);
    // clang-format on
}

void TestAnalysis::analyseEdgeLists()
{
    QFETCH(SessionList, sessions);
    QFETCH(QString, longestUp);
    QFETCH(QString, shortestUp);
    QFETCH(qint64, count);
    const Statistics s = AnalyseAll(sessions);
    QCOMPARE(Iso(s.vLongestUp), longestUp);
    QCOMPARE(Iso(s.vShortestUp), shortestUp);
    QCOMPARE(s.iSessionCount, count);
}

void TestAnalysis::analyseRange_data()
{
    QTest::addColumn<DateTime>("from");
    QTest::addColumn<DateTime>("to");
    QTest::addColumn<bool>("toEnd");
    QTest::addColumn<qint64>("first");
    QTest::addColumn<qint64>("count");

    // clang-format off
    QTest::newRow("one day each end")    << At(1999, 3, 3) << At(1999, 3, 5) << false << qint64(1) << qint64(2);
    QTest::newRow("from a day between")  << At(1999, 3, 2) << At(1999, 3, 3) << false << qint64(1) << qint64(1);
    QTest::newRow("to the end")          << At(1999, 3, 2) << At(1999, 3, 2) << true  << qint64(1) << qint64(2);
    QTest::newRow("whole list")          << At(1999, 1, 1) << At(1999, 12, 1) << false << qint64(0) << qint64(3);
    QTest::newRow("gap between")         << At(1999, 3, 2) << At(1999, 3, 2) << false << qint64(1) << qint64(0);
    QTest::newRow("before every session")<< At(1998, 1, 1) << At(1998, 2, 1) << false << qint64(0) << qint64(0);
    QTest::newRow("after every session") << At(2000, 1, 1) << At(2000, 2, 1) << false << qint64(3) << qint64(0);
    QTest::newRow("after, to the end")   << At(2000, 1, 1) << At(2000, 1, 1) << true  << qint64(3) << qint64(0);
    // clang-format on
}

void TestAnalysis::analyseRange()
{
    QFETCH(DateTime, from);
    QFETCH(DateTime, to);
    QFETCH(bool, toEnd);
    QFETCH(qint64, first);
    QFETCH(qint64, count);
    const Statistics s = AnalyseRange(ThreeDays(), from, to, toEnd);
    QVERIFY(s.fSelection);
    QCOMPARE(s.iFirst, first);
    QCOMPARE(s.iSessionCount, count);
    QCOMPARE(std::max<qint64>(s.iLast - s.iFirst + 1, 0), count);
    if (count == 0)
        QVERIFY(!s.vFirstUp && !s.vLongestUp && s.dAverageMinutes == 0.0);
}

void TestAnalysis::sumRange()
{
    SessionList sessions = ThreeDays();
    sessions[0].lTx = 1500000;
    sessions[1].lTx = 600;
    sessions[1].lRx = 2000;
    sessions[1].vCommCost = 1.25;
    sessions[2].vCommCost = 0.006;
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const RangeSummary all = SumRange(sessions, 0, 2, english);
    QCOMPARE(all.transmitted, QString("1.5 Mb"));
    QCOMPARE(all.received, QString("2.0 Kb"));
    QCOMPARE(all.duration, QString("30 min"));
    QCOMPARE(all.period, QString("3/1/1999 12:00:00 PM  -  3/5/1999 12:10:00 PM"));
    QCOMPARE(all.communicationCosts, QString("$1.26"));
    QCOMPARE(all.serviceCosts, QString()); // no session has a service cost

    const RangeSummary german =
        SumRange(sessions, 1, 1, QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(german.communicationCosts, QString("1,25\u00a0\u20ac"));
    QCOMPARE(german.period, QString("03.03.1999 12:00:00  -  03.03.1999 12:10:00"));
}

void TestAnalysis::monthlyTotals()
{
    // January 1998, January 1999 (no month between: one entry), February, then January again.
    SessionList sessions = {Session(At(1998, 1, 10), 3000), Session(At(1999, 1, 5), 630),
                            Session(At(1999, 2, 1), 60), Session(At(1999, 1, 20), 59)};
    sessions[0].lTx = 1000;
    sessions[1].lTx = 3;
    sessions[0].vCommCost = 1.0;
    sessions[1].vServCost = 0.5;
    SessionRecord open; // no down time: left out
    open.vUp = At(1999, 2, 2);
    open.lTx = 999999;
    sessions.insert(sessions.begin() + 3, open);

    const MonthlySummary summary = CalcMonthlyTotals(sessions, 10.0);
    QCOMPARE(summary.months.size(), std::size_t(3));
    const MonthTotals& jan = summary.months[0];
    QCOMPARE(jan.month, 1);
    QCOMPARE(jan.year, 1998);
    QCOMPARE(jan.seconds, 3630);
    QCOMPARE(jan.Minutes(), 60);
    QCOMPARE(jan.communicationCost, 1.0);
    QCOMPARE(jan.serviceCost, 10.5); // the flat fee once per entry
    QCOMPARE(jan.SumCost(), 11.5);
    QCOMPARE(jan.transmitted, 1003);
    QCOMPARE(summary.months[1].month, 2);
    QCOMPARE(summary.months[1].transmitted, 0);
    QCOMPARE(summary.months[1].serviceCost, 10.0); // a month without service costs
    QCOMPARE(summary.months[2].month, 1);
    QCOMPARE(summary.months[2].year, 1999);

    QVERIFY(summary.averages);
    // 3749 s / 3 = 1249.67, rounded to 1250 s: 20 minutes.
    QCOMPARE(summary.averages->minutes, 20);
    QCOMPARE(summary.averages->communicationCost, 1.0 / 3.0);
    QCOMPARE(summary.averages->serviceCost, 30.5 / 3.0);
    QCOMPARE(summary.averages->sumCost, 31.5 / 3.0);
    QCOMPARE(summary.averages->transmitted, 334); // 1003 / 3 rounded
}

void TestAnalysis::monthlyTotalsOfAnEmptyLog()
{
    QVERIFY(CalcMonthlyTotals(SessionList(1), 10.0).months.empty());
    QVERIFY(!CalcMonthlyTotals(SessionList(1), 10.0).averages);
    // Real sessions, but none with both times: no month to show either.
    SessionList openOnly(2);
    openOnly[0].vUp = At(1999, 1, 1);
    openOnly[1].vUp = At(1999, 1, 2);
    QVERIFY(CalcMonthlyTotals(openOnly, 10.0).months.empty());
}

QTEST_GUILESS_MAIN(TestAnalysis)
#include "test_analysis.moc"

// A record with the given time bytes: a start, a counter and an end event in turn.
static QByteArray Records(double time, int count)
{
    QByteArray bytes;
    const std::int16_t codes[] = {269, 357, 258};
    for (int i = 0; i < count; ++i) {
        LogRecordBytes record = EncodeRecord(LogEvent{time, codes[i % 3], 1000});
        bytes.append(reinterpret_cast<const char*>(record.data()), kLogRecordSize);
    }
    return bytes;
}

void TestAnalysis::badSessionLogsLoad_data()
{
    QTest::addColumn<QByteArray>("log");
    QTest::addColumn<int>("sessions");
    QTest::addColumn<bool>("anyTime");
    const double day = ToDayCount(At(1999, 3, 1, 10));
    // clang-format off
    QTest::newRow("0 bytes")               << QByteArray()                       << 1    << false;
    QTest::newRow("full of NaN times")     << Records(std::nan(""), 3000)        << 1    << false;
    QTest::newRow("infinite times")        << Records(INFINITY, 30)              << 1    << false;
    QTest::newRow("length not a multiple") << Records(day, 6) + "\x01\x02\x03" << 2    << true;
    // clang-format on
}

// A damaged log loads like any other: starts without a usable time never close a session, so
// they all fall into one entry without times; no costs, no months, no crash.
void TestAnalysis::badSessionLogsLoad()
{
    QFETCH(QByteArray, log);
    QFETCH(int, sessions);
    QFETCH(bool, anyTime);
    QTemporaryDir dir;
    QFile file(dir.filePath("SesLog.log"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(log);
    file.close();
    UpdateSettings update;
    update.programDir = dir.path();
    update.windowsDir = dir.filePath("windows");
    SessionList list = ReadSessionList(nullptr, 30, update);
    QCOMPARE(list.size(), std::size_t(sessions));
    CostSettings costs;
    costs.bCommCosts = costs.bServCosts = true;
    costs.vCommRate = {0.1, 0.2, 0.3};
    costs.vServMinute = 0.05;
    CalculateCosts(list, costs);
    const Statistics statistics = AnalyseAll(list);
    const MonthlySummary months = CalcMonthlyTotals(list, 4.9);
    bool timed = false;
    for (const SessionRecord& session : list)
        timed = timed || session.vUp || session.vDown;
    QCOMPARE(timed, anyTime);
    if (!anyTime)
        QVERIFY(months.months.empty());
    Q_UNUSED(statistics);
}
