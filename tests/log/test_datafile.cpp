#include "log/datafile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace dialtally;
using namespace std::chrono_literals;

namespace {

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct stat Stat(const std::string& path)
{
    struct stat info = {};
    ::stat(path.c_str(), &info);
    return info;
}

} // namespace

class TestDataFile : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    HandoverFiles m_files;

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_files = HandoverFiles::InFolder(m_dir.path().toStdString());
        for (const std::string* path :
             {&m_files.data, &m_files.work, &m_files.position, &m_files.ledger})
            ::unlink(path->c_str());
    }

    void positionFileBytes()
    {
        LoggerPosition position;
        position.source = {2049, 77, 1234, std::string("ab\r\n", 4)};
        position.batch = UnconfirmedBatch{2049, 88, 500, {2049, 77, 1300, "z"}};
        QVERIFY(WriteLoggerPosition(m_files.position, position));
        QCOMPARE(ReadFile(m_files.position), QByteArray("dtallywr position 1\n"
                                                        "source 2049 77 1234 61620d0a\n"
                                                        "batch 2049 88 500 2049 77 1300 7a\n"));
        auto read = ReadLoggerPosition(m_files.position);
        QVERIFY(read && read->batch);
        QCOMPARE(read->source.tail, position.source.tail);
        QCOMPARE(read->batch->after.offset, off_t{1300});
        QCOMPARE(read->batch->ledgerBefore, off_t{-1});

        // A batch of pppd connections names the ledger's length too.
        position.batch->ledgerBefore = 0;
        QVERIFY(WriteLoggerPosition(m_files.position, position));
        QCOMPARE(ReadFile(m_files.position),
                 QByteArray("dtallywr position 1\n"
                            "source 2049 77 1234 61620d0a\n"
                            "batch 2049 88 500 2049 77 1300 7a ledger 0\n"));
        read = ReadLoggerPosition(m_files.position);
        QVERIFY(read && read->batch);
        QCOMPARE(read->batch->ledgerBefore, off_t{0});

        position.batch.reset();
        position.source.tail.clear();
        QVERIFY(WriteLoggerPosition(m_files.position, position));
        QCOMPARE(ReadFile(m_files.position),
                 QByteArray("dtallywr position 1\nsource 2049 77 1234 -\n"));
    }

    void damagedPositionFileReadsAsNone_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        // clang-format off
        QTest::newRow("empty")             << QByteArray();
        QTest::newRow("other header")      << QByteArray("dtallywr position 2\nsource 1 2 3 -\n");
        QTest::newRow("no source")         << QByteArray("dtallywr position 1\n");
        QTest::newRow("negative offset")   << QByteArray("dtallywr position 1\nsource 1 2 -3 -\n");
        QTest::newRow("odd tail")          << QByteArray("dtallywr position 1\nsource 1 2 3 abc\n");
        QTest::newRow("extra word")        << QByteArray("dtallywr position 1\nsource 1 2 3 - x\n");
        QTest::newRow("torn batch line")   << QByteArray("dtallywr position 1\nsource 1 2 3 -\nbatch 1 2\n");
        QTest::newRow("ledger without length") << QByteArray("dtallywr position 1\nsource 1 2 3 -\nbatch 1 2 3 1 2 3 - ledger\n");
        QTest::newRow("huge")              << QByteArray("dtallywr position 1\nsource 1 2 3 -\n") + QByteArray(9000, '\n');
        // clang-format on
    }

    void damagedPositionFileReadsAsNone()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(WriteFile(QString::fromStdString(m_files.position), bytes));
        std::string error;
        QVERIFY(!ReadLoggerPosition(m_files.position, &error));
        QVERIFY(!error.empty());
    }

    // A batch that a dead logger left unconfirmed is cut from whichever file it went to and from
    // the ledger, and the position keeps the place before it.
    void unconfirmedBatchIsCutFromTheDataOrWorkFile_data()
    {
        QTest::addColumn<bool>("renamedToWork");
        QTest::newRow("still the data file") << false;
        QTest::newRow("renamed to the work file") << true;
    }

    void unconfirmedBatchIsCutFromTheDataOrWorkFile()
    {
        QFETCH(bool, renamedToWork);
        QVERIFY(WriteFile(QString::fromStdString(m_files.data), "\"a\"\r\n\"b\"\r\n\"c"));
        const struct stat info = Stat(m_files.data);
        LoggerPosition position;
        position.source = {1, 2, 10, "x"};
        position.batch = UnconfirmedBatch{info.st_dev, info.st_ino, 5, {1, 2, 30, "y"}, 42};
        QVERIFY(WriteLoggerPosition(m_files.position, position));
        const QByteArray delivered = "7 2024-01-01T10:00:00 2024-01-01T11:00:00\n";
        QVERIFY(WriteFile(QString::fromStdString(m_files.ledger),
                          delivered + "9 2024-01-02T10:00:00 2024-01-02T11:00:00\n"));
        if (renamedToWork)
            QVERIFY(::rename(m_files.data.c_str(), m_files.work.c_str()) == 0);

        off_t cut = 0;
        QVERIFY(SettleUnconfirmedBatch(m_files, &cut));
        QCOMPARE(cut, off_t{7});
        QCOMPARE(ReadFile(renamedToWork ? m_files.work : m_files.data), QByteArray("\"a\"\r\n"));
        QCOMPARE(ReadFile(m_files.ledger), delivered);
        const auto settled = ReadLoggerPosition(m_files.position);
        QVERIFY(settled && !settled->batch);
        QCOMPARE(settled->source.offset, off_t{10});
    }

    void cutUnfinishedLine_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("kept");
        // clang-format off
        QTest::newRow("ends with a line end") << QByteArray("\"a\"\r\n")        << QByteArray("\"a\"\r\n");
        QTest::newRow("torn last field")      << QByteArray("\"a\"\r\n\"Bytes 12") << QByteArray("\"a\"\r\n");
        QTest::newRow("torn between CR, LF")  << QByteArray("\"a\"\r")          << QByteArray("\"a\"\r");
        QTest::newRow("no line end at all")   << QByteArray("\"abc")            << QByteArray();
        QTest::newRow("empty")                << QByteArray()                   << QByteArray();
        QTest::newRow("line end far back")    << "x\n" + QByteArray(200000, 'y') << QByteArray("x\n");
        // clang-format on
    }

    void cutUnfinishedLine()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, kept);
        QVERIFY(WriteFile(QString::fromStdString(m_files.data), bytes));
        const int fd = ::open(m_files.data.c_str(), O_RDWR);
        QVERIFY(fd >= 0);
        QCOMPARE(CutUnfinishedLine(fd), off_t(bytes.size() - kept.size()));
        ::close(fd);
        QCOMPARE(ReadFile(m_files.data), kept);
    }

    void locksExcludeEachOtherInOneProcess()
    {
        HandoverLock first;
        QVERIFY(first.Acquire(m_files.lock, HandoverLockKind::Update, 0ms));
        HandoverLock second;
        QVERIFY(!second.Acquire(m_files.lock, HandoverLockKind::Update, 20ms));
        QCOMPARE(errno, EWOULDBLOCK);
        // Other kinds are other bytes.
        QVERIFY(second.Acquire(m_files.lock, HandoverLockKind::Data, 0ms));
        first.Release();
        HandoverLock third;
        QVERIFY(third.Acquire(m_files.lock, HandoverLockKind::Update, 0ms));
    }
};

QTEST_GUILESS_MAIN(TestDataFile)
#include "test_datafile.moc"
