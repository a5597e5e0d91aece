#include "analysis/export.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace dialtally;

namespace {

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return *MakeDateTime(y, mo, d, h, mi, s);
}

// Two sessions as the session list holds them after the load: the up times already moved
// earlier by an allowance of 30 s, durations filled, costs priced or left empty.
SessionList TwoSessions(bool costs)
{
    SessionList sessions(2);
    sessions[0].vUp = At(2024, 1, 10, 9, 59, 30);
    sessions[0].vDown = At(2024, 1, 10, 10, 10, 0);
    sessions[0].lDur = 630;
    sessions[0].lTx = 1000;
    sessions[0].lRx = 5000;
    sessions[1].vUp = At(2024, 12, 31, 23, 30, 0);
    sessions[1].vDown = At(2025, 1, 1, 0, 15, 5);
    sessions[1].lDur = 2705;
    sessions[1].lTx = 300000;
    sessions[1].lRx = 2000000;
    if (costs) {
        sessions[0].vCommCost = 1.5;
        sessions[0].vServCost = 0.1 + 0.2; // a sum with noise in its last digits
        sessions[1].vCommCost = 12.3456;
        sessions[1].vServCost = 0.0;
    }
    return sessions;
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

Q_DECLARE_METATYPE(SessionList)

class TestExport : public QObject {
    Q_OBJECT
private slots:
    void init();
    void matchesFileWrittenByHand_data();
    void matchesFileWrittenByHand();
    void plainNumberText_data();
    void plainNumberText();
    void periodWritesOnlyItsSessions();
    void failuresNameFileAndReason_data();
    void failuresNameFileAndReason();

private:
    QString Path(const char* name) const { return QDir(m_dir->path()).filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestExport::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestExport::matchesFileWrittenByHand_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<bool>("costs");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray header = "Up date\tUp time\tDown date\tDown time\tDuration [s]\t"
                              "Transmitted data [byte]\tReceived data [byte]\t"
                              "Communication costs\tService costs\r\n";
    const QLocale british(QLocale::English, QLocale::UnitedKingdom);
    QTest::newRow("both costs on")
        << british << true
        << header +
               "10/01/2024\t09:59:30\t10/01/2024\t10:10:00\t630\t1000\t5000\t1.5\t 0.3 \r\n"
               "31/12/2024\t23:30:00\t01/01/2025\t00:15:05\t2705\t300000\t2000000\t12.3456\t 0 "
               "\r\n";
    QTest::newRow("both costs off")
        << british << false
        << header + "10/01/2024\t09:59:30\t10/01/2024\t10:10:00\t630\t1000\t5000\t\t\r\n"
                    "31/12/2024\t23:30:00\t01/01/2025\t00:15:05\t2705\t300000\t2000000\t\t\r\n";
    // The locale's own letters go out in UTF-8, the 8-bit encoding of the Linux desktop.
    QTest::newRow("letters beyond ASCII")
        << QLocale(QLocale::Bulgarian, QLocale::Bulgaria) << false
        << header + "10.01.2024 \xd0\xb3.\t9:59:30 \xd1\x87.\t10.01.2024 \xd0\xb3.\t"
                    "10:10:00 \xd1\x87.\t630\t1000\t5000\t\t\r\n"
                    "31.12.2024 \xd0\xb3.\t23:30:00 \xd1\x87.\t1.01.2025 \xd0\xb3.\t"
                    "0:15:05 \xd1\x87.\t2705\t300000\t2000000\t\t\r\n";
    QTest::newRow("decimal comma")
        << QLocale(QLocale::German, QLocale::Germany) << true
        << header + "10.01.2024\t09:59:30\t10.01.2024\t10:10:00\t630\t1000\t"
                    "5000\t1,5\t 0,3 \r\n"
                    "31.12.2024\t23:30:00\t01.01.2025\t00:15:05\t2705\t"
                    "300000\t2000000\t12,3456\t 0 \r\n";
}

void TestExport::matchesFileWrittenByHand()
{
    QFETCH(QLocale, locale);
    QFETCH(bool, costs);
    QFETCH(QByteArray, expected);
    const QString path = Path("export.txt");
    // An existing file is replaced as a whole.
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(4096, 'x'));
    old.close();
    QString error;
    const SessionList sessions = TwoSessions(costs);
    QVERIFY2(ExportText(path, sessions, 0, 1, &error, locale), qPrintable(error));
    QCOMPARE(ReadAll(path), expected);
}

void TestExport::plainNumberText_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    // clang-format off
    QTest::newRow("whole number")          << english << 7.0            << "7";
    QTest::newRow("four decimals")         << english << 0.0001         << "0.0001";
    QTest::newRow("no exponent")           << english << 0.00001        << "0.00001";
    QTest::newRow("no thousands")          << english << 1234567.25     << "1234567.25";
    QTest::newRow("noise of a sum")        << english << 0.1 + 0.2      << "0.3";
    QTest::newRow("unrounded")             << english << 2.0 / 3.0      << "0.666666666666667";
    QTest::newRow("decimal comma")         << german  << 1.5            << "1,5";
    QTest::newRow("comma, no thousands")   << german  << 1234567.25     << "1234567,25";
    // clang-format on
}

