#include "log/replacelog.h"
#include "log/sessionlog.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <cstring>
#include <limits>

using namespace dialtally;

namespace {

// 16 December 1998 10:14:40, code 101, value 123456, as the bytes a session log holds.
const QByteArray kExampleRecord = QByteArray::fromHex("fe36c5a82da6e140"
                                                      "6500"
                                                      "40e20100");

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return *MakeDateTime(y, mo, d, h, mi, s);
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray RawDouble(double v)
{
    QByteArray b(8, '\0');
    std::memcpy(b.data(), &v, 8);
    return b;
}

struct Ev {
    int code;
    int hour, minute, second;
    int value = 0;
};

EventList Events(std::initializer_list<Ev> list)
{
    EventList events;
    for (const Ev& e : list)
        events.push_back(MakeEvent(At(2024, 3, 4, e.hour, e.minute, e.second),
                                   static_cast<std::int16_t>(e.code), e.value));
    return events;
}

std::optional<DateTime> Clock(int h, int mi, int s = 0)
{
    return At(2024, 3, 4, h, mi, s);
}

} // namespace

class TestSessionLog : public QObject {
    Q_OBJECT
private slots:
    void dateTimeConversions_data();
    void dateTimeConversions();
    void unusableDayCountsReadAsNoDate_data();
    void unusableDayCountsReadAsNoDate();
    void weekday();
    void readsHandWrittenRecord();
    void writesHandWrittenRecord();
    void keepsStoredBytesThroughRewrite();
    void ignoresTrailingFragment();
    void missingLogIsEmpty();
    void appendsAfterTheLastWholeRecord();
    void rewriteKeepsBackup();
    void rewriteWithoutLogStillWrites();
    void valueKind_data();
    void valueKind();
    void buildSessions_data();
    void buildSessions();
    void buildSessionsCounters();
    void readSessionsMatchesBuildOverManyBlocks();
};

void TestSessionLog::dateTimeConversions_data()
{
    QTest::addColumn<double>("dayCount");
    QTest::addColumn<QString>("text");
    // clang-format off
    QTest::newRow("epoch")               << 0.0               << "1899-12-30 00:00:00";
    QTest::newRow("example")             << 36145.42685185185 << "1998-12-16 10:14:40";
    QTest::newRow("before epoch")        << -1.25             << "1899-12-29 06:00:00";
    QTest::newRow("leap day")            << 36585.5           << "2000-02-29 12:00:00";
    QTest::newRow("last second")         << 2958465.9999884   << "9999-12-31 23:59:59";
    QTest::newRow("first usable day")    << -657434.0         << "0100-01-01 00:00:00";
    // clang-format on
}

void TestSessionLog::dateTimeConversions()
{
    QFETCH(double, dayCount);
    QFETCH(QString, text);
    const std::optional<DateTime> t = FromDayCount(dayCount);
    QVERIFY(t);
    QCOMPARE(QString::fromStdString(FormatIsoDateTime(*t)), text);
    QCOMPARE(FromDayCount(ToDayCount(*t)), t);
}

void TestSessionLog::unusableDayCountsReadAsNoDate_data()
{
    QTest::addColumn<double>("dayCount");
    // clang-format off
    QTest::newRow("NaN")          << std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("+infinity")    << std::numeric_limits<double>::infinity();
    QTest::newRow("-infinity")    << -std::numeric_limits<double>::infinity();
    QTest::newRow("after 9999")   << 2958466.0;
    QTest::newRow("before 100")   << -657435.0;
    QTest::newRow("absurd")       << 1e300;
    QTest::newRow("denormal max") << std::numeric_limits<double>::max();
    // clang-format on
}

void TestSessionLog::unusableDayCountsReadAsNoDate()
{
    QFETCH(double, dayCount);
    QVERIFY(!FromDayCount(dayCount));
    QVERIFY(!EventTime(LogEvent{dayCount, 101, 5}));
}

