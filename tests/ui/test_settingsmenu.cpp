#include "analysis/formatting.h"
#include "support/settingsfixture.h"
#include "ui/frmmain.h"
#include "ui/sessiontablemodel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

using namespace dialtally;

namespace {

// One session of the Windows 98 adapter as the companion logger writes it: up at upTime, down ten
// minutes later, on the given day of January 2024.
QByteArray DataFileSession(int day, const char* upTime, const char* downTime)
{
    QByteArray bytes;
    const auto line = [&](const char* time, const QByteArray& text) {
        bytes += QStringLiteral("\"01-%1-2024 %2.00 - ")
                     .arg(day, 2, 10, QLatin1Char('0'))
                     .arg(QLatin1String(time))
                     .toLatin1() +
                 text + "\"\r\n";
    };
    line(upTime, "Microsoft Dial Up Agapter log opened.");
    line(upTime, "IPCP : Layer up.");
    line(downTime, "Remote access driver is shutting down.");
    line(downTime, "Bytes Received 5000");
    line(downTime, "Bytes Transmitted 1000");
    line(downTime, "Microsoft Dial Up Adapter log closed.");
    return bytes;
}

using Column = SessionTableModel::Column;
using DialogAction = std::function<void(QDialog*)>;

} // namespace

Q_DECLARE_METATYPE(DialogAction)

class TestSettingsMenu : public QObject {
    Q_OBJECT

private slots:
    void init();
    void menuItemsCarryTheirHelpContexts();
    void tariffDialogsRepriceTheLoadedLog_data();
    void tariffDialogsRepriceTheLoadedLog();
    void optionsUpdateAndAnalyseTheLogAgain();
    void cancelChangesNothing();

private:
    std::unique_ptr<frmMain> StartWindow();
    void AppendDataFile(const QByteArray& bytes);
    // Runs action on the modal dialog that the menu item opens, then triggers the item.
    void Choose(frmMain& window, const char* item, const DialogAction& action);
    QString Cell(frmMain& window, int row, Column column)
    {
        return window.SessionTable().index(row, int(column)).data().toString();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    Places m_places;
};

void TestSettingsMenu::init()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    m_dir = std::make_unique<QTemporaryDir>();
    const QDir dir(m_dir->path());
    for (const char* folder : {"program", "windows", "config"})
        dir.mkpath(QString::fromLatin1(folder));
    m_places.programDir = dir.filePath("program");
    m_places.windowsDir = dir.filePath("windows");
    m_places.configDir = dir.filePath("config");
    m_places.runtimeDir = dir.filePath("run");
    MessageBox::SetAutoAnswer(MessageBox::Answer::Ok);
    MessageBox::ResetRecord();
    AppendDataFile(DataFileSession(10, "10:00:00", "10:10:00"));
}

std::unique_ptr<frmMain> TestSettingsMenu::StartWindow()
{
    auto window =
        std::make_unique<frmMain>(m_places, nullptr, [] { return *MakeDateTime(2024, 1, 20); });
    window->show();
    window->FirstActivation();
    return window;
}

void TestSettingsMenu::AppendDataFile(const QByteArray& bytes)
{
    QFile file(QDir(m_places.windowsDir).filePath("Dtally.dat"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Append));
    file.write(bytes);
}

void TestSettingsMenu::Choose(frmMain& window, const char* item, const DialogAction& action)
{
    bool acted = false;
    QTimer::singleShot(0, &window, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        acted = true;
        action(dialog);
        // A dialog that is still open after the action must not hold the test.
        if (dialog->isVisible())
            dialog->reject();
    });
    window.findChild<QAction*>(QString::fromLatin1(item))->trigger();
    QVERIFY2(acted, item);
}

void TestSettingsMenu::menuItemsCarryTheirHelpContexts()
{
    auto window = StartWindow();
    for (const auto& [name, context] :
         {std::pair{"mnuSCosts", 280}, std::pair{"mnuCCosts", 290}, std::pair{"mnuOptions", 0}}) {
        const auto* item = window->findChild<QAction*>(QString::fromLatin1(name));
        QVERIFY2(item->isEnabled(), name);
        QCOMPARE(item->property("helpContext").toInt(), context);
    }
}

