#include "support/runcli.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace dialtally;

namespace {

const QByteArray kOldLog = "#1998-12-16 10:14:40#,\"Remote access driver log opened.\"\r\n"
                           "#1998-12-16 10:45:00#,\"Bytes Received 123456\"\r\n";
// The two records of the old log, by hand, and one record of the current log.
const QByteArray kConverted = QByteArray::fromHex("fe36c5a82da6e140010000000000"
                                                  "555555552ea6e1406500"
                                                  "40e20100");
const QByteArray kCurrent = QByteArray::fromHex("0000000000d0e24065000700"
                                                "0000");

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

} // namespace

class TestCliImport : public QObject {
    Q_OBJECT

private slots:
    void importOld_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("oldLog"); // "text", "none" or "folder" (cannot be read)
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("sesLog");
        QTest::addColumn<QByteArray>("retired");
        QTest::addColumn<QString>("says");

        const QByteArray missing("<missing>");
        // clang-format off
        QTest::newRow("no option changes nothing")
            << QStringList{"import-old"} << "text" << 2 << kCurrent << missing << "either --yes";
        QTest::newRow("both options change nothing")
            << QStringList{"import-old", "--yes", "--discard"} << "text" << 2 << kCurrent << missing << "either --yes";
        QTest::newRow("yes converts")
            << QStringList{"import-old", "--yes"} << "text" << 0 << kConverted + kCurrent << kOldLog
            << "2 records imported from 2 entries";
        QTest::newRow("discard keeps it unimported")
            << QStringList{"import-old", "--discard"} << "text" << 0 << kCurrent << kOldLog << "not imported";
        QTest::newRow("nothing to import")
            << QStringList{"import-old", "--yes"} << "none" << 0 << kCurrent << missing << "nothing to do";
        QTest::newRow("unreadable old log")
            << QStringList{"import-old", "--yes"} << "folder" << 1 << kCurrent << missing
            << "Error occured while reading old log! Old log not imported.";
        // clang-format on
    }

    void importOld()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, oldLog);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, sesLog);
        QFETCH(QByteArray, retired);
        QFETCH(QString, says);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString oldPath = dir.filePath(QStringLiteral("Dtally.log"));
        if (oldLog == QLatin1String("text"))
            QVERIFY(WriteFile(oldPath, kOldLog));
        else if (oldLog == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(oldPath));
        QVERIFY(WriteFile(dir.filePath(QStringLiteral("SesLog.log")), kCurrent));

        const CliResult result = RunCli(args, TestEnvironment(QDir(dir.path())));
        QCOMPARE(result.exitCode, exitCode);
        QVERIFY2(QString::fromUtf8(result.out + result.err).contains(says),
                 (result.out + result.err).constData());
        QCOMPARE(ReadFile(dir.filePath(QStringLiteral("SesLog.log"))), sesLog);
        QCOMPARE(ReadFile(dir.filePath(QStringLiteral("OldLog.log"))), retired);
        QCOMPARE(QFile::exists(oldPath),
                 oldLog != QLatin1String("none") && retired == QByteArray("<missing>"));
    }
};

QTEST_GUILESS_MAIN(TestCliImport)
#include "test_cli_import.moc"
