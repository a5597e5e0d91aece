#include "log/companion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace dialtally;

namespace {

bool Append(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Append) && file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray Fields(const QList<QByteArray>& lines)
{
    QByteArray fields;
    for (const QByteArray& line : lines)
        fields += '"' + line + "\"\r\n";
    return fields;
}

// What a logger keeps after delivering the first offset bytes of the file at path.
SourcePlace PlaceIn(const QString& path, off_t offset)
{
    struct stat info = {};
    ::stat(QFile::encodeName(path).constData(), &info);
    const QByteArray before = ReadFile(path).left(qsizetype(offset));
    const QByteArray tail = before.right(qsizetype(kPlaceTailBytes));
    return {info.st_dev, info.st_ino, offset, tail.toStdString()};
}

enum class Change { Append, Empty, Replace };

// The adapter writes more (Append), empties its log and writes again (Empty), or removes it and
// writes a new one (Replace).
bool ChangeSource(const QString& path, Change change, const QByteArray& bytes)
{
    if (change == Change::Empty && !QFile(path).resize(0))
        return false;
    if (change == Change::Replace && !QFile::remove(path))
        return false;
    return Append(path, bytes);
}

} // namespace

Q_DECLARE_METATYPE(Change)

class TestCompanion : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_source;
    QString m_data;
    HandoverFiles m_files;
    std::vector<std::string> m_problems;

    std::unique_ptr<CompanionLogger> MakeLogger(bool fromStart = false)
    {
        return std::make_unique<CompanionLogger>(
            QFile::encodeName(m_source).toStdString(), m_files, fromStart,
            [this](const std::string& problem) { m_problems.push_back(problem); });
    }

    std::unique_ptr<CompanionLogger> StartLogger(bool fromStart = false)
    {
        auto logger = MakeLogger(fromStart);
        std::string error;
        if (!logger->Start(&error)) {
            qWarning("%s", error.c_str());
            return nullptr;
        }
        return logger;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_source = m_dir->filePath(QStringLiteral("PPPLOG.TXT"));
        m_data = m_dir->filePath(QStringLiteral("Dtally.dat"));
        m_files = HandoverFiles::InFolder(QFile::encodeName(m_dir->path()).toStdString());
        m_problems.clear();
    }

    void completeLinesBecomeQuotedFields()
    {
        auto logger = StartLogger();
        QVERIFY(logger);
        QVERIFY(logger->Poll());
        QCOMPARE(m_problems.size(), std::size_t{1}); // the source is missing; said once
        QVERIFY(logger->Poll());
        QCOMPARE(m_problems.size(), std::size_t{1});

        QVERIFY(Append(m_source, "first line\r\nsays \"hi\", twice\n\r\n\xe4\x94 bytes\r\npart"));
        QVERIFY(logger->Poll());
        QCOMPARE(ReadFile(m_data),
                 QByteArray("\"first line\"\r\n\"says 'hi', twice\"\r\n\"\xe4\x94 bytes\"\r\n"));
        QCOMPARE(logger->LinesWritten(), 3);

        QVERIFY(Append(m_source, "ial line\r\n"));
        QVERIFY(logger->Poll());
        QVERIFY(ReadFile(m_data).endsWith("\"partial line\"\r\n"));
    }

    // With no kept place, a source that exists is read from its end unless asked otherwise.
    void firstStartReadsFromTheEndUnlessAsked_data()
    {
        QTest::addColumn<bool>("fromStart");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("from the end") << false << Fields({"new"});
        QTest::newRow("from the start") << true << Fields({"old", "new"});
    }

    void firstStartReadsFromTheEndUnlessAsked()
    {
        QFETCH(bool, fromStart);
        QFETCH(QByteArray, expected);
        QVERIFY(Append(m_source, "old\r\n"));
        auto logger = StartLogger(fromStart);
        QVERIFY(logger);
        QVERIFY(logger->Poll());
        QVERIFY(Append(m_source, "new\r\n"));
        QVERIFY(logger->Poll());
        QCOMPARE(ReadFile(m_data), expected);
    }

    // A logger that stops (here without finishing, as when it is killed) and starts again goes on
    // from its kept place: what was written meanwhile arrives, nothing twice.
    void restartGoesOnFromTheKeptPlace_data()
    {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<Change>("change");
        QTest::addColumn<QByteArray>("more");
        QTest::addColumn<bool>("fromStart");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray ab = "a\r\nb\r\n";
        // clang-format off
        QTest::newRow("grown while down")          << ab << Change::Append  << QByteArray("c\r\n") << false << Fields({"a", "b", "c"});
        QTest::newRow("grown, from start asked")   << ab << Change::Append  << QByteArray("c\r\n") << true  << Fields({"a", "b", "c"});
        QTest::newRow("unfinished line read again") << QByteArray("a\r\npar") << Change::Append << QByteArray("tial\r\n") << false << Fields({"a", "partial"});
        QTest::newRow("replaced while down")       << ab << Change::Replace << QByteArray("x\r\ny\r\nz\r\n") << false << Fields({"a", "b", "x", "y", "z"});
        QTest::newRow("emptied, shorter")          << ab << Change::Empty   << QByteArray("c\r\n") << false << Fields({"a", "b", "c"});
        QTest::newRow("emptied, grown past place") << ab << Change::Empty   << QByteArray("cccccccc\r\n") << false << Fields({"a", "b", "cccccccc"});
        // clang-format on
    }

    void restartGoesOnFromTheKeptPlace()
    {
        QFETCH(QByteArray, first);
        QFETCH(Change, change);
        QFETCH(QByteArray, more);
        QFETCH(bool, fromStart);
        QFETCH(QByteArray, expected);
        QVERIFY(Append(m_source, first));
        {
            auto logger = StartLogger(true);
            QVERIFY(logger);
            QVERIFY(logger->Poll());
        }
        QVERIFY(ChangeSource(m_source, change, more));
        auto logger = StartLogger(fromStart);
        QVERIFY(logger);
        QVERIFY(logger->Poll());
        QCOMPARE(ReadFile(m_data), expected);
    }

    // A logger that starts while the source is away has no place in it to keep: the place of
    // the logger before stands, and nothing is read twice when the source comes back.
    void keptPlaceOutlivesAMissingSource()
    {
        QVERIFY(Append(m_source, "a\r\nb\r\n"));
        {
            auto logger = StartLogger(true);
            QVERIFY(logger && logger->Poll());
        }
        const QString away = m_source + QStringLiteral(".away");
        QVERIFY(QFile::rename(m_source, away));
        {
            auto logger = StartLogger();
            QVERIFY(logger && logger->Poll());
        }
        QVERIFY(QFile::rename(away, m_source));
        QVERIFY(Append(m_source, "c\r\n"));
        auto logger = StartLogger();
        QVERIFY(logger && logger->Poll());
        QCOMPARE(ReadFile(m_data), Fields({"a", "b", "c"}));
    }

    // An adapter that empties or recreates its log and quickly writes more than the logger had
    // read: the bytes before the read position tell, and every new line arrives.
    void emptiedOrReplacedSourceIsReadFromItsStart_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<int>("lines");
        QTest::newRow("emptied, one short line") << Change::Empty << 1;
        QTest::newRow("emptied, twelve lines") << Change::Empty << 12;
        QTest::newRow("replaced, twelve lines") << Change::Replace << 12;
    }

    void emptiedOrReplacedSourceIsReadFromItsStart()
    {
        QFETCH(Change, change);
        QFETCH(int, lines);
        auto logger = StartLogger();
        QVERIFY(logger);
        QVERIFY(logger->Poll()); // no source yet: when it appears, all of it is new
        QVERIFY(Append(m_source, "first\r\nunfinished"));
        QVERIFY(logger->Poll());
        QByteArray rewritten;
        QList<QByteArray> expected = {"first", "unfinished"};
        for (int i = 1; i <= lines; ++i) {
            expected.append("line " + QByteArray::number(i));
            rewritten += expected.back() + "\r\n";
        }
        QVERIFY(ChangeSource(m_source, change, rewritten));
        QVERIFY(logger->Poll());
        QCOMPARE(ReadFile(m_data), Fields(expected));
    }

    void rotatedSourceIsFinishedThenFollowed()
    {
        auto logger = StartLogger();
        QVERIFY(logger);
        QVERIFY(logger->Poll()); // no source yet: when it appears, all of it is new
        QVERIFY(Append(m_source, "a\r\n"));
        QVERIFY(logger->Poll());
        // Written to the old file after the last look, then the file is rotated away.
        QVERIFY(Append(m_source, "b\r\nunfinished"));
        QVERIFY(QFile::rename(m_source, m_source + QStringLiteral(".1")));
        QVERIFY(Append(m_source, "c\r\n"));
        QVERIFY(logger->Poll());
        QCOMPARE(ReadFile(m_data), Fields({"a", "b", "unfinished", "c"}));
    }

    // A data file that ends inside a field: the rest of a batch that a killed logger had named
    // in the position file, or a torn field of unknown origin. Either is cut away before the
    // next batch, and every line arrives exactly once.
    void brokenEndOfTheDataFileIsMended_data()
    {
        QTest::addColumn<QByteArray>("afterFirst");
        QTest::addColumn<bool>("batchNamed");
        const QByteArray l2 = "12-16-1998 10:20:01.00 - Bytes Received 1234";
        const QByteArray l3 = "12-16-1998 10:20:01.00 - Bytes Sent 5678";
        // clang-format off
        QTest::newRow("half batch of a killed logger") << Fields({l2}) + '"' + l3.left(38) << true;
        QTest::newRow("torn field, no batch named")    << '"' + l2.left(42)                << false;
        // clang-format on
    }

    void brokenEndOfTheDataFileIsMended()
    {
        QFETCH(QByteArray, afterFirst);
        QFETCH(bool, batchNamed);
        const QList<QByteArray> lines = {
            "12-16-1998 10:14:40.33 - Remote access driver log opened.",
            "12-16-1998 10:20:01.00 - Bytes Received 1234",
            "12-16-1998 10:20:01.00 - Bytes Sent 5678",
            "12-16-1998 10:20:02.00 - Bytes Received 1300"};
        QVERIFY(Append(m_source, lines[0] + "\r\n" + lines[1] + "\r\n" + lines[2] + "\r\n"));
        const QByteArray first = Fields({lines[0]});
        QVERIFY(Append(m_data, first + afterFirst));
        struct stat data = {};
        QCOMPARE(::stat(QFile::encodeName(m_data).constData(), &data), 0);
        LoggerPosition position;
        const auto afterLine = [&](int n) {
            off_t offset = 0;
            for (int i = 0; i < n; ++i)
                offset += off_t(lines[i].size() + 2);
            return PlaceIn(m_source, offset);
        };
        position.source = afterLine(1);
        if (batchNamed)
            position.batch = UnconfirmedBatch{data.st_dev, data.st_ino, first.size(), afterLine(3)};
        QVERIFY(WriteLoggerPosition(m_files.position, position));

        auto logger = StartLogger();
        QVERIFY(logger);
        QVERIFY(logger->Poll());
        QVERIFY(Append(m_source, lines[3] + "\r\n"));
        QVERIFY(logger->Poll());
        QCOMPARE(ReadFile(m_data), Fields(lines));
        const auto kept = ReadLoggerPosition(m_files.position);
        QVERIFY(kept && !kept->batch);
        QCOMPARE(kept->source.offset, off_t(ReadFile(m_source).size()));
    }

    // Finishing writes the line that has no line end yet, and the kept place moves past it.
    void finishWritesTheUnfinishedLine()
    {
        QVERIFY(Append(m_source, "a\r\npart"));
        {
            auto logger = StartLogger(true);
            QVERIFY(logger);
            QVERIFY(logger->Finish());
            QCOMPARE(ReadFile(m_data), Fields({"a", "part"}));
        }
        QVERIFY(Append(m_source, "ial\r\nb\r\n"));
        auto logger = StartLogger();
        QVERIFY(logger);
        QVERIFY(logger->Poll());
        QCOMPARE(ReadFile(m_data), Fields({"a", "part", "ial", "b"}));
    }

    void secondLoggerForTheSameDataFileRefuses()
    {
        auto first = StartLogger();
        QVERIFY(first);
        auto second = MakeLogger();
        std::string error;
        QVERIFY(!second->Start(&error));
        QVERIFY2(error.find(m_files.data) != std::string::npos, error.c_str());
        second.reset();
        first.reset();
        QVERIFY(StartLogger());
    }

    void renamedDataFileIsCreatedAfresh()
    {
        auto logger = StartLogger();
        QVERIFY(logger);
        QVERIFY(logger->Poll()); // no source yet: when it appears, all of it is new
        QVERIFY(Append(m_source, "a\r\n"));
        QVERIFY(logger->Poll());
        QVERIFY(QFile::rename(m_data, m_dir->filePath(QStringLiteral("Dtally.wrk"))));
        QVERIFY(Append(m_source, "b\r\n"));
        QVERIFY(logger->Poll());
        QCOMPARE(ReadFile(m_data), Fields({"b"}));
    }

    // A batch that fails in the middle (the disk is full) is taken back whole and named no more
    // in the position file; its lines wait and arrive once the data file can grow again.
    void batchThatFailsHalfWrittenIsTakenBack()
    {
        auto logger = StartLogger();
        QVERIFY(logger);
        QVERIFY(logger->Poll()); // no source yet: when it appears, all of it is new
        const QByteArray first(300, 'f');
        QVERIFY(Append(m_source, first + "\r\n"));
        QVERIFY(logger->Poll());
        const QByteArray before = ReadFile(m_data);

        // Room for a few bytes more than the data file holds: the next batch stops inside.
        struct rlimit limit;
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &limit), 0);
        const struct rlimit full = {rlim_t(before.size() + 10), limit.rlim_max};
        QVERIFY(Append(m_source, "second line\r\nthird line\r\n"));
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &full), 0);
        const bool delivered = logger->Poll();
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(!delivered);
        QVERIFY(logger->HasPending());
        QCOMPARE(ReadFile(m_data), before);
        const auto kept = ReadLoggerPosition(m_files.position);
        QVERIFY(kept && !kept->batch);

        QVERIFY(logger->Poll());
        QCOMPARE(ReadFile(m_data), Fields({first, "second line", "third line"}));
    }

    void unwritableDataFileKeepsTheLinesWaiting()
    {
        auto logger = StartLogger();
        QVERIFY(logger);
        QVERIFY(logger->Poll());        // no source yet: when it appears, all of it is new
        QVERIFY(QDir().mkpath(m_data)); // a folder where the data file should be
        QVERIFY(Append(m_source, "a\r\n"));
        QVERIFY(!logger->Poll());
        QVERIFY(logger->HasPending());
        QVERIFY(Append(m_source, "b\r\n"));
        QVERIFY(!logger->Poll());
        QVERIFY(!m_problems.empty());
        QVERIFY(QDir(m_data).removeRecursively());
        QVERIFY(logger->Poll());
        QCOMPARE(ReadFile(m_data), Fields({"a", "b"}));
    }

    // pppd's connections: the kept place stays at the first line of a connection still open, so
    // a logger started again reads it whole; what it reads again of delivered connections the
    // ledger drops.
    void pppdConnectionOpenAtARestartIsReadWhole()
    {
        const auto translator = [] {
            return std::make_unique<PppdSourceTranslator>(
                AdapterWording{Dialect::Windows98, AdapterLanguage::English},
                [] { return *MakeDateTime(2025, 1, 1); }, nullptr,
                [](std::int64_t unix) { return DateTime{unix + 25569 * kSecondsPerDay}; });
        };
        const QByteArray first =
            "2024-06-14T18:00:04Z box pppd[300]: Connect: ppp0 <--> /dev/ttyS0\n"
            "2024-06-14T18:10:03Z box pppd[301]: Connect: ppp1 <--> /dev/ttyS1\n";
        const QByteArray endOfFirst =
            "2024-06-14T18:20:00Z box pppd[300]: Connection terminated.\n"
            "2024-06-14T18:20:00Z box pppd[300]: Connect time 20.0 minutes.\n"
            "2024-06-14T18:20:01Z box pppd[300]: Sent 3000 bytes, received 4000 bytes.\n"
            "2024-06-14T18:20:01Z box pppd[301]: Connection ";
        QVERIFY(Append(m_source, first + endOfFirst));
        auto logger = std::make_unique<CompanionLogger>(
            QFile::encodeName(m_source).toStdString(), m_files, true,
            [this](const std::string& problem) { m_problems.push_back(problem); }, translator());
        std::string error;
        QVERIFY(logger->Start(&error));
        QVERIFY(logger->Finish());
        const QByteArray firstFields =
            Fields({"06-14-2024 18:00:04.00 - Microsoft Dial Up Agapter log opened.",
                    "06-14-2024 18:20:00.00 - Bytes Received 4000",
                    "06-14-2024 18:20:00.00 - Bytes Transmitted 3000",
                    "06-14-2024 18:20:00.00 - Microsoft Dial Up Adapter log closed."});
        QCOMPARE(ReadFile(m_data), firstFields);
        const qsizetype secondStart = first.indexOf("2024-06-14T18:10:03Z");
        auto kept = ReadLoggerPosition(m_files.position);
        QVERIFY(kept);
        QCOMPARE(kept->source.offset, off_t(secondStart));
        logger.reset();

        QVERIFY(Append(m_source,
                       "terminated.\n"
                       "2024-06-14T18:20:01Z box pppd[301]: Connect time 10.0 minutes.\n"
                       "2024-06-14T18:20:01Z box pppd[301]: Sent 1 bytes, received 2 bytes.\n"));
        logger = std::make_unique<CompanionLogger>(
            QFile::encodeName(m_source).toStdString(), m_files, true,
            [this](const std::string& problem) { m_problems.push_back(problem); }, translator());
        QVERIFY(logger->Start(&error));
        QVERIFY(logger->Finish());
        QCOMPARE(ReadFile(m_data),
                 firstFields +
                     Fields({"06-14-2024 18:10:03.00 - Microsoft Dial Up Agapter log opened.",
                             "06-14-2024 18:20:01.00 - Bytes Received 2",
                             "06-14-2024 18:20:01.00 - Bytes Transmitted 1",
                             "06-14-2024 18:20:01.00 - Microsoft Dial Up Adapter log closed."}));
        QCOMPARE(ReadFile(QString::fromStdString(m_files.ledger)),
                 QByteArray("300 2024-06-14T18:00:04 2024-06-14T18:20:00\n"
                            "301 2024-06-14T18:10:03 2024-06-14T18:20:01\n"));
        kept = ReadLoggerPosition(m_files.position);
        QVERIFY(kept);
        QCOMPARE(kept->source.offset, off_t(QFileInfo(m_source).size()));
    }
};

QTEST_GUILESS_MAIN(TestCompanion)
#include "test_companion.moc"
