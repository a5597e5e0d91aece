// The crash test's own verdicts: a checker that misreads the session log, or a kill that lands a
// step off its plan, would hide the faults the crash test is there to find.

#include "crashtest/child.h"
#include "crashtest/model.h"
#include "crashtest/pppdrig.h"
#include "log/sessionlog.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace dialtally;

namespace {

// 16 December 1998 10:14:40, value 123456; codes 101, 102 and 103, and one with code 999.
// clang-format off
const QByteArray kA =       QByteArray::fromHex("fe36c5a82da6e140" "6500" "40e20100");
const QByteArray kB =       QByteArray::fromHex("fe36c5a82da6e140" "6600" "40e20100");
const QByteArray kC =       QByteArray::fromHex("fe36c5a82da6e140" "6700" "40e20100");
const QByteArray kForeign = QByteArray::fromHex("fe36c5a82da6e140" "e703" "40e20100");
// clang-format on

std::string_view View(const QByteArray& bytes)
{
    return std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace

class TestCrashtest : public QObject {
    Q_OBJECT

private slots:
    void logDifference_data()
    {
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<QString>("says"); // empty: no difference
        const QByteArray all = kA + kB + kC;
        // clang-format off
        QTest::newRow("same records")         << all                   << QString();
        QTest::newRow("last record missing")  << kA + kB               << "the log ends after record #2: 1 records missing, the first 1998-12-16 10:14:40 code 103 value 123456";
        QTest::newRow("empty log")            << QByteArray()          << "the log holds 0 records, 3 expected; the log ends after record #0: 3 records missing";
        QTest::newRow("record doubled")       << kA + kB + kB + kC     << "first difference at record #2: expected 1998-12-16 10:14:40 code 103 value 123456, found 1998-12-16 10:14:40 code 102 value 123456; it is expected record #1 again (doubled)";
        QTest::newRow("record lost inside")   << kA + kC               << "it is expected record #2: records #1 to #1 are missing";
        QTest::newRow("batch again at end")   << all + kA + kB         << "2 records more than expected after record #3, the first 1998-12-16 10:14:40 code 101 value 123456; it is expected record #0 again (doubled)";
        QTest::newRow("foreign record")       << kA + kForeign + kC    << "found 1998-12-16 10:14:40 code 999 value 123456; it is no expected record";
        QTest::newRow("torn tail")            << all + kA.left(3)      << "the log holds 3 records and a torn tail of 3 bytes, 3 expected";
        // clang-format on
    }

    void logDifference()
    {
        QFETCH(QByteArray, log);
        QFETCH(QString, says);
        const QByteArray expected = kA + kB + kC;
        const auto difference = DescribeLogDifference(View(log), View(expected));
        if (says.isEmpty()) {
            QVERIFY2(!difference, difference ? difference->c_str() : "");
            return;
        }
        QVERIFY(difference.has_value());
        QVERIFY2(QString::fromStdString(*difference).contains(says), difference->c_str());
    }

    // touch makes two file changes, creating each file; a kill at a change stops it before it.
    // The pppd scenarios' verdict: sessions against the connections written, each once.
    void pppdSessions_data()
    {
        QTest::addColumn<QList<int>>("sessions"); // which of the three connections the log holds
        QTest::addColumn<QString>("says");
        // clang-format off
        QTest::newRow("each once")      << QList<int>{0, 1, 2}    << QString();
        QTest::newRow("in another order") << QList<int>{2, 0, 1}  << QString();
        QTest::newRow("one missing")    << QList<int>{0, 2}       << "2 sessions where 3 connections were written; 1 missing, the first 2024-05-01 11:00:00 to 2024-05-01 11:30:00, 5 bytes sent, 6 received";
        QTest::newRow("one doubled")    << QList<int>{0, 1, 1, 2} << "4 sessions where 3 connections were written; 1 not written or doubled, the first 2024-05-01 11:00:00 to 2024-05-01 11:30:00, 5 bytes sent, 6 received";
        // clang-format on
    }

    void pppdSessions()
    {
        QFETCH(QList<int>, sessions);
        QFETCH(QString, says);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        std::string error;
        const auto ws = Workspace::Create(dir.path().toStdString(), &error);
        QVERIFY(ws);
        std::vector<GeneratedConnection> written;
        for (int hour : {10, 11, 12})
            written.push_back({hour, *MakeDateTime(2024, 5, 1, hour),
                               *MakeDateTime(2024, 5, 1, hour, 30), hour - 6, hour - 5});
        EventList events;
        for (int i : sessions) {
            const GeneratedConnection& c = written[static_cast<std::size_t>(i)];
            events.push_back(MakeEvent(c.up, 257));
            events.push_back(MakeEvent(c.down, 357, c.received));
            events.push_back(MakeEvent(c.down, 358, c.transmitted));
            events.push_back(MakeEvent(c.down, 258));
        }
        QVERIFY(WriteSessionLog(QString::fromStdString(ws->program), events));
        const auto problem = CheckPppdSessions(*ws, written);
        if (says.isEmpty())
            QVERIFY2(!problem, problem ? problem->c_str() : "");
        else
            QCOMPARE(QString::fromStdString(problem.value_or("")), says);
    }

    void killAtFileChange_data()
    {
        QTest::addColumn<int>("killAt");
        QTest::addColumn<bool>("firstMade");
        QTest::addColumn<bool>("secondMade");
        QTest::addColumn<bool>("killed");
        // clang-format off
        QTest::newRow("no kill")          << 0 << true  << true  << false;
        QTest::newRow("at the first")     << 1 << false << false << true;
        QTest::newRow("at the second")    << 2 << true  << false << true;
        QTest::newRow("past the last")    << 3 << true  << true  << false;
        // clang-format on
    }

    void killAtFileChange()
    {
        QFETCH(int, killAt);
        QFETCH(bool, firstMade);
        QFETCH(bool, secondMade);
        QFETCH(bool, killed);
        std::string why;
        if (!TracingWorks(&why))
            QSKIP(("this system does not let a process trace its children: " + why).c_str());
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const std::string first = QFile::encodeName(dir.filePath("first")).toStdString();
        const std::string second = QFile::encodeName(dir.filePath("second")).toStdString();
        ChildSpec touch;
        touch.program = "/usr/bin/touch";
        touch.arguments = {first, second};
        const TracedRun run = RunTraced(touch, killAt, Clock::now() + std::chrono::seconds(30));
        QVERIFY2(run.started, run.error.c_str());
        QCOMPARE(run.end.KilledBySigkill(), killed);
        QCOMPARE(QFile::exists(dir.filePath("first")), firstMade);
        QCOMPARE(QFile::exists(dir.filePath("second")), secondMade);
        if (!killed)
            QCOMPARE(run.changes, 2);
    }
};

QTEST_GUILESS_MAIN(TestCrashtest)
#include "test_crashtest.moc"
