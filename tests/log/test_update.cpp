#include "log/sessionlog.h"
#include "log/update.h"
#include "support/memoryprogressbar.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

using namespace dialtally;

namespace {

const QByteArray kOpened = "12-16-1998 10:14:40.33 - Remote access driver log opened.";

QByteArray Quoted(const QByteArray& line)
{
    return '"' + line + "\"\r\n";
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// "time code value" of every record, separated by "; ", so that a row states what it expects.
QString Events(const QString& programDir)
{
    EventList events;
    if (!ReadSessionLog(programDir, events))
        return QStringLiteral("unreadable");
    QStringList parts;
    for (const LogEvent& event : events) {
        const auto time = EventTime(event);
        parts << QStringLiteral("%1 %2 %3")
                     .arg(time ? QString::fromStdString(FormatIsoDateTime(*time))
                               : QStringLiteral("-"))
                     .arg(event.iCode)
                     .arg(event.lValue);
    }
    return parts.join(QStringLiteral("; "));
}

} // namespace

class TestUpdate : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::vector<int> m_sleeps;

    QString WindowsDir() const { return m_dir.filePath(QStringLiteral("windows")); }
    QString ProgramDir() const { return m_dir.filePath(QStringLiteral("program")); }
    QString DataPath() const { return QDir(WindowsDir()).filePath(kDataFileName); }
    QString WorkPath() const { return QDir(WindowsDir()).filePath(kWorkFileName); }
    QString LogPath() const { return QDir(ProgramDir()).filePath(kSessionLogName); }

    UpdateSettings Settings(int dialect = 1)
    {
        return UpdateSettings{WindowsDir(), ProgramDir(), dialect,
                              [this](int ms) { m_sleeps.push_back(ms); }};
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QDir(WindowsDir()).removeRecursively();
        QDir(ProgramDir()).removeRecursively();
        QVERIFY(QDir().mkpath(WindowsDir()));
        QVERIFY(QDir().mkpath(ProgramDir()));
        m_sleeps.clear();
    }

    void noDataFileChangesNothing()
    {
        const QByteArray log(20, 'x');
        QVERIFY(WriteFile(LogPath(), log));
        UpdateReport report;
        QVERIFY(UpdateSessionLog(Settings(), &report));
        QVERIFY(!report.renamed);
        QCOMPARE(ReadFile(LogPath()), log);
        QVERIFY(!QFile::exists(WorkPath()));
    }

    void recognisedLineBecomesRecordBytes()
    {
        QVERIFY(WriteFile(DataPath(),
                          Quoted(kOpened) + Quoted("12-16-1998 10:15:02.10 - Some unknown text")));
        QVERIFY(UpdateSessionLog(Settings(1)));
        const QByteArray expected = QByteArray::fromHex("fe36c5a82da6e140"
                                                        "0100"
                                                        "00000000");
        QCOMPARE(ReadFile(LogPath()), expected);
        QVERIFY(!QFile::exists(DataPath()));
        QVERIFY(!QFile::exists(WorkPath()));
    }

    void fields_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("dialect");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("events");
        QTest::addColumn<bool>("workFileKept");

