#include "platform/folders.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace dialtally;

class TestFolders : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void resolutionOrder_data();
    void resolutionOrder();
    void takesFolderOptions();
    void missingValueIsAnError();
    void findsShippedFileBesideExecutable();
};

void TestFolders::cleanup()
{
    SetFolderOverrides({}, {});
    qunsetenv("DIALTALLY_PROGRAM_DIR");
    qunsetenv("DIALTALLY_WINDOWS_DIR");
}

void TestFolders::resolutionOrder_data()
{
    QTest::addColumn<QString>("programOption");
    QTest::addColumn<QString>("programEnv");
    QTest::addColumn<QString>("windowsOption");
    QTest::addColumn<QString>("windowsEnv");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("windows");
    // clang-format off
    QTest::newRow("defaults")          << ""     << ""     << ""     << ""     << "/xdg/dialtally" << "/xdg/dialtally/windows";
    QTest::newRow("environment")       << ""     << "/env" << ""     << "/win" << "/env"           << "/win";
    QTest::newRow("option over env")   << "/opt" << "/env" << ""     << ""     << "/opt"           << "/opt/windows";
    QTest::newRow("windows option")    << ""     << ""     << "/w"   << "/win" << "/xdg/dialtally" << "/w";
    QTest::newRow("relative, cleaned") << "a/../b" << ""   << ""     << ""     << QDir::current().absoluteFilePath("b") << QDir::current().absoluteFilePath("b/windows");
    // clang-format on
}

void TestFolders::resolutionOrder()
{
    QFETCH(QString, programOption);
    QFETCH(QString, programEnv);
    QFETCH(QString, windowsOption);
    QFETCH(QString, windowsEnv);
    QFETCH(QString, program);
    QFETCH(QString, windows);
    qputenv("XDG_DATA_HOME", "/xdg");
    if (!programEnv.isEmpty())
        qputenv("DIALTALLY_PROGRAM_DIR", programEnv.toUtf8());
    if (!windowsEnv.isEmpty())
        qputenv("DIALTALLY_WINDOWS_DIR", windowsEnv.toUtf8());
    SetFolderOverrides(programOption, windowsOption);
    QCOMPARE(ProgramFolder(), program);
    QCOMPARE(WindowsFolder(), windows);
}

void TestFolders::takesFolderOptions()
{
    QStringList args = {"--program-dir", "/p", "sessions",      "--windows-dir=/w",
                        "--json",        "--", "--program-dir", "/late"};
    QVERIFY(TakeFolderOptions(args));
    QCOMPARE(args, (QStringList{"sessions", "--json", "--", "--program-dir", "/late"}));
    QCOMPARE(ProgramFolder(), QString("/p"));
    QCOMPARE(WindowsFolder(), QString("/w"));
}

void TestFolders::missingValueIsAnError()
{
    QStringList args = {"events", "--windows-dir"};
    QString error;
    QVERIFY(!TakeFolderOptions(args, &error));
    QVERIFY(error.contains("--windows-dir"));
}

void TestFolders::findsShippedFileBesideExecutable()
{
    QCOMPARE(ShippedFile("license.txt"), QDir(ExecutableFolder()).filePath("license.txt"));
    QVERIFY(ShippedFile("no-such-file.txt").isEmpty());
    QTemporaryDir dir;
    const QString nested = dir.filePath("a/b");
    QVERIFY(EnsureFolder(nested));
    QVERIFY(QDir(nested).exists());
}

QTEST_GUILESS_MAIN(TestFolders)
#include "test_folders.moc"
