#include "log/ledger.h"
#include "log/pppd.h"
#include "log/pppddelivery.h"

#include <QtTest>

using namespace dialtally;

namespace {

DateTime At(int year, int month, int day, int hour, int minute, int second)
{
    return *MakeDateTime(year, month, day, hour, minute, second);
}

const DateTime kNow = At(2025, 1, 10, 12, 0, 0);

// The zone of these tests: one hour east of UTC, no summer time.
DateTime PlusOneHour(std::int64_t unixSeconds)
{
    return DateTime{unixSeconds + 25569 * kSecondsPerDay + 3600};
}

QString Text(const std::optional<PppdLine>& line)
{
    if (!line)
        return QStringLiteral("not pppd's");
    return QStringLiteral("%1 %2 %3")
        .arg(QString::fromStdString(FormatIsoDateTime(line->time, 'T')))
        .arg(line->pid)
        .arg(QString::fromUtf8(line->message.data(), static_cast<qsizetype>(line->message.size())));
}

QString Text(const std::vector<PppdConnection>& connections)
{
    QStringList texts;
    for (const PppdConnection& c : connections) {
        texts << QStringLiteral("%1 %2-%3 %4/%5")
                     .arg(c.pid)
                     .arg(QString::fromStdString(FormatIsoDateTime(c.up, 'T')))
                     .arg(QString::fromStdString(FormatIsoDateTime(c.down, 'T')))
                     .arg(c.sent ? QString::number(*c.sent) : QStringLiteral("-"))
                     .arg(c.received ? QString::number(*c.received) : QStringLiteral("-"));
    }
    return texts.join(QStringLiteral("; "));
}

} // namespace

class TestPppdTranslator : public QObject {
    Q_OBJECT

private slots:
    void parseLine_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("reference");
        QTest::addColumn<QString>("parsed");

