#include "support/modaldialogs.h"
#include "ui/frmabout.h"
#include "ui/frmmain.h"
#include "ui/messagebox.h"

#include <QAction>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

using namespace dialtally;

class TestFrmAbout : public QObject {
    Q_OBJECT

private slots:
    void showsNameVersionAndRevision()
    {
        frmAbout about(nullptr);
        QCOMPARE(about.windowTitle(), QStringLiteral("About Dialtally"));
        QCOMPARE(about.findChild<QLabel*>(QStringLiteral("lblName"))->text(),
                 QStringLiteral("Dialtally 1.75"));
        QCOMPARE(about.findChild<QLabel*>(QStringLiteral("lblRevision"))->text(),
                 QStringLiteral("b"));
    }

    void enterAndEscClose_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
    }

    void enterAndEscClose()
    {
        QFETCH(int, key);
        frmAbout about(nullptr);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QTest::keyClick(&about, Qt::Key(key));
        QVERIFY(!about.isVisible());
    }

    // Each click on the icon reveals "&Edit Log" and switches it; the name is greyed while the
    // item is on. The item is the main window's, reached through its Help menu.
    void iconTogglesEditLog()
    {
        QTemporaryDir dir;
        Places places;
        places.programDir = dir.filePath(QStringLiteral("program"));
        places.windowsDir = dir.filePath(QStringLiteral("windows"));
        places.configDir = dir.filePath(QStringLiteral("config"));
        places.runtimeDir = dir.filePath(QStringLiteral("run"));
        MessageBox::SetAutoAnswer(MessageBox::Answer::Ok);
        frmMain window(places);
        MessageBox::SetAutoAnswer(std::nullopt);
        auto* editLog = window.findChild<QAction*>(QStringLiteral("mnuEditLog"));
        auto* mnuAbout = window.findChild<QAction*>(QStringLiteral("mnuAbout"));
        QVERIFY(editLog && mnuAbout);
        QVERIFY(!editLog->isVisible() && !editLog->isEnabled());
        QVERIFY(mnuAbout->isEnabled());

        struct Expected {
            bool enabled;
            bool nameEnabled;
        };
        for (const Expected expected :
             {Expected{true, false}, Expected{false, true}, Expected{true, false}}) {
            bool nameEnabled = !expected.nameEnabled;
            ModalDialogWatcher watcher("frmAbout", [&](QWidget* dialog) {
                QWidget* icon = dialog->findChild<QWidget*>(QStringLiteral("picIcon"));
                QTest::mouseClick(icon, Qt::LeftButton);
                nameEnabled = dialog->findChild<QLabel*>(QStringLiteral("lblName"))->isEnabled();
                QTest::keyClick(dialog, Qt::Key_Return);
            });
            mnuAbout->trigger();
            QVERIFY(watcher.Seen());
            QVERIFY(editLog->isVisible());
            QCOMPARE(editLog->isEnabled(), expected.enabled);
            QCOMPARE(nameEnabled, expected.nameEnabled);
        }
    }
};

QTEST_MAIN(TestFrmAbout)
#include "test_frmabout.moc"
