#include "log/oldlog.h"
#include "log/oldlogimport.h"
#include "log/sessionlog.h"
#include "support/memoryprogressbar.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace dialtally;

namespace {

// The two entries of an old log and the records they become, written by hand: 16 December 1998
// 10:14:40 code 1 value 0, and 10:45:00 code 101 value 123456.
const QByteArray kTwoEntries = "#1998-12-16 10:14:40#,\"Remote access driver log opened.\"\r\n"
                               "#1998-12-16 10:45:00#,\"Bytes Received 123456\"\r\n";
const QByteArray kTwoRecords = QByteArray::fromHex("fe36c5a82da6e140"
                                                   "0100"
                                                   "00000000"
                                                   "555555552ea6e140"
                                                   "6500"
                                                   "40e20100");

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// "time code value" of every record, separated by "; ".
QString Events(const QByteArray& log)
{
    QStringList parts;
    for (qsizetype at = 0; at + 14 <= log.size(); at += 14) {
        const LogEvent event =
            DecodeRecord(reinterpret_cast<const unsigned char*>(log.data() + at));
        const auto time = EventTime(event);
        parts << QStringLiteral("%1 %2 %3")
                     .arg(time ? QString::fromStdString(FormatIsoDateTime(*time))
                               : QStringLiteral("-"))
                     .arg(event.iCode)
                     .arg(event.lValue);
    }
    return parts.join(QStringLiteral("; "));
}

QString Iso(const std::optional<DateTime>& time)
{
    return time ? QString::fromStdString(FormatIsoDateTime(*time)) : QStringLiteral("none");
}

RegionalDateForm Form(const char* name)
{
    RegionalDateForm form;
    const QByteArray which(name);
    if (which == "de") {
        form.order = RegionalDateForm::Order::DayMonthYear;
    } else if (which == "fi") {
        form.order = RegionalDateForm::Order::DayMonthYear;
        form.timeSeparator = '.';
        form.am = "ap.";
        form.pm = "ip.";
    } else if (which == "ja") {
        form.order = RegionalDateForm::Order::YearMonthDay;
    }
    return form;
}

// A file size limit for the process while it lives, so that a write beyond it fails with EFBIG
// as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved{};
    void (*m_handler)(int) = nullptr;
};

} // namespace

