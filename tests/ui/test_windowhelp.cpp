#include "analysis/formatting.h"
#include "ui/frmmain.h"
#include "ui/helpwindow.h"
#include "ui/messagebox.h"
#include "ui/windowhelp.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <memory>

using namespace dialtally;

// The help of the main window: the Help Index, F1 on menus, items and controls, the viewer's
// window and its closing.
class TestWindowHelp : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<frmMain> m_window;

    static HelpWindow* Viewer()
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* viewer = qobject_cast<HelpWindow*>(widget))
                return viewer;
        }
        return nullptr;
    }
    static std::optional<std::int32_t> ShownContext()
    {
        const HelpWindow* viewer = Viewer();
        return viewer && viewer->isVisible() ? viewer->CurrentContext() : std::nullopt;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        Places places;
        places.programDir = m_dir.filePath("program");
        places.windowsDir = m_dir.filePath("windows");
        places.configDir = m_dir.filePath("config");
        places.runtimeDir = m_dir.filePath("run");
        MessageBox::SetAutoAnswer(MessageBox::Answer::Ok);
        m_window =
            std::make_unique<frmMain>(places, nullptr, [] { return *MakeDateTime(2024, 5, 20); });
        m_window->show();
        m_window->FirstActivation();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanupTestCase() { m_window.reset(); }

    void helpIndexOpensTheOverview()
    {
        m_window->findChild<QAction*>("mnuHelpTopis")->trigger();
        QCOMPARE(ShownContext(), 10);
        QVERIFY(Viewer()->ShownText().startsWith("Dialtally\n"));
        // Every topic is listed; choosing one shows it.
        auto* topics = Viewer()->findChild<QListWidget*>("lstTopics");
        QCOMPARE(topics->count(), 11);
        QCOMPARE(topics->currentRow(), 0);
        topics->setCurrentRow(2);
        QCOMPARE(ShownContext(), 220);
        // A link in a topic leads to its topic.
        emit Viewer()->findChild<QTextBrowser*>("txtTopic")->anchorClicked(QUrl("#230"));
        QCOMPARE(ShownContext(), 230);
        QCOMPARE(topics->currentItem()->text(), QString("Clear Log"));
    }

    void f1OpensTheTopicOfTheFocus_data()
    {
        QTest::addColumn<QString>("menu"); // empty: F1 in the session table
        QTest::addColumn<QString>("item"); // empty: no item active
        QTest::addColumn<int>("context");
        // clang-format off
        QTest::newRow("Logging On")            << "mnuLogging" << "mnuLog"      << 210;
        QTest::newRow("Update Log")            << "mnuLogging" << "mnuUpdate"   << 220;
        QTest::newRow("Clear Log")             << "mnuLogging" << "mnuClearLog" << 230;
        QTest::newRow("Print Log")             << "mnuFile"    << "mnuPrint"    << 240;
        QTest::newRow("Edit menu")             << "mnuEdit"    << ""            << 250;
        QTest::newRow("Copy: its menu's")      << "mnuEdit"    << "mnuCopy"     << 250;
        QTest::newRow("Settings menu")         << "mnuPref"    << ""            << 260;
        QTest::newRow("Service Costs")         << "mnuPref"    << "mnuSCosts"   << 280;
        QTest::newRow("Communication Costs")   << "mnuPref"    << "mnuCCosts"   << 290;
        QTest::newRow("Options: its menu's")   << "mnuPref"    << "mnuOptions"  << 260;
        QTest::newRow("Help menu")             << "mnuHelp"    << "mnuAbout"    << 300;
        QTest::newRow("Exit: the window's")    << "mnuFile"    << "mnuExit"     << 10;
        QTest::newRow("Logging menu: window's") << "mnuLogging" << ""           << 10;
        QTest::newRow("session table")         << ""           << ""            << 10;
        // clang-format on
    }

    void f1OpensTheTopicOfTheFocus()
    {
        QFETCH(QString, menu);
        QFETCH(QString, item);
        QFETCH(int, context);
        if (HelpWindow* viewer = Viewer())
            viewer->hide();
        QWidget* focus = m_window->findChild<QTableView*>("grdTime");
        if (!menu.isEmpty()) {
            auto* popup = m_window->findChild<QMenu*>(menu);
            popup->popup(m_window->mapToGlobal(QPoint(20, 20)));
            QVERIFY(QTest::qWaitForWindowExposed(popup));
            if (!item.isEmpty()) {
                auto* action = popup->findChild<QAction*>(item);
                action->setEnabled(true); // disabled items are commands yet to come
                popup->setActiveAction(action);
            }
            focus = popup;
        } else {
            focus->setFocus();
        }
        // As the system delivers a key: to the window, which hands it to its focus.
        QTest::keyClick(focus->window()->windowHandle(), Qt::Key_F1);
        QCOMPARE(ShownContext(), context);
        QVERIFY(!QApplication::activePopupWidget()); // the menu closed
    }

    // The settings dialogs carry their own numbers; a dialog without one falls back to the window.
    void f1InADialog()
    {
        QWidget dialog(m_window.get(), Qt::Dialog);
        dialog.setProperty(kHelpContextProperty, 320);
        auto* field = new QLineEdit(&dialog);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        field->setFocus();
        QTest::keyClick(dialog.windowHandle(), Qt::Key_F1);
        QCOMPARE(ShownContext(), 320);
        QWidget control(m_window.get());
        QCOMPARE(WindowHelp::ContextOf(&control, 10), 10);
        QWidget alone;
        QCOMPARE(WindowHelp::ContextOf(&alone, 10), 10);
    }

    // A help file that is missing is said in the viewer; a context without topic likewise.
    void missingFileAndTopicAreSaid()
    {
        WindowHelp help(m_window.get());
        QCOMPARE(help.ShowContext(m_dir.filePath("DTALLY.HLP"), 10), 0L);
        QVERIFY(help.Window()->ShownText().startsWith("The help file \"" +
                                                      m_dir.filePath("DTALLY.HLP")));
        QCOMPARE(help.Window()->CurrentContext(), std::nullopt);
        QCOMPARE(help.ShowHelpTopic(999), 0L);
        QCOMPARE(help.Window()->ShownText(),
                 QString("The help has no topic for this part of Dialtally (help context 999)."));
        QCOMPARE(help.ShowHelpTopic(290), 1L);
        QCOMPARE(help.Window()->CurrentContext(), 290);
        QCOMPARE(help.CloseHelp(), 1L);
        QVERIFY(!help.Window());
    }

    // Closing the main window closes the viewer; without a viewer open it is harmless.
    void closingTheWindowClosesTheViewer()
    {
        m_window->findChild<QAction*>("mnuHelpTopis")->trigger();
        QVERIFY(Viewer());
        m_window->close();
        QVERIFY(!Viewer());
        m_window->close();
        QVERIFY(!Viewer());
    }
};

QTEST_MAIN(TestWindowHelp)
#include "test_windowhelp.moc"
