#include "platform/processes.h"
#include "support/registryfile.h"
#include "support/runcli.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace dialtally;

// dialtally-cli logging: the state, the switch and its failures, with real loggers.
class TestCliLogging : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QProcessEnvironment m_env;

    QString Registry() const { return m_dir->filePath("windows/SYSTEM.REG"); }
    QString Runtime() const { return m_dir->filePath("run"); }
    std::size_t Loggers() const { return FindLoggerWindows(Runtime()).size(); }
    CliResult Logging(const QStringList& args = {})
    {
        return RunCli(QStringList{"logging"} + args, m_env);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(QDir().mkpath(m_dir->filePath("windows")));
        m_env = TestEnvironment(QDir(m_dir->path()));
        m_env.insert("DIALTALLY_RUNTIME_DIR", Runtime());
    }

    void cleanup()
    {
        for (const LoggerWindow& window : FindLoggerWindows(Runtime()))
            CloseLoggerWindow(window);
    }

    void showsAndSwitches()
    {
        QVERIFY(WriteRegistryFile(Registry(), RegistryFileText(DialUpAdapter("0000", "\"0\""))));
        CliResult result = Logging();
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.out, QByteArray("off\n"));

        result = Logging({"on"});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.out, QByteArray("Logging turned On\nYou must restart your computer before "
                                        "changes take affekt!\n"));
        QCOMPARE(Loggers(), std::size_t{1});
        QCOMPARE(Logging().out, QByteArray("on\n"));
        QCOMPARE(Logging({"on"}).exitCode, 0);
        QCOMPARE(Loggers(), std::size_t{1});

        result = Logging({"off"});
        QCOMPARE(result.exitCode, 0);
        QVERIFY(result.out.startsWith("Logging turned Off\n"));
        QCOMPARE(Loggers(), std::size_t{0});
        QCOMPARE(Logging().out, QByteArray("off\n"));
        QCOMPARE(ReadRegistryFile(Registry()), RegistryFileText(DialUpAdapter("0000", "\"0\"")));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("system");
        QTest::addColumn<bool>("adapter");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("error");
        const QByteArray missing = "dialtally-cli: Dial-Up Adapter Not Found on Your Computer!\n"
                                   "Please, Check your Network Settings.\n";
        const QByteArray version =
            "dialtally-cli: This version of Dialtally does not support your Windows "
            "version!\nCan't find Dial-Up adapter.\n";
        // clang-format off
        QTest::newRow("no adapter")         << "98"    << false << QStringList{}        << 1 << missing;
        QTest::newRow("no adapter, switch") << "95"    << false << QStringList{"on"}    << 1 << missing;
        QTest::newRow("other system")       << "other" << false << QStringList{}        << 1 << version;
        QTest::newRow("other word")         << "98"    << true  << QStringList{"maybe"} << 2 << QByteArray("dialtally-cli: logging takes on or off\n");
        QTest::newRow("two words")          << "98"    << true  << QStringList{"on", "off"} << 2 << QByteArray("dialtally-cli: logging takes on or off\n");
        // clang-format on
    }

    void failures()
    {
        QFETCH(QString, system);
        QFETCH(bool, adapter);
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, error);
        if (adapter)
            QVERIFY(
                WriteRegistryFile(Registry(), RegistryFileText(DialUpAdapter("0000", "\"0\""))));
        m_env.insert("DIALTALLY_SYSTEM", system);
        const CliResult result = Logging(args);
        QCOMPARE(result.exitCode, exitCode);
        QCOMPARE(result.err, error);
        QCOMPARE(result.out, QByteArray());
        QCOMPARE(Loggers(), std::size_t{0});
    }

    // The logger's start at login cannot be written: the switch fails and says so.
    void failedSwitch()
    {
        QVERIFY(WriteRegistryFile(Registry(), RegistryFileText(DialUpAdapter("0000", "\"0\""))));
        QVERIFY(QDir().mkpath(m_dir->filePath("config")));
        QFile blocker(m_dir->filePath("config/autostart"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const CliResult result = Logging({"on"});
        QCOMPARE(result.exitCode, 1);
        QVERIFY(result.err.endsWith("dialtally-cli: logging could not be switched on\n"));
        QCOMPARE(Loggers(), std::size_t{0});
    }
};

QTEST_GUILESS_MAIN(TestCliLogging)
#include "test_cli_logging.moc"
