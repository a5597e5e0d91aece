#include "log/maintenance.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

using namespace dialtally;

namespace {

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return *MakeDateTime(y, mo, d, h, mi, s);
}

// 4 March 2024 at a time of day given in seconds, fractions allowed, as the day count a record
// holds.
double DayCount(double secondsOfDay)
{
    return ToDayCount(At(2024, 3, 4)) + secondsOfDay / 86400.0;
}

double Clock(int h, int mi, int s)
{
    return DayCount(h * 3600 + mi * 60 + s);
}

// One record as the session log holds it: the day count, the code and the value, little-endian.
QByteArray Record(double dayCount, std::int16_t code, std::int32_t value = 0)
{
    QByteArray bytes(14, '\0');
    std::memcpy(bytes.data(), &dayCount, 8);
    bytes[8] = char(code & 0xff);
    bytes[9] = char((code >> 8) & 0xff);
    for (int i = 0; i < 4; ++i)
        bytes[10 + i] = char((value >> (8 * i)) & 0xff);
    return bytes;
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// The records of a session from 10:00:00 to 10:30:02 and around it, in the order the update
// appended them, with a few that no time comparison can place.
const std::vector<QByteArray>& SessionRecords()
{
    static const std::vector<QByteArray> records = {
        Record(Clock(9, 59, 51), 1),                              // 0: 1 s before the margin
        Record(Clock(9, 59, 52), 257),                            // 1: first second inside
        Record(Clock(10, 0, 0), 267),                             // 2
        Record(std::numeric_limits<double>::quiet_NaN(), 357, 5), // 3: no usable date
        Record(Clock(10, 30, 2), 258),                            // 4: disconnect
        Record(DayCount(10 * 3600 + 30 * 60 + 6.4), 357, 900),    // 5: 10:30:06 to the second
        Record(DayCount(10 * 3600 + 30 * 60 + 6.6), 358, 100),    // 6: 10:30:07 to the second
        Record(Clock(10, 30, 7), 357, 5000),                      // 7: counter after the span
        Record(-1.25, 13),                                        // 8: 29 December 1899 06:00
    };
    return records;
}

// Keeps every value a bar was set to, to follow the steps of a long operation.
class RecordingBar : public ProgressBar {
public:
    std::int32_t Min() const override { return m_min; }
    void SetMin(std::int32_t value) override { m_min = value; }
    std::int32_t Max() const override { return m_max; }
    void SetMax(std::int32_t value) override { m_max = value; }
    std::int32_t Value() const override { return m_values.empty() ? 0 : m_values.back(); }
    void SetValue(std::int32_t value) override { m_values.push_back(value); }
    void SetText(const QString&) override {}
    const std::vector<std::int32_t>& Values() const { return m_values; }

private:
    std::int32_t m_min = 0, m_max = 0;
    std::vector<std::int32_t> m_values;
};

SessionRecord Session(std::optional<DateTime> up, std::optional<DateTime> down)
{
    SessionRecord session;
    session.vUp = up;
    session.vDown = down;
    return session;
}

} // namespace

Q_DECLARE_METATYPE(SessionRecord)
Q_DECLARE_METATYPE(DateTime)

