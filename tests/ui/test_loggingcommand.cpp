#include "analysis/formatting.h"
#include "platform/processes.h"
#include "support/registryfile.h"
#include "ui/frmmain.h"
#include "ui/messagebox.h"
#include "ui/picturebox.h"

#include <QAction>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace dialtally;

Q_DECLARE_METATYPE(Dialect)

namespace {

const QString kAdapterMissing = "Dial-Up Adapter Not Found on Your Computer!\r\n"
                                "Please, Check your Network Settings.";
const QString kVersionNotSupported =
    "This version of Dialtally does not support your Windows version!\r\n"
    "Can't find Dial-Up adapter.";

QByteArray Adapter(const QByteArray& logging)
{
    return RegistryFileText(DialUpAdapter("0000", logging));
}

} // namespace

// The Logging command, the indicator and the start-up check of the main window, with real
// loggers.
class TestLoggingCommand : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    Places m_places;

    QString RegistryPath() const { return QDir(m_places.windowsDir).filePath("SYSTEM.REG"); }
    std::size_t Loggers() const { return FindLoggerWindows(m_places.runtimeDir).size(); }
    void StartLogger()
    {
        QVERIFY(StartProcess(QStringLiteral(DIALTALLY_BIN_DIR "/dtallywr"),
                             {"--windows-dir", m_places.windowsDir}));
        QTRY_COMPARE_WITH_TIMEOUT(Loggers(), std::size_t{1}, 5000);
    }
    void MarkEarlierRun()
    {
        QFile file(m_places.SettingsFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Run]\nbFirstRunDone=True\n");
    }
    std::unique_ptr<frmMain> StartWindow()
    {
        auto window =
            std::make_unique<frmMain>(m_places, nullptr, [] { return *MakeDateTime(2024, 5, 20); });
        window->show();
        window->FirstActivation();
        return window;
    }
    // The indicator's colour, the text it is said to show, the button's caption and the check.
    static void VerifyDisplay(frmMain& window, bool on)
    {
        auto* indicator = window.findChild<PictureBox*>("picEnable");
        QCOMPARE(indicator->Picture().pixelColor(1, 1), on ? QColor(0, 255, 0) : QColor(255, 0, 0));
        QCOMPARE(indicator->accessibleName(), on ? QString("Logging On") : QString("Logging Off"));
        QCOMPARE(window.findChild<QPushButton*>("cmdLogging")->text(),
                 on ? QString("Logging &Off") : QString("Logging &On"));
        QCOMPARE(window.findChild<QAction*>("mnuLog")->isChecked(), on);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        const QDir dir(m_dir->path());
        m_places.programDir = dir.filePath("program");
        m_places.windowsDir = dir.filePath("windows");
        m_places.configDir = dir.filePath("config");
        m_places.runtimeDir = dir.filePath("run");
        m_places.dialect = Dialect::Windows98;
        for (const QString& folder : {m_places.programDir, m_places.windowsDir, m_places.configDir})
            QVERIFY(QDir().mkpath(folder));
        // The loggers that the window starts inherit where they register and where their
        // autostart entry goes.
        qputenv("DIALTALLY_RUNTIME_DIR", QFile::encodeName(m_places.runtimeDir));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_places.configDir));
        MessageBox::SetAutoAnswer(MessageBox::Answer::Ok);
        MessageBox::ResetRecord();
    }

    void cleanup()
    {
        for (const LoggerWindow& window : FindLoggerWindows(m_places.runtimeDir))
            CloseLoggerWindow(window);
        m_dir.reset();
    }

    void indicatorShowsTheState_data()
    {
        QTest::addColumn<bool>("on");
        QTest::newRow("on") << true;
        QTest::newRow("off") << false;
    }

    // The text stands in black a little left of and above the centre of the indicator.
    void indicatorShowsTheState()
    {
        QFETCH(bool, on);
        auto window = StartWindow();
        window->SetLoggingDisplay(!on);
        window->SetLoggingDisplay(on);
        VerifyDisplay(*window, on);
        const QImage picture = window->findChild<PictureBox*>("picEnable")->Picture();
        QRect text;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                if (picture.pixelColor(x, y).lightness() < 80)
                    text |= QRect(x, y, 1, 1);
            }
        }
        QVERIFY(text.width() > picture.width() / 3);
        QVERIFY(QRect(1, 1, picture.width() - 2, picture.height() - 2).contains(text));
        const QPointF centre = QRectF(text).center();
        QVERIFY2(centre.x() < picture.width() / 2.0 - 2 && centre.x() > picture.width() * 0.4,
                 qPrintable(QString::number(centre.x())));
        QVERIFY2(centre.y() < picture.height() / 2.0 && centre.y() > picture.height() * 0.25,
                 qPrintable(QString::number(centre.y())));
    }

    void startUpCheck_data()
    {
        QTest::addColumn<QByteArray>("registry"); // empty: no registry file
        QTest::addColumn<Dialect>("system");
        QTest::addColumn<bool>("firstRun");
        QTest::addColumn<bool>("loggerRunning");
        QTest::addColumn<QString>("message"); // empty: none
        QTest::addColumn<bool>("on");
        QTest::addColumn<std::size_t>("loggers");
        const QByteArray none;
        // clang-format off
        QTest::newRow("no adapter")                   << none            << Dialect::Windows98 << true  << false << kAdapterMissing      << false << std::size_t{0};
        QTest::newRow("no adapter, Windows 95")       << none            << Dialect::Windows95 << false << false << kAdapterMissing      << false << std::size_t{0};
        QTest::newRow("no adapter, other system")     << none            << Dialect::Other     << false << false << kVersionNotSupported << false << std::size_t{0};
        QTest::newRow("on with its logger")           << Adapter("\"1\"") << Dialect::Windows98 << false << true  << QString()            << true  << std::size_t{1};
        QTest::newRow("1 without a logger")           << Adapter("\"1\"") << Dialect::Windows98 << false << false << QString()            << false << std::size_t{0};
        QTest::newRow("off")                          << Adapter("\"0\"") << Dialect::Windows98 << false << false << QString()            << false << std::size_t{0};
        QTest::newRow("off on the first run")         << Adapter("\"0\"") << Dialect::Windows98 << true  << false << "Logging turned On!" << true  << std::size_t{1};
        QTest::newRow("1 without logger, first run")  << Adapter("\"1\"") << Dialect::Windows98 << true  << false << "Logging turned On!" << true  << std::size_t{1};
        QTest::newRow("on with its logger, first run") << Adapter("\"1\"") << Dialect::Windows98 << true << true  << QString()            << true  << std::size_t{1};
        // clang-format on
    }

    void startUpCheck()
    {
        QFETCH(QByteArray, registry);
        QFETCH(Dialect, system);
        QFETCH(bool, firstRun);
        QFETCH(bool, loggerRunning);
        QFETCH(QString, message);
        QFETCH(bool, on);
        QFETCH(std::size_t, loggers);
        if (!registry.isEmpty())
            QVERIFY(WriteRegistryFile(RegistryPath(), registry));
        m_places.dialect = system;
        if (!firstRun)
            MarkEarlierRun();
        if (loggerRunning)
            StartLogger();

        auto window = StartWindow();
        QCOMPARE(MessageBox::ShownCount(), message.isEmpty() ? 0 : 1);
        QCOMPARE(MessageBox::LastText(), message);
        VerifyDisplay(*window, on);
        QCOMPARE(Loggers(), loggers);
        if (on && !registry.isEmpty())
            QCOMPARE(ReadRegistryFile(RegistryPath()), Adapter("\"1\""));

        // The next start is not a first run: logging is not switched by itself again.
        window.reset();
        for (const LoggerWindow& logger : FindLoggerWindows(m_places.runtimeDir))
            CloseLoggerWindow(logger);
        if (!registry.isEmpty())
            QVERIFY(WriteRegistryFile(RegistryPath(), Adapter("\"0\"")));
        MessageBox::ResetRecord();
        window = StartWindow();
        QCOMPARE(MessageBox::ShownCount(), registry.isEmpty() ? 1 : 0);
        VerifyDisplay(*window, false);
    }

    // The button switches logging on and off; the menu item does the same.
    void loggingCommandSwitches()
    {
        QVERIFY(WriteRegistryFile(RegistryPath(), Adapter("\"0\"")));
        MarkEarlierRun();
        auto window = StartWindow();
        VerifyDisplay(*window, false);
        auto* button = window->findChild<QPushButton*>("cmdLogging");

        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(MessageBox::LastText(), QString("Logging turned On\r"
                                                 "You must restart your computer before changes "
                                                 "take affekt!"));
        VerifyDisplay(*window, true);
        QCOMPARE(Loggers(), std::size_t{1});
        QCOMPARE(ReadRegistryFile(RegistryPath()), Adapter("\"1\""));

        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(MessageBox::LastText(), QString("Logging turned Off\r"
                                                 "You must restart computer before changes take "
                                                 "affekt!"));
        VerifyDisplay(*window, false);
        QCOMPARE(Loggers(), std::size_t{0});
        QCOMPARE(ReadRegistryFile(RegistryPath()), Adapter("\"0\""));

        window->findChild<QAction*>("mnuLog")->trigger();
        VerifyDisplay(*window, true);
        QCOMPARE(Loggers(), std::size_t{1});
        QCOMPARE(MessageBox::ShownCount(), 3);
    }

    void loggingCommandWithoutAdapterSaysSo()
    {
        MarkEarlierRun();
        auto window = StartWindow();
        MessageBox::ResetRecord();
        QTest::mouseClick(window->findChild<QPushButton*>("cmdLogging"), Qt::LeftButton);
        QCOMPARE(MessageBox::ShownCount(), 1);
        QCOMPARE(MessageBox::LastText(), kAdapterMissing);
        VerifyDisplay(*window, false);
        QVERIFY(!QFile::exists(RegistryPath()));
    }

    // The logger's start at login cannot be written (its folder is a file): switching on fails,
    // nothing is said, and the display stays as it was.
    void failedSwitchIsSilent()
    {
        QVERIFY(WriteRegistryFile(RegistryPath(), Adapter("\"0\"")));
        MarkEarlierRun();
        QFile blocker(QDir(m_places.configDir).filePath("autostart"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        auto window = StartWindow();
        MessageBox::ResetRecord();
        window->findChild<QAction*>("mnuLog")->trigger();
        QCOMPARE(MessageBox::ShownCount(), 0);
        VerifyDisplay(*window, false);
        QCOMPARE(Loggers(), std::size_t{0});
    }
};

QTEST_MAIN(TestLoggingCommand)
#include "test_loggingcommand.moc"
