#include "support/settingsfixture.h"
#include "ui/frmbudgets.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace dialtally;

class TestFrmBudgets : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        MessageBox::SetAutoAnswer(MessageBox::Answer::Ok);
        MessageBox::ResetRecord();
    }

    void storesTheBudgets_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored"); // the line in the settings file; empty: refused
        // clang-format off
        QTest::newRow("cost in the user's form")  << "txtBudgetCost"    << "25,50" << "vBudgetCost=25.5";
        QTest::newRow("no cost limit")            << "txtBudgetCost"    << ""      << "vBudgetCost=";
        QTest::newRow("minutes")                  << "txtBudgetMinutes" << "600"   << "vBudgetMinutes=600";
        QTest::newRow("megabytes to bytes")       << "txtBudgetMb"      << "2,5"   << "vBudgetBytes=2500000";
        QTest::newRow("first threshold")          << "txtBudgetWarn1"   << "90"    << "iBudgetWarn1=90";
        QTest::newRow("thresholds kept in order") << "txtBudgetWarn1"   << "120"   << "iBudgetWarn2=120";
        QTest::newRow("negative cost")            << "txtBudgetCost"    << "-3"    << "";
        QTest::newRow("minutes with a fraction")  << "txtBudgetMinutes" << "1,5"   << "";
        QTest::newRow("empty threshold")          << "txtBudgetWarn2"   << ""      << "";
        // clang-format on
    }
    void storesTheBudgets()
    {
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(QString, stored);
        SettingsFixture fixture("[Budgets]\nvBudgetCost=10\n");
        LiveOptions options = LoadLiveOptions(*fixture.store);
        frmBudgets dialog(fixture.Edit(), options);
        dialog.show();
        QCOMPARE(Child<QLineEdit>(&dialog, "txtBudgetCost")->text(), QString("10,00"));
        auto* edited = Child<QLineEdit>(&dialog, box.toLatin1().constData());
        Type(edited, text);
        QTest::mouseClick(Child<QPushButton>(&dialog, "cmdOk"), Qt::LeftButton);
        if (stored.isEmpty()) {
            QCOMPARE(MessageBox::LastText(), SettingsDialog::kDataNotValid);
            QCOMPARE(dialog.focusWidget(), edited);
            QVERIFY(fixture.Unchanged());
            QCOMPARE(*options.budgets.vBudgetCost, 10.0);
            return;
        }
        QCOMPARE(MessageBox::LastText(), SettingsDialog::kQuestion);
        QVERIFY2(QString::fromLatin1(fixture.Bytes()).split('\n').contains(stored),
                 fixture.Bytes().constData());
        QVERIFY(fixture.gfUpdateUI);
        // The window's options are the saved ones.
        QSettings reread(fixture.Path(), QSettings::IniFormat);
        QCOMPARE(options, LoadLiveOptions(reread));
    }
};

QTEST_MAIN(TestFrmBudgets)
#include "test_frmbudgets.moc"
