#include "log/datafile.h"
#include "log/replacelog.h"
#include "log/sessionlog.h"
#include "log/update.h"
#include "log/updatejournal.h"
#include "support/memoryprogressbar.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
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

long MaxResidentKilobytes()
{
    struct rusage usage;
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
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
    QString JournalPath() const
    {
        return QDir(WindowsDir()).filePath(QStringLiteral("Dtally.jnl"));
    }

    UpdateSettings Settings(int dialect = 1)
    {
        return UpdateSettings{WindowsDir(), ProgramDir(), static_cast<Dialect>(dialect),
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
        QTest::newRow("bare last field without line end is a line all the same")
            << Quoted(kOpened) + bytesEvent
            << 1 << true << "1998-12-16 10:14:40 1 0; 1998-12-16 10:20:00 101 900" << false;
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
            << 1 << true << "1998-12-16 10:14:40 1 0" << false;
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

    // The record of kOpened, and of the bytes line below.
    static QByteArray OpenedRecord() { return QByteArray::fromHex("fe36c5a82da6e140010000000000"); }

    // A work file left by an interrupted update: the session log of before, then the records that
    // the interrupted run had appended of it, then a journal that tells the length of before.
    void leftoverWorkFileIsFinishedFirst_data()
    {
        QTest::addColumn<bool>("journal");
        QTest::addColumn<int>("recordsAlreadyAppended");
        QTest::addColumn<QString>("events");
        const QString before = QStringLiteral("1998-12-16 10:14:40 1 0");
        const QString work =
            QStringLiteral("1998-12-16 10:20:00 101 900; 1998-12-16 10:21:00 102 800");
        const QString data = QStringLiteral("1998-12-16 10:30:00 2 0");
        const QString all = QStringList{before, work, data}.join(QStringLiteral("; "));
        // clang-format off
        QTest::newRow("killed before it appended")       << true  << 0 << all;
        QTest::newRow("killed after one record")         << true  << 1 << all;
        QTest::newRow("killed after all, before delete") << true  << 2 << all;
        QTest::newRow("no journal: done in full")        << false << 0 << all;
        // clang-format on
    }

    void leftoverWorkFileIsFinishedFirst()
    {
        QFETCH(bool, journal);
        QFETCH(int, recordsAlreadyAppended);
        QFETCH(QString, events);
        const QByteArray workLines = Quoted("12-16-1998 10:20:00.00 - Bytes Received 900") +
                                     Quoted("12-16-1998 10:21:00.00 - Bytes Transmittted 800");
        QVERIFY(WriteFile(DataPath(),
                          Quoted("12-16-1998 10:30:00.00 - Remote access driver log closed.")));
        QVERIFY(WriteFile(LogPath(), OpenedRecord()));
        if (journal)
            QVERIFY(WriteJournalForLog());
        // What the interrupted run had appended, and half a record more.
        QVERIFY(WriteFile(WorkPath(), workLines));
        {
            UpdateSettings settings = Settings();
            // The records the work file gives, appended as the interrupted run would have.
            QTemporaryDir scratch;
            settings.programDir = scratch.path();
            settings.windowsDir = scratch.path();
            QVERIFY(WriteFile(scratch.filePath(kDataFileName), workLines));
            QVERIFY(UpdateSessionLog(settings));
            const QByteArray records = ReadFile(scratch.filePath(kSessionLogName));
            QCOMPARE(records.size(), 28);
            QFile log(LogPath());
            QVERIFY(log.open(QIODevice::Append));
            log.write(records.left(14 * recordsAlreadyAppended + (journal ? 5 : 0)));
        }
        UpdateReport report;
        QVERIFY2(UpdateSessionLog(Settings(), &report), qPrintable(report.error));
        QCOMPARE(Events(ProgramDir()), events);
        QVERIFY(report.finishedInterrupted);
        QCOMPARE(report.interruptedWithoutJournal, !journal);
        for (const QString& name : {kWorkFileName, kDataFileName, QStringLiteral("Dtally.jnl")})
            QVERIFY2(!QFile::exists(QDir(WindowsDir()).filePath(name)), qPrintable(name));
    }

    bool WriteJournalForLog()
    {
        struct stat info;
        const QByteArray path = QFile::encodeName(LogPath());
        return ::stat(path.constData(), &info) == 0 &&
               WriteUpdateJournal(JournalPath().toStdString(),
                                  {path.toStdString(), info.st_dev, info.st_ino, info.st_size});
    }

    void damagedJournalStopsTheUpdateAndChangesNothing()
    {
        QVERIFY(WriteFile(WorkPath(), Quoted(kOpened)));
        QVERIFY(WriteFile(JournalPath(), "log 1 2 3\n"));
        QVERIFY(WriteFile(LogPath(), OpenedRecord()));
        UpdateReport report;
        QVERIFY(!UpdateSessionLog(Settings(), &report));
        QVERIFY(report.error.contains(JournalPath()));
        QCOMPARE(ReadFile(LogPath()), OpenedRecord());
        QCOMPARE(ReadFile(WorkPath()), Quoted(kOpened));
    }

    void staleJournalWithoutWorkFileIsRemoved()
    {
        QVERIFY(WriteFile(LogPath(), OpenedRecord() + OpenedRecord()));
        QVERIFY(WriteUpdateJournal(JournalPath().toStdString(),
                                   {QFile::encodeName(LogPath()).toStdString(), 0, 0, 0}));
        QVERIFY(WriteFile(DataPath(), Quoted(kOpened)));
        QVERIFY(UpdateSessionLog(Settings()));
        QCOMPARE(ReadFile(LogPath()), OpenedRecord().repeated(3));
        QVERIFY(!QFile::exists(JournalPath()));
    }

    // A failed update keeps its work file and journal; once the cause is gone the next update
    // finishes it and then takes the new data file.
    void failedUpdateIsFinishedByTheNext()
    {
        if (!QFile::exists(QStringLiteral("/dev/full")))
            QSKIP("needs /dev/full");
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), LogPath())); // every write fails
        QVERIFY(WriteFile(DataPath(), Quoted(kOpened)));
        UpdateReport report;
        QVERIFY(!UpdateSessionLog(Settings(), &report));
        QVERIFY2(report.error.contains(LogPath()), qPrintable(report.error));
        QCOMPARE(report.appended, 0);
        QCOMPARE(ReadFile(WorkPath()), Quoted(kOpened));
        QVERIFY(QFile::exists(JournalPath()));

        QVERIFY(QFile::remove(LogPath()));
        QVERIFY(WriteFile(DataPath(), Quoted("12-16-1998 10:20:00.00 - Bytes Received 900")));
        QVERIFY2(UpdateSessionLog(Settings(), &report), qPrintable(report.error));
        QVERIFY(report.finishedInterrupted);
        QCOMPARE(Events(ProgramDir()),
                 QStringLiteral("1998-12-16 10:14:40 1 0; 1998-12-16 10:20:00 101 900"));
        QVERIFY(!QFile::exists(WorkPath()));
        QVERIFY(!QFile::exists(JournalPath()));
    }

    void appendsAfterTheLastWholeRecord()
    {
        // A record and the first bytes of one that a killed write left torn.
        QVERIFY(WriteFile(LogPath(), OpenedRecord() + QByteArray(5, '\x07')));
        QVERIFY(WriteFile(DataPath(), Quoted(kOpened)));
        UpdateReport report;
        QVERIFY(UpdateSessionLog(Settings(), &report));
        QCOMPARE(report.tornBytesCut, 5);
        QCOMPARE(ReadFile(LogPath()), OpenedRecord() + OpenedRecord());
        QVERIFY(UpdateWarnings(report).join(' ').contains(QStringLiteral("torn")));
    }

    void secondUpdateWaitsForTheFirst()
    {
        QVERIFY(WriteFile(DataPath(), Quoted(kOpened)));
        auto lock = std::make_unique<HandoverLock>();
        QVERIFY(lock->Acquire(QDir(WindowsDir()).filePath("Dtally.lck").toStdString(),
                              HandoverLockKind::Update, std::chrono::milliseconds(0)));
        std::thread release([&lock] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            lock.reset();
        });
        QElapsedTimer timer;
        timer.start();
        UpdateReport report;
        const bool ok = UpdateSessionLog(Settings(), &report);
        release.join();
        QVERIFY2(ok, qPrintable(report.error));
        QVERIFY(timer.elapsed() >= 250);
        QCOMPARE(ReadFile(LogPath()), OpenedRecord());
    }

    // A deletion or an editor's save replaces the log while no update runs, and only after a work
    // file that an interrupted update left is finished: replacing the log first would make that
    // work file's records count twice.
    void changeOfTheLogFinishesAnInterruptedUpdateFirst()
    {
        QVERIFY(WriteFile(LogPath(), OpenedRecord()));
        QVERIFY(WriteJournalForLog());
        QVERIFY(WriteFile(WorkPath(), Quoted("12-16-1998 10:20:00.00 - Bytes Received 900")));
        {
            QFile log(LogPath()); // the interrupted run had appended half a record
            QVERIFY(log.open(QIODevice::Append));
            log.write("\x01\x02\x03");
        }
        QString seen;
        UpdateReport report;
        const bool ok = ChangeSessionLog(
            Settings(),
            [&](QString*) {
                seen = Events(ProgramDir());
                return ReplaceSessionLog(ProgramDir(), EventList(), nullptr);
            },
            &report);
        QVERIFY2(ok, qPrintable(report.error));
        QCOMPARE(seen, QStringLiteral("1998-12-16 10:14:40 1 0; 1998-12-16 10:20:00 101 900"));
        QVERIFY(!QFile::exists(WorkPath()));
        QVERIFY(!QFile::exists(JournalPath()));
        QCOMPARE(ReadFile(LogPath()), QByteArray());

        UpdateReport failed;
        QVERIFY(!ChangeSessionLog(
            Settings(),
            [](QString* error) {
                *error = QStringLiteral("the change failed");
                return false;
            },
            &failed));
        QCOMPARE(failed.error, QStringLiteral("the change failed"));
    }

    // The logger appends a batch under the data lock: the data file is not renamed away under it.
    void renameWaitsForTheLoggersBatch()
    {
        QVERIFY(WriteFile(DataPath(), Quoted(kOpened)));
        auto lock = std::make_unique<HandoverLock>();
        QVERIFY(lock->Acquire(QDir(WindowsDir()).filePath("Dtally.lck").toStdString(),
                              HandoverLockKind::Data, std::chrono::milliseconds(0)));
        bool renamedWhileHeld = false;
        std::thread logger([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            renamedWhileHeld = !QFile::exists(DataPath());
            lock.reset();
        });
        UpdateReport report;
        const bool ok = UpdateSessionLog(Settings(), &report);
        logger.join();
        QVERIFY2(ok, qPrintable(report.error));
        QVERIFY(!renamedWhileHeld);
        QCOMPARE(ReadFile(LogPath()), OpenedRecord());
    }

    // The logger was killed while it appended a batch: the half batch is cut from the work file
    // (the logger delivers it again, whole) and only the complete batches are appended.
    void halfBatchOfAKilledLoggerIsCutAway()
    {
        const QByteArray confirmed = Quoted(kOpened);
        QVERIFY(WriteFile(DataPath(), confirmed +
                                          Quoted("12-16-1998 10:20:00.00 - Bytes Received 900") +
                                          "\"12-16-1998 10:20:01.00 - Bytes Transm"));
        struct stat info;
        QVERIFY(::stat(QFile::encodeName(DataPath()).constData(), &info) == 0);
        LoggerPosition position;
        position.source = {1, 2, 100, {}};
        position.batch =
            UnconfirmedBatch{info.st_dev, info.st_ino, confirmed.size(), {1, 2, 300, {}}};
        const std::string positionPath = QDir(WindowsDir()).filePath("Dtally.pos").toStdString();
        QVERIFY(WriteLoggerPosition(positionPath, position));
        UpdateReport report;
        QVERIFY2(UpdateSessionLog(Settings(), &report), qPrintable(report.error));
        QCOMPARE(ReadFile(LogPath()), OpenedRecord());
        QVERIFY(report.batchBytesCut > 0);
        const auto settled = ReadLoggerPosition(positionPath);
        QVERIFY(settled && !settled->batch);
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

    // A folder that cannot be written is lasting, not a logger holding the file: the update
    // fails at once and says why.
    void unwritableWindowsFolderFailsWithAMessage()
    {
        if (::geteuid() == 0)
            QSKIP("the superuser writes in read-only folders anyway");
        const QByteArray data = Quoted(kOpened);
        QVERIFY(WriteFile(DataPath(), data));
        QVERIFY(QFile::setPermissions(WindowsDir(), QFile::ReadOwner | QFile::ExeOwner));
        UpdateReport report;
        const bool result = UpdateSessionLog(Settings(), &report);
        QFile::setPermissions(WindowsDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!result);
        QVERIFY2(report.error.contains(WindowsDir()), qPrintable(report.error));
        QVERIFY(m_sleeps.empty());
        QCOMPARE(ReadFile(DataPath()), data);
        QVERIFY(!QFile::exists(LogPath()) || ReadFile(LogPath()).isEmpty());
    }

    // The session log is opened before the data file is taken over, so nothing moves.
    void sessionLogThatCannotBeOpenedLeavesTheDataFile()
    {
        QVERIFY(QDir().mkpath(LogPath()));
        QVERIFY(WriteFile(DataPath(), Quoted(kOpened)));
        UpdateReport report;
        QVERIFY(!UpdateSessionLog(Settings(), &report));
        QVERIFY2(report.error.contains(LogPath()), qPrintable(report.error));
        QCOMPARE(ReadFile(DataPath()), Quoted(kOpened));
        QVERIFY(!QFile::exists(WorkPath()));
    }

    // Files no logger writes: each gets the silent skip of what is not a line, the lines around
    // it still count, and memory stays bounded however long a "line" is.
    void badDataFiles_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<qint64>("holeBytes"); // NUL bytes written as a hole after the head
        QTest::addColumn<QByteArray>("tail");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("events");
        const QByteArray line = Quoted(kOpened);
        const QString event = QStringLiteral("1998-12-16 10:14:40 1 0");
        QByteArray garbage;
        std::uint32_t state = 12345;
        while (garbage.size() < 256 * 1024) {
            state = state * 1103515245u + 12345u;
            const char byte = static_cast<char>(state >> 24);
            if (byte != '"')
                garbage += byte;
        }
        // clang-format off
        QTest::newRow("a 200 MB line of NUL bytes")
            << line << qint64(200) * 1024 * 1024 << "\r\n" + line << true << event + "; " + event;
        QTest::newRow("binary garbage between lines")
            << line + "\r\n" << qint64(0) << garbage + "\r\n" + line << true << event + "; " + event;
        QTest::newRow("NUL bytes in a line")
            << line + QByteArray("12-16-1998\0\0:14:40.33 - x\r\n", 27) << qint64(0) << line
            << true << event + "; " + event;
        QTest::newRow("only a quote")
            << QByteArray("\"") << qint64(0) << QByteArray() << false << QString();
        // clang-format on
    }

    void badDataFiles()
    {
        QFETCH(QByteArray, head);
        QFETCH(qint64, holeBytes);
        QFETCH(QByteArray, tail);
        QFETCH(bool, result);
        QFETCH(QString, events);
        {
            QFile file(DataPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.write(head) == head.size());
            QVERIFY(file.resize(head.size() + holeBytes));
            QVERIFY(file.seek(file.size()) && file.write(tail) == tail.size());
        }
        const long residentBefore = MaxResidentKilobytes();
        UpdateReport report;
        QCOMPARE(UpdateSessionLog(Settings(), &report), result);
        QVERIFY(MaxResidentKilobytes() - residentBefore < 64 * 1024);
        QCOMPARE(Events(ProgramDir()), events);
        QVERIFY(result || !report.error.isEmpty());
        QVERIFY(!QFile::exists(DataPath()));
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