void TestSessionLog::weekday()
{
    QCOMPARE(Weekday(At(1899, 12, 30)), 7); // Saturday
    QCOMPARE(Weekday(At(1899, 12, 29, 23, 59, 59)), 6);
    QCOMPARE(Weekday(At(2024, 3, 3)), 1); // Sunday
    QCOMPARE(Weekday(At(1998, 12, 16, 10)), 4);
    // Rollover of out-of-range fields.
    QCOMPARE(MakeDateTime(1998, 13, 1), MakeDateTime(1999, 1, 1));
    QCOMPARE(MakeDateTime(1998, 12, 31, 24), MakeDateTime(1999, 1, 1));
    QCOMPARE(MakeDateTime(1999, 3, 0), MakeDateTime(1999, 2, 28));
}

void TestSessionLog::readsHandWrittenRecord()
{
    QTemporaryDir dir;
    WriteAll(dir.filePath("SesLog.log"), kExampleRecord);
    EventList events;
    QVERIFY(ReadSessionLog(dir.path(), events));
    QCOMPARE(events.size(), 1u);
    QCOMPARE(events[0].iCode, 101);
    QCOMPARE(events[0].lValue, 123456);
    QCOMPARE(EventTime(events[0]), MakeDateTime(1998, 12, 16, 10, 14, 40));
}

void TestSessionLog::writesHandWrittenRecord()
{
    QTemporaryDir dir;
    const LogEvent event = MakeEvent(At(1998, 12, 16, 10, 14, 40), 101, 123456);
    QVERIFY(WriteSessionLog(dir.path(), std::span(&event, 1)));
    QCOMPARE(ReadAll(dir.filePath("SesLog.log")), kExampleRecord);
    QVERIFY(AppendSessionLog(dir.path(), std::span(&event, 1)));
    QCOMPARE(ReadAll(dir.filePath("SesLog.log")), kExampleRecord + kExampleRecord);
}

void TestSessionLog::keepsStoredBytesThroughRewrite()
{
    // Times that are no usable date, odd codes and values must come back byte for byte.
    QByteArray original = kExampleRecord;
    quint64 signalingNaN = 0x7ff0000000000001ull;
    QByteArray nanBytes(8, '\0');
    std::memcpy(nanBytes.data(), &signalingNaN, 8);
    original += nanBytes + QByteArray::fromHex("ffff"
                                               "ffffffff");
    original += RawDouble(1e300) + QByteArray::fromHex("0080"
                                                       "00000080");
    original += RawDouble(36145.426851851854) + QByteArray::fromHex("0000"
                                                                    "01000000");
    QTemporaryDir dir;
    WriteAll(dir.filePath("SesLog.log"), original);
    EventList events;
    QVERIFY(ReadSessionLog(dir.path(), events));
    QCOMPARE(events.size(), 4u);
    QCOMPARE(events[2].iCode, INT16_MIN);
    QCOMPARE(events[2].lValue, INT32_MIN);
    QVERIFY(!EventTime(events[1]));
    QVERIFY(ReplaceSessionLog(dir.path(), events, nullptr));
    QCOMPARE(ReadAll(dir.filePath("SesLog.log")), original);
    // Sessions build from such records without trouble.
    QCOMPARE(BuildSessions(events).size(), 1u);
}

void TestSessionLog::ignoresTrailingFragment()
{
    QTemporaryDir dir;
    WriteAll(dir.filePath("SesLog.log"), kExampleRecord + kExampleRecord + "\x01\x02");
    EventList events;
    QVERIFY(ReadSessionLog(dir.path(), events));
    QCOMPARE(events.size(), 2u);
}

void TestSessionLog::missingLogIsEmpty()
{
    QTemporaryDir dir;
    EventList events;
    QVERIFY(ReadSessionLog(dir.path(), events));
    QVERIFY(events.empty());
    const SessionList sessions = BuildSessions(events);
    QCOMPARE(sessions.size(), 1u);
    QVERIFY(!sessions[0].vUp && !sessions[0].vDown);
}

// The bytes after the last whole record are a torn record, not one: they are cut off, or every
// record appended after them would be read across them.
void TestSessionLog::appendsAfterTheLastWholeRecord()
{
    QTemporaryDir dir;
    WriteAll(dir.filePath("SesLog.log"), kExampleRecord + "\x01\x02\x03");
    const LogEvent event =
        DecodeRecord(reinterpret_cast<const unsigned char*>(kExampleRecord.data()));
    std::int64_t cut = 0;
    QVERIFY(AppendSessionLog(dir.path(), std::span(&event, 1), nullptr, &cut));
    QCOMPARE(cut, 3);
    QCOMPARE(ReadAll(dir.filePath("SesLog.log")), kExampleRecord + kExampleRecord);
}

