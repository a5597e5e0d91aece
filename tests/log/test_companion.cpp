#include "log/companion.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

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

} // namespace

class TestCompanion : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_source;
    QString m_data;
    std::vector<std::string> m_problems;

    std::unique_ptr<CompanionLogger> MakeLogger(bool fromStart = false)
    {
        return std::make_unique<CompanionLogger>(
            QFile::encodeName(m_source).toStdString(), QFile::encodeName(m_data).toStdString(),
            fromStart, [this](const std::string& problem) { m_problems.push_back(problem); });
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_source = m_dir.filePath(QStringLiteral("PPPLOG.TXT"));
        m_data = m_dir.filePath(QStringLiteral("Dtally.dat"));
        QFile::remove(m_source);
        QFile::remove(m_data);
        QDir(m_data).removeRecursively();
        m_problems.clear();
    }

    void completeLinesBecomeQuotedFields()
    {
        auto logger = MakeLogger();
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

    void existingSourceIsReadFromItsEndUnlessAsked()
    {
        QVERIFY(Append(m_source, "old\r\n"));
        auto fromEnd = MakeLogger(false);
        QVERIFY(fromEnd->Poll());
        QVERIFY(Append(m_source, "new\r\n"));
        QVERIFY(fromEnd->Poll());
        QCOMPARE(ReadFile(m_data), QByteArray("\"new\"\r\n"));

        QVERIFY(QFile::remove(m_data));
        auto fromStart = MakeLogger(true);
        QVERIFY(fromStart->Poll());
        QCOMPARE(ReadFile(m_data), QByteArray("\"old\"\r\n\"new\"\r\n"));
    }

    void truncatedSourceIsReadAgainFromItsStart()
    {
        auto logger = MakeLogger();
        QVERIFY(logger->Poll()); // no source yet: when it appears, all of it is new
        QVERIFY(Append(m_source, "one long first line\r\n"));
        QVERIFY(logger->Poll());
        QFile source(m_source);
        QVERIFY(source.resize(0));
        QVERIFY(Append(m_source, "two\r\n"));
        QVERIFY(logger->Poll());
        QCOMPARE(ReadFile(m_data), QByteArray("\"one long first line\"\r\n\"two\"\r\n"));
    }

    void replacedSourceIsFinishedThenFollowed()
    {
        auto logger = MakeLogger();
        QVERIFY(logger->Poll()); // no source yet: when it appears, all of it is new
        QVERIFY(Append(m_source, "a\r\n"));
        QVERIFY(logger->Poll());
        // Written to the old file after the last look, then the file is rotated away.
        QVERIFY(Append(m_source, "b\r\nunfinished"));
        QVERIFY(QFile::rename(m_source, m_source + QStringLiteral(".1")));
        QVERIFY(Append(m_source, "c\r\n"));
        QVERIFY(logger->Poll());
        QCOMPARE(ReadFile(m_data), QByteArray("\"a\"\r\n\"b\"\r\n\"unfinished\"\r\n\"c\"\r\n"));
    }

    void renamedDataFileIsCreatedAfresh()
    {
        auto logger = MakeLogger();
        QVERIFY(logger->Poll()); // no source yet: when it appears, all of it is new
        QVERIFY(Append(m_source, "a\r\n"));
        QVERIFY(logger->Poll());
        QVERIFY(QFile::rename(m_data, m_dir.filePath(QStringLiteral("Dtally.wrk"))));
        QVERIFY(Append(m_source, "b\r\n"));
        QVERIFY(logger->Poll());
        QCOMPARE(ReadFile(m_data), QByteArray("\"b\"\r\n"));
    }

    void unwritableDataFileKeepsTheLinesWaiting()
    {
        auto logger = MakeLogger();
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
        QCOMPARE(ReadFile(m_data), QByteArray("\"a\"\r\n\"b\"\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestCompanion)
#include "test_companion.moc"