        // clang-format off
        QTest::newRow("syslog")                       << QByteArray("Dec 11 09:00:05 host pppd[42]: Connect: ppp0 <--> /dev/ttyS0")      << "2024-12-12T00:00:00" << "2024-12-11T09:00:05 42 Connect: ppp0 <--> /dev/ttyS0";
        QTest::newRow("day padded with a blank")      << QByteArray("Jan  2 00:00:01 host pppd[42]: Exit.")                              << "2024-12-12T00:00:00" << "2024-01-02T00:00:01 42 Exit.";
        QTest::newRow("December read in January")     << QByteArray("Dec 31 23:59:59 host pppd[42]: Exit.")                              << "2025-01-01T00:10:00" << "2024-12-31T23:59:59 42 Exit.";
        QTest::newRow("up to a day after the file")   << QByteArray("Jan 11 11:00:00 host pppd[42]: Exit.")                              << "2025-01-10T12:00:00" << "2025-01-11T11:00:00 42 Exit.";
        QTest::newRow("short-precise")                << QByteArray("Dec 11 09:00:05.123456 host pppd[42]: Exit.")                       << "2024-12-12T00:00:00" << "2024-12-11T09:00:05 42 Exit.";
        QTest::newRow("facility before the tag")      << QByteArray("Dec 11 09:00:05 host daemon.notice pppd[42]: Exit.")                << "2024-12-12T00:00:00" << "2024-12-11T09:00:05 42 Exit.";
        QTest::newRow("tag without a process id")     << QByteArray("Dec 11 09:00:05 host pppd: Exit.")                                  << "2024-12-12T00:00:00" << "2024-12-11T09:00:05 0 Exit.";
        QTest::newRow("RFC 3339 in UTC")              << QByteArray("2024-12-11T08:00:05.5Z host pppd[42]: Exit.")                       << "2024-12-12T00:00:00" << "2024-12-11T09:00:05 42 Exit.";
        QTest::newRow("RFC 3339, two hours east")     << QByteArray("2024-12-11T10:00:05+02:00 host pppd[42]: Exit.")                    << "2024-12-12T00:00:00" << "2024-12-11T09:00:05 42 Exit.";
        QTest::newRow("journal short-iso, +0100")     << QByteArray("2024-12-11T09:00:05+0100 host pppd[42]: Exit.")                     << "2024-12-12T00:00:00" << "2024-12-11T09:00:05 42 Exit.";
        QTest::newRow("RFC 3339 without a zone")      << QByteArray("2024-12-11T09:00:05 host pppd[42]: Exit.")                          << "2024-12-12T00:00:00" << "2024-12-11T09:00:05 42 Exit.";
        QTest::newRow("pppd's own logfile")           << QByteArray("Connect: ppp0 <--> /dev/ttyS0\r")                                   << "2024-12-12T00:00:00" << "2025-01-10T12:00:00 0 Connect: ppp0 <--> /dev/ttyS0";
        QTest::newRow("logfile line with a tag")      << QByteArray("pppd[7]: Exit.")                                                    << "2024-12-12T00:00:00" << "2025-01-10T12:00:00 7 Exit.";
        QTest::newRow("another program")              << QByteArray("Dec 11 09:00:05 host chat[43]: Connect: ppp0 <--> /dev/ttyS0")      << "2024-12-12T00:00:00" << "not pppd's";
        QTest::newRow("pppd named in the message")    << QByteArray("Dec 11 09:00:05 host NetworkManager[9]: <info> spawn pppd[42]: x") << "2024-12-12T00:00:00" << "not pppd's";
        QTest::newRow("bad process id")               << QByteArray("Dec 11 09:00:05 host pppd[4x]: Exit.")                              << "2024-12-12T00:00:00" << "not pppd's";
        QTest::newRow("stamp without anything after") << QByteArray("Dec 11 09:00:05")                                                   << "2024-12-12T00:00:00" << "not pppd's";
        // clang-format on
    }

    void parseLine()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, reference);
        QFETCH(QString, parsed);
        const QDateTime ref = QDateTime::fromString(reference, Qt::ISODate);
        const ReadingTimes times{kNow, At(ref.date().year(), ref.date().month(), ref.date().day(),
                                          ref.time().hour(), ref.time().minute(), 0)};
        QCOMPARE(Text(ParsePppdLine(line.toStdString(), times, PlusOneHour)), parsed);
    }

    // What the excerpts of the process tests do not show: pppd's own logfile, a pppd that keeps
    // its link up with persist, and the marks that hold the logger's place.
    void connections_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("endOfSource");
        QTest::addColumn<QString>("complete");
        QTest::addColumn<int>("earliestOpen"); // line index, -1 for none

        const QString p = QStringLiteral("Mar  1 %1 host pppd[5]: %2");
        // clang-format off
        QTest::newRow("logfile: read now, complete at the byte line")
            << QStringList{"Connect: ppp0 <--> /dev/ttyS0", "Connection terminated.", "Connect time 0.0 minutes.",
                           "Sent 1 bytes, received 2 bytes."}
            << false << "0 2025-01-10T12:00:00-2025-01-10T12:00:00 1/2" << -1;
        QTest::newRow("persist: the next Connect ends the one before")
            << QStringList{p.arg("10:00:00", "Connect: ppp0 <--> /dev/ttyS0"), p.arg("10:30:00", "Modem hangup"),
                           p.arg("10:31:00", "Connect: ppp0 <--> /dev/ttyS0")}
            << false << "5 2024-03-01T10:00:00-2024-03-01T10:31:00 -/-" << 2;
        QTest::newRow("open: its Connect line holds the place")
            << QStringList{"Mar  1 09:00:00 host cron[1]: x", p.arg("10:00:00", "Connect: ppp0 <--> /dev/ttyS0"),
                           "Mar  1 11:00:00 host cron[1]: y"}
            << false << "" << 1;
        QTest::newRow("terminated, waiting for its byte line")
            << QStringList{p.arg("10:00:00", "Connect: ppp0 <--> /dev/ttyS0"), p.arg("10:30:00", "Connection terminated."),
                           p.arg("10:30:04", "Connect time 30.0 minutes.")}
            << false << "" << 0;
        QTest::newRow("the end of a source read once completes it")
            << QStringList{p.arg("10:00:00", "Connect: ppp0 <--> /dev/ttyS0"), p.arg("10:30:00", "Connection terminated.")}
            << true << "5 2024-03-01T10:00:00-2024-03-01T10:30:00 -/-" << -1;
        QTest::newRow("but not one still up")
            << QStringList{p.arg("10:00:00", "Connect: ppp0 <--> /dev/ttyS0")}
            << true << "" << 0;
        QTest::newRow("closing lines without their end are dropped")
            << QStringList{p.arg("10:30:00", "Connect time 30.0 minutes."), p.arg("10:30:01", "Sent 5 bytes, received 6 bytes."),
                           p.arg("10:30:02", "Exit.")}
            << false << "" << -1;
        QTest::newRow("closing lines alone without their length are dropped")
            << QStringList{p.arg("10:30:00", "Connection terminated."), p.arg("10:30:01", "Sent 5 bytes, received 6 bytes."),
                           p.arg("10:30:02", "Exit.")}
            << false << "" << -1;
        QTest::newRow("unparsable byte line: none")
            << QStringList{p.arg("10:00:00", "Connect: ppp0 <--> /dev/ttyS0"), p.arg("10:30:00", "Sent lots of bytes."),
                           p.arg("10:30:00", "Connection terminated."), p.arg("10:30:01", "Exit.")}
            << false << "5 2024-03-01T10:00:00-2024-03-01T10:30:00 -/-" << -1;
        // clang-format on
    }

    void connections()
    {
        QFETCH(QStringList, lines);
        QFETCH(bool, endOfSource);
        QFETCH(QString, complete);
        QFETCH(int, earliestOpen);
        PppdTranslator translator(PlusOneHour);
        const ReadingTimes times{kNow, kNow};
        for (int i = 0; i < lines.size(); ++i)
            translator.Take(lines[i].toStdString(), 100 + i, times);
        if (endOfSource)
            translator.EndOfSource();
        QCOMPARE(Text(translator.TakeComplete()), complete);
        const auto mark = translator.EarliestOpenMark();
        QCOMPARE(mark ? static_cast<int>(*mark - 100) : -1, earliestOpen);
    }

    void ledgerLines()
    {
        const LedgerEntry entry{4120, At(2024, 12, 11, 9, 0, 5), At(2024, 12, 11, 10, 2, 7)};
        QCOMPARE(LedgerLine(entry), std::string("4120 2024-12-11T09:00:05 2024-12-11T10:02:07\n"));
        QCOMPARE(ParseLedgerLine(LedgerLine(entry)), std::optional(entry));
        for (const char* bad : {"", "4120", "-1 2024-12-11T09:00:05 2024-12-11T10:02:07",
                                "4120 2024-12-11T09:00:05  2024-12-11T10:02:07",
                                "4120 2024-02-30T09:00:05 2024-12-11T10:02:07",
                                "4120 2024-12-11 09:00:05 2024-12-11T10:02:07", "x 2024-12-11T0"})
            QVERIFY2(!ParseLedgerLine(bad), bad);
    }

    void sameConnection_data()
    {
        QTest::addColumn<int>("pidA");
        QTest::addColumn<int>("upA");
        QTest::addColumn<int>("downA");
        QTest::addColumn<int>("pidB");
        QTest::addColumn<int>("upB");
        QTest::addColumn<int>("downB");
        QTest::addColumn<bool>("same");
        // Minutes of one day.
        // clang-format off
        QTest::newRow("read twice")                         << 7 << 60 << 90 << 7 << 60 << 90 << true;
        QTest::newRow("the hook: up when the link came up") << 7 << 60 << 90 << 7 << 61 << 89 << true;
        QTest::newRow("rebuilt from its length")            << 7 << 60 << 90 << 7 << 59 << 90 << true;
        QTest::newRow("rebuilt, of no length")              << 7 << 60 << 61 << 7 << 61 << 61 << true;
        QTest::newRow("next connection of a persist pppd")  << 7 << 60 << 90 << 7 << 90 << 95 << false;
        QTest::newRow("another pppd at the same time")      << 7 << 60 << 90 << 8 << 60 << 90 << false;
        QTest::newRow("a logfile without process ids")      << 0 << 60 << 90 << 8 << 61 << 89 << true;
        QTest::newRow("of zero length, read twice")         << 7 << 60 << 60 << 7 << 60 << 60 << true;
        QTest::newRow("later")                              << 7 << 60 << 90 << 7 << 100 << 120 << false;
        // clang-format on
    }

    void sameConnection()
    {
        QFETCH(int, pidA);
        QFETCH(int, upA);
        QFETCH(int, downA);
        QFETCH(int, pidB);
        QFETCH(int, upB);
        QFETCH(int, downB);
        QFETCH(bool, same);
        const auto minute = [](int m) { return At(2024, 5, 1, m / 60, m % 60, 0); };
        const LedgerEntry a{pidA, minute(upA), minute(downA)};
        const LedgerEntry b{pidB, minute(upB), minute(downB)};
        QCOMPARE(SameConnection(a, b), same);
        QCOMPARE(SameConnection(b, a), same);
    }

    void adapterLineIsReadBackAsWritten()
    {
        PppdConnection connection;
        connection.up = At(2024, 12, 11, 9, 0, 5);
        connection.down = At(2024, 12, 11, 10, 2, 7);
        connection.received = 7;
        const Delivery delivery =
            DeliveryOf(connection, {Dialect::Windows98, AdapterLanguage::Finnish});
        QCOMPARE(
            delivery.fields,
            std::string(
                "\"12-11-2024 09:00:05.00 - Microsoft Puhelinverkkosovittimen loki avattu.\"\r\n"
                "\"12-11-2024 10:02:07.00 - Vastaanotettuja tavuja 7\"\r\n"
                "\"12-11-2024 10:02:07.00 - Microsoft Puhelinverkkosovittimen loki "
                "suljettu.\"\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestPppdTranslator)
#include "test_pppdtranslator.moc"