void TestSessionLog::rewriteKeepsBackup()
{
    QTemporaryDir dir;
    WriteAll(dir.filePath("SesLog.bak"), "older backup");
    WriteAll(dir.filePath("SesLog.log"), kExampleRecord + "xy");
    const EventList none;
    QVERIFY(ReplaceSessionLog(dir.path(), none, nullptr));
    QCOMPARE(ReadAll(dir.filePath("SesLog.bak")), kExampleRecord + "xy");
    QVERIFY(QFile::exists(dir.filePath("SesLog.log")));
    QCOMPARE(ReadAll(dir.filePath("SesLog.log")), QByteArray());
}

void TestSessionLog::rewriteWithoutLogStillWrites()
{
    QTemporaryDir dir;
    const LogEvent event = MakeEvent(At(1998, 12, 16, 10, 14, 40), 101, 123456);
    QVERIFY(ReplaceSessionLog(dir.path(), std::span(&event, 1), nullptr));
    QCOMPARE(ReadAll(dir.filePath("SesLog.log")), kExampleRecord);
    QVERIFY(!QFile::exists(dir.filePath("SesLog.bak")));
}

void TestSessionLog::valueKind_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("kind");
    // clang-format off
    QTest::newRow("log opened")      << 1     << 0;
    QTest::newRow("IPCP up 98")      << 267   << 0;
    QTest::newRow("bytes received")  << 101   << 1;
    QTest::newRow("incomplete 98")   << 383   << 1;
    QTest::newRow("199")             << 199   << 1;
    QTest::newRow("address 95")      << 201   << 2;
    QTest::newRow("address 98")      << 457   << 2;
    QTest::newRow("255")             << 255   << 2;
    QTest::newRow("negative")        << -156  << 1; // low byte 100
    QTest::newRow("code 0")          << 0     << 0;
    // clang-format on
}

void TestSessionLog::valueKind()
{
    QFETCH(int, code);
    QFETCH(int, kind);
    QCOMPARE(int(ValueKind(code)), kind);
}

struct ExpectedSession {
    std::optional<DateTime> up;
    std::optional<DateTime> down;
    int rx = 0;
    int tx = 0;
};
Q_DECLARE_METATYPE(EventList)
Q_DECLARE_METATYPE(std::vector<ExpectedSession>)

void TestSessionLog::buildSessions_data()
{
    QTest::addColumn<EventList>("events");
    QTest::addColumn<std::vector<ExpectedSession>>("expected");
    const std::optional<DateTime> none;
    // clang-format off
    QTest::newRow("empty log") << EventList{} << std::vector<ExpectedSession>{{none, none}};
    QTest::newRow("counters and end before any start")
        << Events({{101, 9, 0, 0, 42}, {2, 9, 1, 0}})
        << std::vector<ExpectedSession>{{none, Clock(9, 1), 42, 0}};
    QTest::newRow("windows 95 session")
        << Events({{13, 10, 0, 0}, {11, 10, 0, 5}, {12, 10, 30, 0}, {101, 10, 30, 1, 5000},
                   {102, 10, 30, 1, 700}, {2, 10, 30, 2}})
        << std::vector<ExpectedSession>{{Clock(10, 0), Clock(10, 30, 2), 5000, 700}};
    QTest::newRow("restart inside session")
        << Events({{13, 10, 0, 0}, {13, 11, 0, 0}})
        << std::vector<ExpectedSession>{{Clock(10, 0), Clock(10, 0)}, {Clock(11, 0), none}};
    QTest::newRow("start after counter reuses entry")
        << Events({{13, 10, 0, 0}, {101, 10, 5, 0, 77}, {13, 11, 0, 0}})
        << std::vector<ExpectedSession>{{Clock(11, 0), none, 77, 0}};
    QTest::newRow("windows 98 log opened restarts, IPCP started ignored")
        << Events({{257, 10, 0, 0}, {269, 10, 0, 5}, {257, 10, 1, 0}, {258, 10, 20, 0}})
        << std::vector<ExpectedSession>{{Clock(10, 0), Clock(10, 0)}, {Clock(10, 1), Clock(10, 20)}};
    QTest::newRow("last end event wins")
        << Events({{11, 10, 0, 0}, {12, 10, 10, 0}, {2, 10, 12, 0}, {11, 11, 0, 0}, {12, 11, 5, 0}})
        << std::vector<ExpectedSession>{{Clock(10, 0), Clock(10, 12)}, {Clock(11, 0), Clock(11, 5)}};
    QTest::newRow("IPCP up inside session ignored")
        << Events({{11, 10, 0, 0}, {11, 10, 5, 0}, {12, 10, 9, 0}})
        << std::vector<ExpectedSession>{{Clock(10, 0), Clock(10, 9)}};
    QTest::newRow("unknown codes change nothing")
        << Events({{11, 10, 0, 0}, {457, 10, 1, 0, 99}, {0, 10, 2, 0}, {-5, 10, 3, 0}, {12, 10, 4, 0}})
        << std::vector<ExpectedSession>{{Clock(10, 0), Clock(10, 4)}};
    // clang-format on
}

