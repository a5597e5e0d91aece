#include "platform/autorun.h"
#include "platform/processes.h"

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
    // Where the loggers register; they find it in the environment they are started with.
    QString Registry() const { return m_dir.filePath(QStringLiteral("run")); }

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
        for (const LoggerWindow& window : FindLoggerWindows(Registry()))
            CloseLoggerWindow(window);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // The loggers that the test starts inherit these.
        qputenv("DIALTALLY_RUNTIME_DIR", QFile::encodeName(Registry()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
    }

    void cleanup() { CloseAll(); }

    void startFindAndCloseTwoLoggers()
    {
        QVERIFY(!FindLoggerWindow(Registry()));
        // Two Windows folders: one logger per data file.
        QVERIFY(StartLogger(QStringLiteral("w1")));
        QVERIFY(StartLogger(QStringLiteral("w2")));
        QTRY_COMPARE_WITH_TIMEOUT(FindLoggerWindows(Registry()).size(), std::size_t{2}, 5000);

        // As the logging control does: close until no logger window is left.
        int closed = 0;
        while (const auto window = FindLoggerWindow(Registry())) {
            QVERIFY(CloseLoggerWindow(*window));
            QVERIFY(++closed <= 2);
        }
        QCOMPARE(closed, 2);
        QVERIFY(QDir(m_dir.filePath(QStringLiteral("run"))).isEmpty());
    }

    void deadLoggerLeavesNoLiveWindow()
    {
        QVERIFY(StartLogger());
        QTRY_VERIFY_WITH_TIMEOUT(FindLoggerWindow(Registry()).has_value(), 5000);
        const LoggerWindow window = *FindLoggerWindow(Registry());
        QCOMPARE(::kill(static_cast<pid_t>(window.pid), SIGKILL), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!FindLoggerWindow(Registry()).has_value(), 5000);
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
                FindLoggerWindows(Registry());
        });
        int failed = 0;
        int lost = 0;
        for (int i = 0; i < 3000; ++i) {
            LoggerRegistration registration;
            if (!registration.Register(Registry())) {
                ++failed;
                continue;
            }
            const auto windows = FindLoggerWindows(Registry());
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
        const QString windowsDir = m_dir.filePath(QStringLiteral("my windows"));
        QCOMPARE(QProcess::execute(Logger(), {QStringLiteral("--windows-dir"), windowsDir,
                                              QStringLiteral("/autorun"), QStringLiteral("on")}),
                 0);
        QVERIFY(IsAutorunEnabled(entry));
        QFile file(entry);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY(text.startsWith(QStringLiteral("[Desktop Entry]\n")));
        QVERIFY2(text.contains(
                     QStringLiteral("\nExec=%1 --windows-dir \"%2\" --source \"%2/PPPLOG.TXT\"\n")
                         .arg(Logger(), windowsDir)),
                 qPrintable(text));
        QVERIFY(!FindLoggerWindow(Registry())); // the switch only switches

        QCOMPARE(QProcess::execute(Logger(), {QStringLiteral("/autorun"), QStringLiteral("off")}),
                 0);
        QVERIFY(!IsAutorunEnabled(entry));
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
};

QTEST_GUILESS_MAIN(TestProcesses)
#include "test_processes.moc"