void TestExport::plainNumberText()
{
    QFETCH(QLocale, locale);
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(PlainNumberText(value, locale), text);
}

void TestExport::periodWritesOnlyItsSessions()
{
    SessionList sessions = TwoSessions(false);
    sessions.insert(sessions.begin(), sessions[1]);
    Statistics period;
    period.fSelection = true;
    period.iFirst = 1;
    period.iLast = 1;
    const SessionRange range = ShownRange(sessions, period);
    const QString path = Path("period.txt");
    const QLocale german(QLocale::German, QLocale::Germany);
    QVERIFY(ExportText(path, sessions, range.from, range.to, nullptr, german));
    const QList<QByteArray> lines = ReadAll(path).split('\n');
    QCOMPARE(lines.size(), 3); // header, one session, nothing after the last CR LF
    QVERIFY(lines[1].startsWith("10.01.2024\t09:59:30\t"));

    period.fSelection = false;
    const SessionRange whole = ShownRange(sessions, period);
    QCOMPARE(whole.from, 0);
    QCOMPARE(whole.to, 2);
}

void TestExport::failuresNameFileAndReason_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<SessionList>("sessions");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QByteArray>("written");
    SessionList brokenSecond = TwoSessions(false);
    brokenSecond[1].vDown.reset();
    const QByteArray header = "Up date\tUp time\tDown date\tDown time\tDuration [s]\t"
                              "Transmitted data [byte]\tReceived data [byte]\t"
                              "Communication costs\tService costs\r\n";
    // clang-format off
    QTest::newRow("empty log")          << "out.txt"          << SessionList(1) << "the log holds no session"
                                        << header;
    QTest::newRow("no disconnect time") << "out.txt"          << brokenSecond   << "the session with index 1 has no disconnect time"
                                        << header + "10.01.2024\t09:59:30\t10.01.2024\t10:10:00\t630\t1000\t5000\t\t\r\n";
    QTest::newRow("no such folder")     << "missing/out.txt"  << TwoSessions(false) << "No such file or directory"
                                        << QByteArray();
    // clang-format on
}

void TestExport::failuresNameFileAndReason()
{
    QFETCH(QString, file);
    QFETCH(SessionList, sessions);
    QFETCH(QString, reason);
    QFETCH(QByteArray, written);
    const QString path = QDir(m_dir->path()).filePath(file);
    QString error;
    QVERIFY(!ExportText(path, sessions, 0, static_cast<SessionIndex>(sessions.size()) - 1, &error,
                        QLocale(QLocale::German, QLocale::Germany)));
    QVERIFY2(error.contains(QDir::toNativeSeparators(path)), qPrintable(error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QCOMPARE(ReadAll(path), written);
}

QTEST_GUILESS_MAIN(TestExport)
#include "test_export.moc"
