#include "control/logger.h"
#include "control/logging.h"
#include "platform/autorun.h"
#include "platform/processes.h"
#include "support/registryfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

using namespace dialtally;

// Real loggers, started and closed the way the logging control does it.
class TestLogging : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    LoggingPlaces m_places;

    QString Folder(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QString AutostartEntry() const { return Folder("config/autostart/dtallywr.desktop"); }
    std::size_t Loggers() const { return FindLoggerWindows(m_places.loggerRegistry).size(); }
    bool LoggingIsOn()
    {
        bool on = false;
        return GetLoggingState(m_places, on) && on;
    }
    QByteArray Registry(const QByteArray& logging) const
    {
        return RegistryFileText(DialUpAdapter("0000", logging));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // The loggers inherit these: where they register and where their autostart entry goes.
        qputenv("DIALTALLY_RUNTIME_DIR", QFile::encodeName(Folder("run")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(Folder("config")));
        QDir().mkpath(Folder("windows"));
    }

    void init()
    {
        m_places.registryFile = Folder("windows/SYSTEM.REG");
        m_places.loggerProgram = QStringLiteral(DIALTALLY_BIN_DIR "/dtallywr");
        m_places.loggerArguments = {QStringLiteral("--windows-dir"), Folder("windows")};
        m_places.workingDir = Folder("program");
        m_places.loggerRegistry = Folder("run");
    }

    void cleanup()
    {
        for (const LoggerWindow& window : FindLoggerWindows(m_places.loggerRegistry))
            CloseLoggerWindow(window);
    }

    // The second switch-on finds the logger that the first one started.
    void switchingOnStartsOneLogger()
    {
        QVERIFY(WriteRegistryFile(m_places.registryFile, Registry("\"0\"")));
        QVERIFY(SetLogging(m_places, true));
        QCOMPARE(Loggers(), std::size_t{1});
        QVERIFY(LoggingIsOn());
        QVERIFY(IsAutorunEnabled(AutostartEntry()));
        QCOMPARE(ReadRegistryFile(m_places.registryFile), Registry("\"1\""));

        QVERIFY(SetLogging(m_places, true));
        QTest::qWait(300);
        QCOMPARE(Loggers(), std::size_t{1});
    }

    void switchingOffClosesEveryLogger()
    {
        QVERIFY(WriteRegistryFile(m_places.registryFile, Registry("\"1\"")));
        QVERIFY(StartLoggerAutorunOn(m_places));
        // Two loggers at once need two Windows folders.
        QVERIFY(StartLogger(m_places));
        LoggingPlaces second = m_places;
        second.loggerArguments = {QStringLiteral("--windows-dir"), Folder("windows2")};
        QVERIFY(StartProcess(second.loggerProgram, second.loggerArguments));
        QTRY_COMPARE_WITH_TIMEOUT(Loggers(), std::size_t{2}, 5000);
        QVERIFY(LoggingIsOn());

        QVERIFY(SetLogging(m_places, false));
        QCOMPARE(Loggers(), std::size_t{0});
        QVERIFY(!LoggingIsOn());
        QVERIFY(!IsAutorunEnabled(AutostartEntry()));
        QCOMPARE(ReadRegistryFile(m_places.registryFile), Registry("\"0\""));
    }

    // The option is written first; the start that fails then leaves it changed.
    void missingLoggerFailsSwitchingOn()
    {
        QVERIFY(WriteRegistryFile(m_places.registryFile, Registry("\"0\"")));
        m_places.loggerProgram = Folder("no-such-folder/dtallywr");
        QVERIFY(!SetLogging(m_places, true));
        QCOMPARE(Loggers(), std::size_t{0});
        QCOMPARE(ReadRegistryFile(m_places.registryFile), Registry("\"1\""));
    }

    void optionOnWithoutLoggerIsOffAndSwitchesOn()
    {
        QVERIFY(WriteRegistryFile(m_places.registryFile, Registry("\"1\"")));
        bool on = true;
        QVERIFY(GetLoggingState(m_places, on));
        QVERIFY(!on);
        QVERIFY(SetLogging(m_places, true));
        QVERIFY(LoggingIsOn());
        QCOMPARE(ReadRegistryFile(m_places.registryFile), Registry("\"1\""));
    }

    // A logger that ignores the request to close is asked once and waited for a bounded time.
    void closeEndsForALoggerThatStays()
    {
        LoggerRegistration registration; // this test poses as a logger that ignores SIGTERM
        QVERIFY(registration.Register(m_places.loggerRegistry));
        const auto previous = std::signal(SIGTERM, SIG_IGN);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!CloseLogger(m_places));
        QVERIFY(timer.elapsed() < 2 * kLoggerCloseMs);
        std::signal(SIGTERM, previous);
        QCOMPARE(Loggers(), std::size_t{1});
    }
};

QTEST_GUILESS_MAIN(TestLogging)
#include "test_logging.moc"
