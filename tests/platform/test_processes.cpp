#include "platform/autorun.h"
#include "platform/processes.h"
#include "platform/system.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <csignal>
#include <thread>
#include <unistd.h>

using namespace dialtally;

class TestProcesses : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString Logger() const { return QStringLiteral(DIALTALLY_BIN_DIR "/dtallywr"); }

    // A logger started the way the logging control starts it, detached from us.
    bool StartLogger(const QString& windowsDir = QStringLiteral("w"))
    {
        return StartProcess(Logger(),
                            {QStringLiteral("--windows-dir"), m_dir.filePath(windowsDir),
                             QStringLiteral("--poll-ms"), QStringLiteral("20")},
                            m_dir.path());
    }

    void CloseAll()
    {
        for (const LoggerWindow& window : FindLoggerWindows())
            CloseLoggerWindow(window);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("DIALTALLY_RUNTIME_DIR", QFile::encodeName(m_dir.filePath(QStringLiteral("run"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
    }

    void cleanup() { CloseAll(); }

    void startFindAndCloseTwoLoggers()
    {
        QVERIFY(!FindLoggerWindow());
        // Two Windows folders: one logger per data file.
        QVERIFY(StartLogger(QStringLiteral("w1")));
        QVERIFY(StartLogger(QStringLiteral("w2")));
        QTRY_COMPARE_WITH_TIMEOUT(FindLoggerWindows().size(), std::size_t{2}, 5000);

        // As the logging control does: close until no logger window is left.
        int closed = 0;
        while (const auto window = FindLoggerWindow()) {
            QVERIFY(CloseLoggerWindow(*window));
            QVERIFY(++closed <= 2);
        }
        QCOMPARE(closed, 2);
        QVERIFY(QDir(m_dir.filePath(QStringLiteral("run"))).isEmpty());
    }

    void deadLoggerLeavesNoLiveWindow()
    {
        QVERIFY(StartLogger());
        QTRY_VERIFY_WITH_TIMEOUT(FindLoggerWindow().has_value(), 5000);
        const LoggerWindow window = *FindLoggerWindow();
        QCOMPARE(::kill(static_cast<pid_t>(window.pid), SIGKILL), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!FindLoggerWindow().has_value(), 5000);
        QVERIFY(!QFile::exists(window.entryPath)); // the stale entry is cleared away
        QVERIFY(CloseLoggerWindow(window));
    }

    // A scan clears entries whose lock is free; it must never see a registering logger's entry
    // before that entry is locked.
    void registrationSurvivesRacingScans()
    {
        std::atomic<bool> stop = false;
        std::thread scanner([&] {
            while (!stop)
                FindLoggerWindows();
        });
        int failed = 0;
        int lost = 0;
        for (int i = 0; i < 3000; ++i) {
            LoggerRegistration registration;
            if (!registration.Register()) {
                ++failed;
                continue;
            }
            const auto windows = FindLoggerWindows();
            if (windows.size() != 1 || windows.front().pid != ::getpid())
                ++lost;
        }
        stop = true;
        scanner.join();
        QCOMPARE(failed, 0);
        QCOMPARE(lost, 0);
    }

    void missingProgramDoesNotStart()
    {
        QVERIFY(!StartProcess(m_dir.filePath(QStringLiteral("no-such-logger")), {}));
    }

    void autorunSwitchesTheAutostartEntry()
    {
        const QString entry = m_dir.filePath(QStringLiteral("config/autostart/dtallywr.desktop"));
        QCOMPARE(AutorunEntryPath(), entry);
        const QString windowsDir = m_dir.filePath(QStringLiteral("my windows"));
        QCOMPARE(QProcess::execute(Logger(), {QStringLiteral("--windows-dir"), windowsDir,
                                              QStringLiteral("/autorun"), QStringLiteral("on")}),
                 0);
        QVERIFY(IsAutorunEnabled());
        QFile file(entry);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY(text.startsWith(QStringLiteral("[Desktop Entry]\n")));
        QVERIFY2(text.contains(
                     QStringLiteral("\nExec=%1 --windows-dir \"%2\" --source \"%2/PPPLOG.TXT\"\n")
                         .arg(Logger(), windowsDir)),
                 qPrintable(text));
        QVERIFY(!FindLoggerWindow()); // the switch only switches

        QCOMPARE(QProcess::execute(Logger(), {QStringLiteral("/autorun"), QStringLiteral("off")}),
                 0);
        QVERIFY(!IsAutorunEnabled());
        QCOMPARE(QProcess::execute(Logger(), {QStringLiteral("/autorun"), QStringLiteral("off")}),
                 0);
    }

    void execLineQuoting_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("line");
        // clang-format off
        QTest::newRow("plain")         << QStringList{"/usr/bin/dtallywr", "--x"} << "/usr/bin/dtallywr --x";
        QTest::newRow("blank")         << QStringList{"/a b/dtallywr"}            << "\"/a b/dtallywr\"";
        QTest::newRow("percent")       << QStringList{"/p", "50%"}                << "/p 50%%";
        QTest::newRow("quote, dollar") << QStringList{"/p", "a\"$b"}              << "/p \"a\\\"\\$b\"";
        QTest::newRow("empty")         << QStringList{"/p", ""}                   << "/p \"\"";
        // clang-format on
    }

    void execLineQuoting()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, line);
        QCOMPARE(DesktopExecLine(arguments.first(), arguments.mid(1)), line);
    }

    void systemFamily_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("environment");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("family");
        // clang-format off
        QTest::newRow("default")              << QStringList{}                           << QByteArray()     << true  << 2;
        QTest::newRow("environment 95")       << QStringList{}                           << QByteArray("95") << true  << 1;
        QTest::newRow("bad environment")      << QStringList{}                           << QByteArray("me") << true  << 2;
        QTest::newRow("option beats env")     << QStringList{"--system", "other"}        << QByteArray("95") << true  << 0;
        QTest::newRow("option with =")        << QStringList{"--system=95"}              << QByteArray()     << true  << 1;
        QTest::newRow("unknown system")       << QStringList{"--system", "2000"}         << QByteArray()     << false << 2;
        QTest::newRow("missing value")        << QStringList{"--system"}                 << QByteArray()     << false << 2;
        QTest::newRow("after -- not taken")   << QStringList{"--", "--system", "95"}     << QByteArray()     << true  << 2;
        // clang-format on
    }

    void systemFamily()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, environment);
        QFETCH(bool, ok);
        QFETCH(int, family);
        SetSystemOverride(std::nullopt);
        qputenv("DIALTALLY_SYSTEM", environment);
        QString error;
        QCOMPARE(TakeSystemOption(args, &error), ok);
        QCOMPARE(error.isEmpty(), ok);
        QCOMPARE(int(WindowsFamily()), family);
        qunsetenv("DIALTALLY_SYSTEM");
        SetSystemOverride(std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestProcesses)
#include "test_processes.moc"