        const QByteArray bytes = "12-16-1998 10:14:40.33 - Bytes Received, total 500";
        const QByteArray lettersInTime =
            "ab-cd-efgh 10:14:40.33 - Remote access driver log opened.";
        const QByteArray unusableDate = "00-00-0000 10:14:40.33 - Remote access driver log opened.";
        const QByteArray bytesEvent = "12-16-1998 10:20:00.00 - Bytes Received 900";
        // clang-format off
        QTest::newRow("quoted comma stays in the field")
            << Quoted(bytes) << 1 << true << "1998-12-16 10:14:40 101 500" << false;
        QTest::newRow("bare comma splits the line")
            << bytes + "\r\n" << 1 << true << "1998-12-16 10:14:40 101 33" << false;
        QTest::newRow("letters in the time stamp do not count against the limit")
            << Quoted(lettersInTime).repeated(8) + Quoted(kOpened)
            << 1 << true << "1998-12-16 10:14:40 1 0" << false;
        QTest::newRow("five unusable dates are skipped")
            << Quoted(unusableDate).repeated(5) + Quoted(kOpened)
            << 1 << true << "1998-12-16 10:14:40 1 0" << false;
        QTest::newRow("the sixth unusable date stops and keeps the work file")
            << Quoted(kOpened) + Quoted(unusableDate).repeated(6) + Quoted(bytesEvent)
            << 1 << false << "1998-12-16 10:14:40 1 0" << true;
        QTest::newRow("unterminated quoted last field")
            << Quoted(kOpened) + "\"12-16-1998 10:20:00.00 - Bytes Received 9"
            << 1 << false << "1998-12-16 10:14:40 1 0" << false;
        QTest::newRow("bare last field without line end")
            << Quoted(kOpened) + bytesEvent
            << 1 << false << "1998-12-16 10:14:40 1 0" << false;
        QTest::newRow("other system recognises nothing")
            << Quoted(kOpened) + Quoted(bytesEvent) << 0 << true << "" << false;
        QTest::newRow("windows 98 dialect")
            << Quoted("12-16-1998 10:14:40.33 - Microsoft Dial Up Agapter log opened.") +
               Quoted("12-16-1998 10:20:00.00 - IPCP : IP address is C0A80101.")
            << 2 << true << "1998-12-16 10:14:40 257 0; 1998-12-16 10:20:00 457 -1062731519"
            << false;
        QTest::newRow("bare fields, LF line ends, blank lines and leading blanks")
            << "  " + kOpened + "\n\n" + bytesEvent + "\r\n\r\n"
            << 1 << true << "1998-12-16 10:14:40 1 0; 1998-12-16 10:20:00 101 900" << false;
        QTest::newRow("a field too long to be a line is passed over")
            << '"' + QByteArray(200 * 1024, 'x') + "\"\r\n" + Quoted(bytesEvent)
            << 1 << true << "1998-12-16 10:20:00 101 900" << false;
        QTest::newRow("a giant field without quote or line end meets the end of the file")
            << Quoted(kOpened) + QByteArray(3 * 1024 * 1024, 'y')
            << 1 << false << "1998-12-16 10:14:40 1 0" << false;
        // clang-format on
    }

    void fields()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, dialect);
        QFETCH(bool, result);
        QFETCH(QString, events);
        QFETCH(bool, workFileKept);

        QVERIFY(WriteFile(DataPath(), data));
        QCOMPARE(UpdateSessionLog(Settings(dialect)), result);
        QCOMPARE(Events(ProgramDir()), events);
        QVERIFY(!QFile::exists(DataPath()));
        QCOMPARE(QFile::exists(WorkPath()), workFileKept);
    }

    void leftoverWorkFileBlocksTheUpdate()
    {
        const QByteArray work = Quoted(kOpened);
        const QByteArray data = Quoted("12-16-1998 10:20:00.00 - Bytes Received 900");
        QVERIFY(WriteFile(WorkPath(), work));
        QVERIFY(WriteFile(DataPath(), data));
        UpdateReport report;
        QVERIFY(UpdateSessionLog(Settings(), &report));
        QVERIFY(report.workFileLeftOver);
        QCOMPARE(ReadFile(WorkPath()), work);
        QCOMPARE(ReadFile(DataPath()), data);
        QVERIFY(!QFile::exists(LogPath()));
        QVERIFY(m_sleeps.empty());
    }

    void appendsAfterAnOddLengthLog()
    {
        const QByteArray old(15, '\x07');
        QVERIFY(WriteFile(LogPath(), old));
        QVERIFY(WriteFile(DataPath(), Quoted(kOpened)));
        QVERIFY(UpdateSessionLog(Settings()));
        const QByteArray log = ReadFile(LogPath());
        QCOMPARE(log.size(), 15 + 14);
        QCOMPARE(log.left(15), old);
        QCOMPARE(log.mid(15, 8), QByteArray::fromHex("fe36c5a82da6e140"));
    }

    void missingProgramFolderIsCreated()
    {
        QVERIFY(QDir(ProgramDir()).removeRecursively());
        QVERIFY(WriteFile(DataPath(), Quoted(kOpened)));
        QVERIFY(UpdateSessionLog(Settings()));
        QCOMPARE(Events(ProgramDir()), QStringLiteral("1998-12-16 10:14:40 1 0"));
    }

    void readOnlySessionLogIsMadeWritable()
    {
        if (::geteuid() == 0)
            QSKIP("the superuser writes to read-only files anyway");
        QVERIFY(WriteFile(LogPath(), {}));
        QVERIFY(QFile::setPermissions(LogPath(), QFile::ReadOwner));
        QVERIFY(WriteFile(DataPath(), Quoted(kOpened)));
        QVERIFY(UpdateSessionLog(Settings()));
        QCOMPARE(Events(ProgramDir()), QStringLiteral("1998-12-16 10:14:40 1 0"));
        QVERIFY(QFile::permissions(LogPath()) & QFile::WriteOwner);
    }

    void renameRefusedIsTriedOnceMoreAfterTwoSeconds()
    {
        if (::geteuid() == 0)
            QSKIP("the superuser renames in read-only folders anyway");
        const QByteArray data = Quoted(kOpened);
        QVERIFY(WriteFile(DataPath(), data));
        QVERIFY(QFile::setPermissions(WindowsDir(), QFile::ReadOwner | QFile::ExeOwner));
        const bool result = UpdateSessionLog(Settings());
        QFile::setPermissions(WindowsDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(result);
        QCOMPARE(m_sleeps, std::vector<int>{2000});
        QCOMPARE(ReadFile(DataPath()), data);
    }

    void sessionLogThatCannotBeOpenedKeepsTheWorkFile()
    {
        QVERIFY(QDir().mkpath(LogPath()));
        QVERIFY(WriteFile(DataPath(), Quoted(kOpened)));
        QVERIFY(!UpdateSessionLog(Settings()));
        QCOMPARE(ReadFile(WorkPath()), Quoted(kOpened));
    }

    void failedWriteLeavesTheLogAsItWasAndKeepsTheWorkFile()
    {
        if (!QFile::exists(QStringLiteral("/dev/full")))
            QSKIP("needs /dev/full");
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), LogPath()));
        QVERIFY(WriteFile(DataPath(), Quoted(kOpened)));
        UpdateReport report;
        QVERIFY(!UpdateSessionLog(Settings(), &report));
        QCOMPARE(report.appended, 0);
        QCOMPARE(ReadFile(WorkPath()), Quoted(kOpened));
    }

    void loadUpdatesReadsAndBuilds()
    {
        QVERIFY(WriteFile(DataPath(),
                          Quoted("12-16-1998 10:00:00.00 - IPCP : Layer started.") +
                              Quoted("12-16-1998 10:30:00.00 - Bytes Received 5000") +
                              Quoted("12-16-1998 10:30:02.00 - Remote access driver log closed.")));
        MemoryProgressBar bar;
        bar.SetMax(10);
        const SessionList sessions = LoadSessions(&bar, Settings(1));
        QCOMPARE(bar.Value(), 4);
        QCOMPARE(sessions.size(), std::size_t{1});
        QCOMPARE(sessions[0].lRx, 5000);
        QVERIFY(sessions[0].vUp && sessions[0].vDown);
        QCOMPARE(sessions[0].vDown->seconds - sessions[0].vUp->seconds, 30 * 60 + 2);
    }
};

QTEST_GUILESS_MAIN(TestUpdate)
#include "test_update.moc"