class TestMaintenance : public QObject {
    Q_OBJECT
private slots:
    void init();
    void spanOfSessions_data();
    void spanOfSessions();
    void deletionKeepsOtherRecordsByteForByte_data();
    void deletionKeepsOtherRecordsByteForByte();
    void spanTestAgreesWithConversion_data();
    void spanTestAgreesWithConversion();
    void failedDeletionChangesNothing_data();
    void failedDeletionChangesNothing();
    void clearDeletesOnlyTheLog();
    void replacementWithoutLogKeepsBackup();

private:
    QString Folder() const { return m_dir->path(); }
    QString Path(const char* name) const { return QDir(m_dir->path()).filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestMaintenance::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestMaintenance::spanOfSessions_data()
{
    QTest::addColumn<SessionRecord>("first");
    QTest::addColumn<SessionRecord>("last");
    QTest::addColumn<int>("allowance");
    QTest::addColumn<bool>("spanned");
    QTest::addColumn<DateTime>("start");
    QTest::addColumn<DateTime>("end");
    const auto t = [](int h, int mi, int s) { return At(2024, 3, 4, h, mi, s); };
    const SessionRecord logged = Session(t(10, 0, 0), t(10, 30, 2));
    // With an allowance of 30 s the list shows the connect time 30 s earlier.
    const SessionRecord shifted = Session(t(9, 59, 30), t(10, 30, 2));
    const SessionRecord open = Session(t(11, 0, 0), std::nullopt);
    const SessionRecord downOnly = Session(std::nullopt, t(12, 0, 0));
    const SessionRecord empty;
    // clang-format off
    QTest::newRow("one session")            << logged   << logged   << 0  << true  << t(9, 59, 52) << t(10, 30, 6);
    QTest::newRow("allowance undone")       << shifted  << shifted  << 30 << true  << t(9, 59, 52) << t(10, 30, 6);
    QTest::newRow("several sessions")       << logged   << open     << 0  << true  << t(9, 59, 52) << t(11, 0, 4);
    QTest::newRow("no disconnect time")     << open     << open     << 0  << true  << t(10, 59, 52) << t(11, 0, 4);
    QTest::newRow("first without connect")  << downOnly << logged   << 0  << false << DateTime{} << DateTime{};
    QTest::newRow("last without any time")  << logged   << empty    << 0  << false << DateTime{} << DateTime{};
    // clang-format on
}

void TestMaintenance::spanOfSessions()
{
    QFETCH(SessionRecord, first);
    QFETCH(SessionRecord, last);
    QFETCH(int, allowance);
    QFETCH(bool, spanned);
    QFETCH(DateTime, start);
    QFETCH(DateTime, end);
    const std::optional<DeletionSpan> span = SpanOfSessions(first, last, allowance);
    QCOMPARE(span.has_value(), spanned);
    if (span)
        QCOMPARE(*span, (DeletionSpan{start, end}));
}

void TestMaintenance::deletionKeepsOtherRecordsByteForByte_data()
{
    QTest::addColumn<SessionRecord>("session");
    QTest::addColumn<int>("allowance");
    QTest::addColumn<QList<int>>("kept");
    const auto t = [](int h, int mi, int s) { return At(2024, 3, 4, h, mi, s); };
    // clang-format off
    QTest::newRow("session with margins")  << Session(t(10, 0, 0), t(10, 30, 2))   << 0
                                           << QList<int>{0, 3, 6, 7, 8};
    QTest::newRow("allowance undone")      << Session(t(9, 59, 30), t(10, 30, 2))  << 30
                                           << QList<int>{0, 3, 6, 7, 8};
    QTest::newRow("no disconnect time")    << Session(t(10, 0, 0), std::nullopt)   << 0
                                           << QList<int>{0, 3, 4, 5, 6, 7, 8};
    // clang-format on
}

void TestMaintenance::deletionKeepsOtherRecordsByteForByte()
{
    QFETCH(SessionRecord, session);
    QFETCH(int, allowance);
    QFETCH(QList<int>, kept);
    QByteArray original;
    for (const QByteArray& record : SessionRecords())
        original += record;
    original += "\x01\x02"; // the torn start of a record is no record
    QByteArray expected;
    for (int index : kept)
        expected += SessionRecords()[static_cast<std::size_t>(index)];
    QVERIFY(WriteAll(Path("SesLog.log"), original));
    QVERIFY(WriteAll(Path("SesLog.bak"), "an older backup"));

    RecordingBar bar;
    bar.SetMax(10);
    bar.SetValue(4);
    DeletionReport report;
    const auto span = SpanOfSessions(session, session, allowance);
    QVERIFY(span);
    QVERIFY2(DeletePeriod(Folder(), *span, &bar, &report), qPrintable(report.replace.error));
    QCOMPARE(ReadAll(Path("SesLog.log")).toHex(), expected.toHex());
    QCOMPARE(ReadAll(Path("SesLog.bak")), original);
    QVERIFY(!QFile::exists(Path("SesLog.new")));
    QCOMPARE(report.kept, kept.size());
    QCOMPARE(report.dropped, qsizetype(SessionRecords().size()) - kept.size());
    QVERIFY(report.replace.backedUp);
    // 4 before, 2 more at the first dropped record, 1 after the scan, the maximum at the end.
    QCOMPARE(bar.Values(), (std::vector<std::int32_t>{4, 6, 7, 10}));
}

void TestMaintenance::spanTestAgreesWithConversion_data()
{
    QTest::addColumn<DateTime>("start");
    QTest::addColumn<DateTime>("end");
    // clang-format off
    QTest::newRow("within a day")       << At(2024, 3, 4, 9, 59, 52)    << At(2024, 3, 4, 10, 30, 6);
    QTest::newRow("across midnight")    << At(2024, 3, 4, 23, 59, 58)   << At(2024, 3, 5, 0, 0, 3);
    QTest::newRow("across the epoch")   << At(1899, 12, 29, 23, 59, 50) << At(1899, 12, 30, 0, 0, 10);
    QTest::newRow("to the last second") << At(9999, 12, 31, 23, 59, 50) << DateTime{At(9999, 12, 31, 23, 59, 59).seconds + 4};
    QTest::newRow("end before start")   << At(2024, 3, 4, 11, 0, 0)     << At(2024, 3, 4, 10, 0, 0);
    // clang-format on
}

// The prepared test must agree with converting each time, on the doubles next to every edge.
void TestMaintenance::spanTestAgreesWithConversion()
{
    QFETCH(DateTime, start);
    QFETCH(DateTime, end);
    const DeletionSpan span{start, end};
    const SpanTest test(span);
    std::vector<double> candidates = {0.0,
                                      -0.0,
                                      -1.25,
                                      1e300,
                                      -1e300,
                                      std::numeric_limits<double>::quiet_NaN(),
                                      std::numeric_limits<double>::infinity()};
    for (const DateTime edge : {start, end}) {
        for (const double shift : {-1.0, -0.5, 0.0, 0.5, 1.0}) {
            double d = ToDayCount(edge) + shift / 86400.0;
            double up = d;
            double down = d;
            for (int step = 0; step < 64; ++step) {
                candidates.push_back(up = std::nextafter(up, 1e300));
                candidates.push_back(down = std::nextafter(down, -1e300));
            }
            candidates.push_back(d);
        }
    }
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> around(ToDayCount(start) - 1.0, ToDayCount(end) + 1.0);
    for (int i = 0; i < 100000; ++i)
        candidates.push_back(around(rng));
    for (const double d : candidates) {
        LogEvent event;
        event.dtTime = d;
        if (test.Contains(d) != InSpan(event, span))
            QFAIL(qPrintable(QStringLiteral("day count %1").arg(d, 0, 'g', 17)));
    }
}

void TestMaintenance::failedDeletionChangesNothing_data()
{
    QTest::addColumn<bool>("withLog");
    QTest::addColumn<QString>("blocked"); // a folder in the place of this file
    // clang-format off
    QTest::newRow("no log")                  << false << QString();
    QTest::newRow("new log cannot be made")  << true  << QStringLiteral("SesLog.new");
    QTest::newRow("backup cannot be freed")  << true  << QStringLiteral("SesLog.bak");
    // clang-format on
}

void TestMaintenance::failedDeletionChangesNothing()
{
    QFETCH(bool, withLog);
    QFETCH(QString, blocked);
    const QByteArray original = SessionRecords()[1] + SessionRecords()[2];
    if (withLog)
        QVERIFY(WriteAll(Path("SesLog.log"), original));
    if (blocked.isEmpty())
        QVERIFY(WriteAll(Path("SesLog.bak"), "an older backup"));
    else
        QVERIFY(QDir(Folder()).mkpath(blocked + "/inside"));

    DeletionReport report;
    const DeletionSpan span{At(2024, 3, 4), At(2024, 3, 5)};
    QVERIFY(!DeletePeriod(Folder(), span, nullptr, &report));
    QVERIFY(!report.replace.error.isEmpty());
    QVERIFY(!report.replace.logOnlyInBackup);
    QCOMPARE(QFile::exists(Path("SesLog.log")), withLog);
    if (withLog)
        QCOMPARE(ReadAll(Path("SesLog.log")), original);
    if (blocked.isEmpty())
        QCOMPARE(ReadAll(Path("SesLog.bak")), QByteArray("an older backup"));
    if (blocked != QLatin1String("SesLog.new"))
        QVERIFY(!QFile::exists(Path("SesLog.new")));
}

void TestMaintenance::clearDeletesOnlyTheLog()
{
    UpdateSettings settings;
    settings.programDir = Folder();
    settings.windowsDir = Path("windows");
    QVERIFY(QDir().mkpath(settings.windowsDir));
    const QString data = QDir(settings.windowsDir).filePath("Dtally.dat");
    QVERIFY(WriteAll(Path("SesLog.log"), SessionRecords()[0]));
    QVERIFY(WriteAll(Path("SesLog.bak"), "an older backup"));
    QVERIFY(WriteAll(data, "\"03-04-2024 10:00:00.00 - IPCP : Layer up.\"\r\n"));
    QString error;
    QVERIFY2(ClearSessionLog(settings, &error), qPrintable(error));
    QVERIFY(!QFile::exists(Path("SesLog.log")));
    QCOMPARE(ReadAll(Path("SesLog.bak")), QByteArray("an older backup"));
    QVERIFY(QFile::exists(data));
    // Nothing left to clear: the command fails and says why.
    QVERIFY(!ClearSessionLog(settings, &error));
    QVERIFY2(error.contains("SesLog.log"), qPrintable(error));
}

// The editor saves what it shows even when the log is gone meanwhile; the backup of an earlier
// log then stays as it is.
void TestMaintenance::replacementWithoutLogKeepsBackup()
{
    QVERIFY(WriteAll(Path("SesLog.bak"), "an older backup"));
    const LogEvent event = MakeEvent(At(1998, 12, 16, 10, 14, 40), 101, 123456);
    ReplaceResult result;
    QVERIFY2(ReplaceSessionLog(Folder(), std::span(&event, 1), &result), qPrintable(result.error));
    QVERIFY(!result.backedUp);
    QCOMPARE(ReadAll(Path("SesLog.log")).toHex(), QByteArray("fe36c5a82da6e140650040e20100"));
    QCOMPARE(ReadAll(Path("SesLog.bak")), QByteArray("an older backup"));
}

QTEST_GUILESS_MAIN(TestMaintenance)
#include "test_maintenance.moc"