class TestOldLog : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString ProgramDir() const { return m_dir.filePath(QStringLiteral("program")); }
    QString WindowsDir() const { return m_dir.filePath(QStringLiteral("windows")); }
    QString InProgram(const QString& name) const { return QDir(ProgramDir()).filePath(name); }
    QString OldLog() const { return InProgram(kOldLogName); }
    QString SesLog() const { return InProgram(kSessionLogName); }
    QString Retired() const { return InProgram(kRetiredLogName); }
    QString Temp() const { return InProgram(kTempLogName); }
    QString Journal() const { return InProgram(kImportJournalName); }

    UpdateSettings Settings() const
    {
        return UpdateSettings{WindowsDir(), ProgramDir(), Dialect::Windows98, [](int) {}};
    }

    // The files of the program folder, name and content, for comparing whole states.
    QMap<QString, QByteArray> Files() const
    {
        QMap<QString, QByteArray> files;
        for (const QString& name : QDir(ProgramDir()).entryList(QDir::Files))
            files.insert(name, ReadFile(InProgram(name)));
        return files;
    }

    // N records of the current log: code 101 with values 1..n, a minute apart.
    static QByteArray CurrentRecords(int n)
    {
        QByteArray bytes;
        for (int i = 1; i <= n; ++i) {
            const LogRecordBytes record =
                EncodeRecord(MakeEvent(*MakeDateTime(2026, 1, 1, 12, i), 101, i));
            bytes.append(reinterpret_cast<const char*>(record.data()), 14);
        }
        return bytes;
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QDir(ProgramDir()).removeRecursively();
        QDir(WindowsDir()).removeRecursively();
        QVERIFY(QDir().mkpath(ProgramDir()));
        QVERIFY(QDir().mkpath(WindowsDir()));
    }

    void times_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QByteArray>("form");
        QTest::addColumn<QString>("time");

        // clang-format off
        QTest::newRow("literal")                 << QByteArray("#1998-12-16 10:14:40#") << QByteArray("us") << "1998-12-16 10:14:40";
        QTest::newRow("literal at midnight")     << QByteArray("#1998-12-16#")          << QByteArray("de") << "1998-12-16 00:00:00";
        QTest::newRow("literal time of day 0")   << QByteArray("#10:14:40#")            << QByteArray("us") << "1899-12-30 10:14:40";
        QTest::newRow("literal, blanks around")  << QByteArray("  #1998-12-16 10:14#  ") << QByteArray("us") << "1998-12-16 10:14:00";
        QTest::newRow("iso text")                << QByteArray("1998-12-16T10:14:40")   << QByteArray("de") << "1998-12-16 10:14:40";
        QTest::newRow("us with PM")              << QByteArray("12/16/1998 1:14:40 PM") << QByteArray("us") << "1998-12-16 13:14:40";
        QTest::newRow("us 12 AM is midnight")    << QByteArray("12/16/98 12:05 am")     << QByteArray("us") << "1998-12-16 00:05:00";
        QTest::newRow("german, two-digit year")  << QByteArray("16.12.98 10:14:40")     << QByteArray("de") << "1998-12-16 10:14:40";
        QTest::newRow("german 2029 window")      << QByteArray("1.3.29")                << QByteArray("de") << "2029-03-01 00:00:00";
        QTest::newRow("finnish time separator")  << QByteArray("16.12.1998 10.14.40")   << QByteArray("fi") << "1998-12-16 10:14:40";
        QTest::newRow("finnish ip.")             << QByteArray("16.12.1998 1.14 ip.")   << QByteArray("fi") << "1998-12-16 13:14:00";
        QTest::newRow("year first")              << QByteArray("1998/12/16 10:14")      << QByteArray("ja") << "1998-12-16 10:14:00";
        QTest::newRow("day not in month")        << QByteArray("#1998-02-29#")          << QByteArray("us") << "none";
        QTest::newRow("hour 24")                 << QByteArray("#1998-12-16 24:00:00#") << QByteArray("us") << "none";
        QTest::newRow("day order of the region") << QByteArray("16/12/1998")            << QByteArray("us") << "none";
        QTest::newRow("mixed separators")        << QByteArray("12/16.1998")            << QByteArray("us") << "none";
        QTest::newRow("PM on a 24-hour time")    << QByteArray("12/16/1998 13:00 PM")   << QByteArray("us") << "none";
        QTest::newRow("three-digit year")        << QByteArray("16.12.998")             << QByteArray("de") << "none";
        QTest::newRow("a number")                << QByteArray("36145")                 << QByteArray("us") << "none";
        QTest::newRow("month name")              << QByteArray("16 Dec 1998")           << QByteArray("us") << "none";
        QTest::newRow("text after the time")     << QByteArray("12/16/1998 10:14 x")    << QByteArray("us") << "none";
        QTest::newRow("empty")                   << QByteArray("")                      << QByteArray("us") << "none";
        // clang-format on
    }

    void times()
    {
        QFETCH(QByteArray, field);
        QFETCH(QByteArray, form);
        QFETCH(QString, time);
        QCOMPARE(Iso(OldLogTime(field.toStdString(), Form(form.constData()))), time);
    }

    void regionalFormsOfLocales()
    {
        const RegionalDateForm us = RegionalDateForm::FromLocale(QLocale(QStringLiteral("en_US")));
        QCOMPARE(us.order, RegionalDateForm::Order::MonthDayYear);
        const RegionalDateForm de = RegionalDateForm::FromLocale(QLocale(QStringLiteral("de_DE")));
        QCOMPARE(de.order, RegionalDateForm::Order::DayMonthYear);
        QCOMPARE(de.timeSeparator, ':');
        // What the locale writes, the import reads back.
        for (const char* name : {"en_US", "de_DE", "fi_FI", "ja_JP", "hu_HU"}) {
            const QLocale locale{QString::fromLatin1(name)};
            const QDateTime when(QDate(1998, 12, 16), QTime(13, 14));
            const QByteArray text = locale.toString(when, QLocale::ShortFormat).toUtf8();
            QVERIFY2(OldLogTime(text.toStdString(), RegionalDateForm::FromLocale(locale)),
                     text.constData());
            QCOMPARE(Iso(OldLogTime(text.toStdString(), RegionalDateForm::FromLocale(locale))),
                     QStringLiteral("1998-12-16 13:14:00"));
        }
    }

    void lines_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("entry");

        // clang-format off
        QTest::newRow("quoted message")        << QByteArray("#1998-12-16 10:14:40#,\"CRC Errors 0\"")       << "1998-12-16 10:14:40|CRC Errors 0";
        QTest::newRow("comma inside quotes")   << QByteArray("#1998-12-16 10:14:40#,\"a, b\" ,\"c\"")       << "1998-12-16 10:14:40|a, b";
        QTest::newRow("bare message cut")      << QByteArray("  #1998-12-16 10:14:40# , a, b")               << "1998-12-16 10:14:40|a";
        QTest::newRow("quoted regional date")  << QByteArray("\"12/16/1998 10:14:40 AM\",\"x\"")             << "1998-12-16 10:14:40|x";
        QTest::newRow("date alone")            << QByteArray("#1998-12-16 10:14:40#")                        << "1998-12-16 10:14:40|";
        QTest::newRow("no date")               << QByteArray("Remote access driver log opened.,x")           << "none";
        QTest::newRow("message first")         << QByteArray("\"Bytes Received 5\",#1998-12-16 10:14:40#")   << "none";
        // clang-format on
    }

    void lines()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, entry);
        DateTime time;
        std::string_view message;
        const std::string bytes = line.toStdString();
        const bool ok = ParseOldLogLine(bytes, Form("us"), time, message);
        QCOMPARE(ok ? Iso(time) + QLatin1Char('|') +
                          QString::fromLatin1(message.data(), qsizetype(message.size()))
                    : QStringLiteral("none"),
                 entry);
    }

    // The bar runs to a fortieth of the file's length and is set every tenth of that.
    void progress_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("padding");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("value");

        // A line of 40 bytes: "#1998-12-16 10:14:40#,\"CRC Errors 0\"" and 2 blanks and CR LF.
        // clang-format off
        QTest::newRow("under 240 bytes: every entry") << 3  << 0   << 3   << 3;
        QTest::newRow("every tenth of 25")            << 25 << 0   << 25  << 24; // interval 2 (2.5 to even)
        QTest::newRow("every tenth of 100")           << 25 << 3000 << 100 << 20;
        // clang-format on
    }

    void progress()
    {
        QFETCH(int, entries);
        QFETCH(int, padding);
        QFETCH(int, maximum);
        QFETCH(int, value);
        QByteArray text;
        for (int i = 0; i < entries; ++i)
            text += "#1998-12-16 10:14:40#,\"CRC Errors 0\"  \r\n";
        text += QByteArray(padding, ' ');
        QVERIFY(WriteFile(OldLog(), text));
        MemoryProgressBar bar;
        OldLogCounts counts;
        QVERIFY(ReadOldLog(
            OldLog(), &bar, Form("us"), [](DateTime, std::string_view) { return true; }, &counts));
        QCOMPARE(counts.entries, entries);
        QCOMPARE(bar.Max(), maximum);
        QCOMPARE(bar.Value(), value);
    }

    // Small blocks and a short longest line give the same entries: lines meet the block edges,
    // and a line too long is skipped wherever it ends.
    void blockEdges()
    {
        const QByteArray text = "#1998-12-16 10:14:40#,\"Bytes Received 1\"\r\n" +
                                QByteArray(300, 'x') +
                                "\r\n#1998-12-16 10:14:41#,\"Bytes Received 2\"\r" +
                                QByteArray(45, 'y') + "\n#1998-12-16 10:14:42#,\"CRC Errors 3\"";
        QVERIFY(WriteFile(OldLog(), text));
        for (const std::size_t block : {std::size_t{1}, std::size_t{7}, std::size_t{1} << 20}) {
            QStringList entries;
            OldLogCounts counts;
            QVERIFY(ReadOldLog(
                OldLog(), nullptr, Form("us"),
                [&](DateTime time, std::string_view message) {
                    entries << Iso(time) + QLatin1Char(' ') +
                                   QString::fromLatin1(message.data(), qsizetype(message.size()));
                    return true;
                },
                &counts, nullptr, OldLogReadLimits{block, 44}));
            QCOMPARE(entries, (QStringList{"1998-12-16 10:14:40 Bytes Received 1",
                                           "1998-12-16 10:14:41 Bytes Received 2",
                                           "1998-12-16 10:14:42 CRC Errors 3"}));
            QCOMPARE(counts.skipped, 2);
        }
    }

    void noOldLogChangesNothing()
    {
        QVERIFY(WriteFile(SesLog(), CurrentRecords(2)));
        const auto before = Files();
        QVERIFY(!OldLogExists(ProgramDir()));
        QCOMPARE(ImportOldLogFile(Settings(), nullptr).outcome, ImportOutcome::NoOldLog);
        QCOMPARE(Files(), before);
    }

    void imports_data()
    {
        QTest::addColumn<QByteArray>("oldLog");
        QTest::addColumn<int>("current"); // records of the current log; -1 for none
        QTest::addColumn<QString>("converted");

        const QByteArray undated = "garbage line\r\n"
                                   "#1998-12-16 10:14:40#,\"Remote access driver log opened.\"\r\n"
                                   ",\"Bytes Received 1\"\r\n"
                                   "\r\n"
                                   "#1998-12-16 10:50:00#,\"IPCP : IP address is 0A000001.\"\n"
                                   "#1998-12-16 10:51:00#,\"Unknown message\"\r"
                                   "Bytes Received 2";
        // clang-format off
        QTest::newRow("two entries, no current log") << kTwoEntries << -1 << Events(kTwoRecords);
        QTest::newRow("current log kept behind")     << kTwoEntries << 3  << Events(kTwoRecords);
        QTest::newRow("undated lines anywhere")      << undated     << 1
            << "1998-12-16 10:14:40 1 0; 1998-12-16 10:50:00 203 1";
        QTest::newRow("empty old log")               << QByteArray() << 2 << "";
        // clang-format on
    }

    void imports()
    {
        QFETCH(QByteArray, oldLog);
        QFETCH(int, current);
        QFETCH(QString, converted);
        QVERIFY(WriteFile(OldLog(), oldLog));
        const QByteArray currentLog = current >= 0 ? CurrentRecords(current) : QByteArray();
        if (current >= 0)
            QVERIFY(WriteFile(SesLog(), currentLog));
        QVERIFY(WriteFile(Retired(), "an earlier old log"));
        MemoryProgressBar bar;
        const ImportReport report = ImportOldLogFile(Settings(), &bar, Form("us"));
        QCOMPARE(report.outcome, ImportOutcome::Imported);
        const QByteArray log = ReadFile(SesLog());
        QCOMPARE(log.size() % 14, 0);
        const QByteArray convertedPart = log.left(log.size() - currentLog.size());
        QCOMPARE(Events(convertedPart), converted);
        QCOMPARE(log.right(currentLog.size()), currentLog);
        QCOMPARE(report.currentRecords, std::max(current, 0));
        QCOMPARE(ReadFile(Retired()), oldLog);
        QVERIFY(!OldLogExists(ProgramDir()));
        QVERIFY(!QFile::exists(Temp()));
        QVERIFY(!QFile::exists(Journal()));
        QCOMPARE(bar.Value(), bar.Max());
    }

    void twoEntriesGiveTheBytesByHand()
    {
        QVERIFY(WriteFile(OldLog(), kTwoEntries));
        QCOMPARE(ImportOldLogFile(Settings(), nullptr).outcome, ImportOutcome::Imported);
        QCOMPARE(ReadFile(SesLog()), kTwoRecords);
    }

    // A full disk while converting, or while putting the current log behind: every file stays as
    // it was, and no new log is left behind.
    void failuresLeaveEveryFile_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("outcome");

        // 100 converted records are 1400 bytes; the current log is 1400 bytes as well.
        // clang-format off
        QTest::newRow("conversion") << 700  << int(ImportOutcome::ReadFailed);
        QTest::newRow("append")     << 2000 << int(ImportOutcome::AppendFailed);
        // clang-format on
    }

    void failuresLeaveEveryFile()
    {
        QFETCH(int, limit);
        QFETCH(int, outcome);
        QByteArray oldLog;
        for (int i = 0; i < 100; ++i)
            oldLog += QStringLiteral("#1998-12-16 10:%1:00#,\"Bytes Received %2\"\r\n")
                          .arg(i % 60, 2, 10, QLatin1Char('0'))
                          .arg(i)
                          .toLatin1();
        QVERIFY(WriteFile(OldLog(), oldLog));
        QVERIFY(WriteFile(SesLog(), CurrentRecords(100)));
        QVERIFY(WriteFile(Retired(), "an earlier old log"));
        const auto before = Files();
        ImportReport report;
        {
            FileSizeLimit full(static_cast<rlim_t>(limit));
            report = ImportOldLogFile(Settings(), nullptr, Form("us"));
        }
        QCOMPARE(int(report.outcome), outcome);
        QVERIFY2(report.error.contains(kTempLogName), qPrintable(report.error));
        QCOMPARE(Files(), before);
    }

    void unreadableOldLogFails()
    {
        QVERIFY(QDir().mkpath(OldLog())); // a folder where the old log should be
        QVERIFY(WriteFile(SesLog(), CurrentRecords(1)));
        const auto before = Files();
        const ImportReport report = ImportOldLogFile(Settings(), nullptr);
        QCOMPARE(report.outcome, ImportOutcome::ReadFailed);
        QCOMPARE(Files(), before);
        QVERIFY(QFileInfo(OldLog()).isDir());
    }

    void discardKeepsTheOldLog()
    {
        QVERIFY(WriteFile(OldLog(), kTwoEntries));
        QVERIFY(WriteFile(SesLog(), CurrentRecords(2)));
        QVERIFY(WriteFile(Retired(), "an earlier old log"));
        QVERIFY(DiscardOldLog(Settings()));
        QCOMPARE(ReadFile(Retired()), kTwoEntries);
        QVERIFY(!OldLogExists(ProgramDir()));
        QCOMPARE(ReadFile(SesLog()), CurrentRecords(2));
    }

    // An import cut short is settled by its journal, written here by hand as the import writes
    // it: finished when its new log is whole and the session log unchanged, given up when the
    // session log changed since, and only retired when its new log is already in place.
    void interruptedImports_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("finished");
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<QByteArray>("oldLogLeft"); // "Dtally.log" afterwards

        const QByteArray imported = kTwoRecords + CurrentRecords(2);
        const QByteArray missing("<missing>");
        const QByteArray another = "#2001-01-01 10:00:00#,\"Remote access driver log opened.\"\r\n";
        // clang-format off
        QTest::newRow("new log whole")            << "whole"   << true  << imported          << missing;
        QTest::newRow("session log grew since")   << "grown"   << false << CurrentRecords(3) << kTwoEntries;
        QTest::newRow("old log replaced since")   << "another" << false << CurrentRecords(2) << another;
        QTest::newRow("new log already in place") << "renamed" << true  << imported          << missing;
        QTest::newRow("retired, then a new one")  << "newer"   << true  << imported          << another;
        QTest::newRow("journal damaged")          << "damaged" << false << CurrentRecords(2) << kTwoEntries;
        // clang-format on
    }

    void interruptedImports()
    {
        QFETCH(QString, state);
        QFETCH(bool, finished);
        QFETCH(QByteArray, log);
        QFETCH(QByteArray, oldLogLeft);
        QVERIFY(WriteFile(OldLog(), kTwoEntries));
        QVERIFY(WriteFile(SesLog(), CurrentRecords(2)));
        QVERIFY(WriteFile(Temp(), kTwoRecords + CurrentRecords(2)));
        const auto identity = [](const QString& path) {
            struct stat info;
            if (::stat(QFile::encodeName(path).constData(), &info) != 0)
                return QByteArray("none");
            return QByteArray::number(quint64(info.st_dev)) + ' ' +
                   QByteArray::number(quint64(info.st_ino)) + ' ' +
                   QByteArray::number(qint64(info.st_size));
        };
        QByteArray journal = "dialtally import journal 1\ntemp " + identity(Temp()) + "\nlog " +
                             identity(SesLog()) + "\nold " + identity(OldLog()) + '\n';
        const QByteArray another = "#2001-01-01 10:00:00#,\"Remote access driver log opened.\"\r\n";
        if (state == QLatin1String("grown"))
            QVERIFY(WriteFile(SesLog(), CurrentRecords(3)));
        if (state == QLatin1String("another"))
            QVERIFY(QFile::remove(OldLog()) && WriteFile(OldLog(), another));
        if (state == QLatin1String("renamed") || state == QLatin1String("newer"))
            QVERIFY(QFile::remove(SesLog()) && QFile::rename(Temp(), SesLog()));
        if (state == QLatin1String("newer"))
            QVERIFY(QFile::rename(OldLog(), Retired()) && WriteFile(OldLog(), another));
        if (state == QLatin1String("damaged"))
            journal.chop(5);
        QVERIFY(WriteFile(Journal(), journal));

        ImportReport report;
        QVERIFY(FinishInterruptedImport(Settings(), &report));
        QCOMPARE(report.finishedInterrupted, finished);
        QCOMPARE(ReadFile(SesLog()), log);
        QCOMPARE(ReadFile(OldLog()), oldLogLeft);
        if (finished)
            QCOMPARE(ReadFile(Retired()), kTwoEntries);
        QVERIFY(!QFile::exists(Temp()));
        QVERIFY(!QFile::exists(Journal()));
    }
};

QTEST_GUILESS_MAIN(TestOldLog)
#include "test_oldlog.moc"