void TestSessionLog::buildSessions()
{
    QFETCH(EventList, events);
    QFETCH(std::vector<ExpectedSession>, expected);
    const SessionList sessions = BuildSessions(events);
    QCOMPARE(sessions.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        QCOMPARE(sessions[i].vUp, expected[i].up);
        QCOMPARE(sessions[i].vDown, expected[i].down);
        QCOMPARE(sessions[i].lRx, expected[i].rx);
        QCOMPARE(sessions[i].lTx, expected[i].tx);
    }
}

void TestSessionLog::buildSessionsCounters()
{
    // Every counter code of both dialects lands in its field; a value beyond 16 bits keeps the
    // previous one and does not stop the build; a counter clears the in-session flag.
    EventList events = Events({{11, 10, 0, 0}});
    for (int code = 121; code <= 127; ++code)
        events.push_back(MakeEvent(At(2024, 3, 4, 10, 1), static_cast<std::int16_t>(code), code));
    events.push_back(MakeEvent(At(2024, 3, 4, 10, 2), 377, 40000));
    events.push_back(MakeEvent(At(2024, 3, 4, 10, 2), 383, -7));
    events.push_back(MakeEvent(At(2024, 3, 4, 10, 2), 12, 0));
    events.push_back(MakeEvent(At(2024, 3, 4, 11, 0), 257, 0));
    events.push_back(MakeEvent(At(2024, 3, 4, 11, 1), 378, 40000));
    const SessionList sessions = BuildSessions(events);
    QCOMPARE(sessions.size(), 2u);
    const std::array<int, 7> first = {121, 122, 123, 124, 125, 126, -7};
    QCOMPARE(ErrorCounters(sessions[0]), first);
    QCOMPARE(ErrorCounters(sessions[1]), (std::array<int, 7>{}));
}

void TestSessionLog::readSessionsMatchesBuildOverManyBlocks()
{
    // Enough records to cross several read blocks, one split record at the end.
    EventList events;
    const DateTime start = At(2024, 1, 1);
    for (int i = 0; i < 50000; ++i) {
        const DateTime t{start.seconds + i * 60};
        const std::int16_t codes[] = {269, 267, 358, 357, 383, 258};
        events.push_back(MakeEvent(t, codes[i % 6], i));
    }
    QTemporaryDir dir;
    QVERIFY(WriteSessionLog(dir.path(), events));
    QFile log(dir.filePath("SesLog.log"));
    QVERIFY(log.open(QIODevice::Append));
    log.write("\x01\x02\x03");
    log.close();
    SessionList streamed;
    QVERIFY(ReadSessions(dir.path(), streamed));
    const SessionList built = BuildSessions(events);
    QCOMPARE(streamed.size(), built.size());
    QCOMPARE(streamed.size(), 50000u / 6 + 1);
    for (std::size_t i = 0; i < built.size(); ++i) {
        QCOMPARE(streamed[i].vUp, built[i].vUp);
        QCOMPARE(streamed[i].vDown, built[i].vDown);
        QCOMPARE(streamed[i].lTx, built[i].lTx);
        QCOMPARE(streamed[i].iIncompletePackets, built[i].iIncompletePackets);
    }
}

QTEST_GUILESS_MAIN(TestSessionLog)
#include "test_sessionlog.moc"