void TestSettingsMenu::tariffDialogsRepriceTheLoadedLog_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<DialogAction>("action");
    QTest::addColumn<int>("column");
    // Ten minutes at 0.10 a minute either way.
    QTest::newRow("communication costs") << "mnuCCosts" << DialogAction([](QDialog* dialog) {
        QTest::mouseClick(Child<QCheckBox>(dialog, "chEnabled"), Qt::LeftButton);
        Type(Child<QLineEdit>(dialog, "txtRate1"), "0.10");
        QTest::mouseClick(Child<QPushButton>(dialog, "cmdOk"), Qt::LeftButton);
    }) << int(Column::CommCosts);
    QTest::newRow("service costs") << "mnuSCosts" << DialogAction([](QDialog* dialog) {
        QTest::mouseClick(Child<QCheckBox>(dialog, "chServ"), Qt::LeftButton);
        Type(Child<QLineEdit>(dialog, "txtServPeriod"), "6");
        auto* unit = Child<QComboBox>(dialog, "cbServPeriod");
        unit->setCurrentIndex(unit->findText("Hour"));
        QTest::mouseClick(Child<QPushButton>(dialog, "cmdOk"), Qt::LeftButton);
    }) << int(Column::ServCosts);
}

void TestSettingsMenu::tariffDialogsRepriceTheLoadedLog()
{
    QFETCH(QString, item);
    QFETCH(DialogAction, action);
    QFETCH(int, column);
    auto window = StartWindow();
    QCOMPARE(Cell(*window, 0, Column(column)), QString());
    const int calculations = window->CostCalculationCount();
    // Lines the logger collected meanwhile wait for the next update: a tariff only reprices.
    AppendDataFile(DataFileSession(11, "10:00:00", "10:10:00"));

    Choose(*window, qPrintable(item), action);
    QCOMPARE(Cell(*window, 0, Column(column)), FormatCurrency(1.0));
    QCOMPARE(window->CostCalculationCount(), calculations + 1);
    QCOMPARE(window->SessionTable().rowCount(), 1);
    QVERIFY(!window->gfUpdateUI);
    // The next start prices with the saved tariff.
    window.reset();
    window = StartWindow();
    QCOMPARE(Cell(*window, 1, Column(column)), FormatCurrency(1.0));
}

void TestSettingsMenu::optionsUpdateAndAnalyseTheLogAgain()
{
    auto window = StartWindow();
    AppendDataFile(DataFileSession(11, "10:00:00", "10:10:00"));
    Choose(*window, "mnuOptions", [](QDialog* dialog) {
        Type(Child<QLineEdit>(dialog, "txtAditionalConnectTime"), "30");
        QTest::mouseClick(Child<QPushButton>(dialog, "cmdOk"), Qt::LeftButton);
    });
    // The update took the new session in, and every session begins 30 seconds earlier.
    QCOMPARE(window->SessionTable().rowCount(), 2);
    QCOMPARE(Cell(*window, 0, Column::StartingTime),
             FormatDateTime(*MakeDateTime(2024, 1, 10, 9, 59, 30)));
    QCOMPARE(Cell(*window, 0, Column::SessionLength), QString("0:10:30"));
    QVERIFY(!window->gfUpdateUI);
}

void TestSettingsMenu::cancelChangesNothing()
{
    auto window = StartWindow();
    AppendDataFile(DataFileSession(11, "10:00:00", "10:10:00"));
    const int calculations = window->CostCalculationCount();
    for (const char* item : {"mnuCCosts", "mnuSCosts", "mnuOptions"})
        Choose(*window, item, [](QDialog* dialog) {
            QTest::mouseClick(Child<QPushButton>(dialog, "cmdCancel"), Qt::LeftButton);
        });
    QCOMPARE(window->CostCalculationCount(), calculations);
    QCOMPARE(window->SessionTable().rowCount(), 1);
    QVERIFY(!QFile::exists(m_places.SettingsFile()) ||
            LoadUserSettings(m_places.SettingsFile()).costs == CostSettings());
}

QTEST_MAIN(TestSettingsMenu)
#include "test_settingsmenu.moc"
