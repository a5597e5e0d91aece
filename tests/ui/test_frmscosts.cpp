#include "support/settingsfixture.h"
#include "ui/frmscosts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace dialtally;

namespace {

// A provider tariff with every amount set.
const QByteArray kTariff = "[Costs]\nsVersion=1.75\nbServCosts=True\nvServConnect=0.1\n"
                           "vServMinute=0.05\nvServFlatMonth=4.9\nbServRounding=True\n"
                           "vServDataMb=0.02\n";

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany);

void ChooseUnit(QComboBox* list, const QString& unit)
{
    list->setCurrentIndex(list->findText(unit));
    emit list->activated(list->currentIndex());
}

void ClickOk(QDialog& dialog)
{
    QTest::mouseClick(Child<QPushButton>(&dialog, "cmdOk"), Qt::LeftButton);
}

} // namespace

class TestFrmSCosts : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QLocale::setDefault(kEnglish);
        MessageBox::SetAutoAnswer(MessageBox::Answer::Ok);
        MessageBox::ResetRecord();
    }

    void showsTheTariffPerMinuteAndMonth()
    {
        SettingsFixture fixture(kTariff);
        frmSCosts dialog(fixture.Edit());
        dialog.show();
        QCOMPARE(dialog.property("helpContext").toInt(), 320);
        QVERIFY(Child<QCheckBox>(&dialog, "chServ")->isChecked());
        QCOMPARE(Child<QLineEdit>(&dialog, "txtServCon")->text(), QString("0.1"));
        QCOMPARE(Child<QLineEdit>(&dialog, "txtServPeriod")->text(), QString("0.05"));
        QCOMPARE(Child<QLineEdit>(&dialog, "txtServFlat")->text(), QString("4.9"));
        QCOMPARE(Child<QLineEdit>(&dialog, "txtServData")->text(), QString("0.02"));
        QCOMPARE(Child<QComboBox>(&dialog, "cbServPeriod")->currentText(), QString("Minute"));
        QCOMPARE(Child<QComboBox>(&dialog, "cbServFlat")->currentText(), QString("Month"));
        QVERIFY(Child<QRadioButton>(&dialog, "optWholeMinute")->isChecked());
        // The charge per megabyte comes last in the tab order of the design.
        QStringList order;
        for (QWidget* w = dialog.focusWidget()->nextInFocusChain(); w != dialog.focusWidget();
             w = w->nextInFocusChain())
            if ((w->focusPolicy() & Qt::TabFocus) && dialog.isAncestorOf(w))
                order << w->objectName();
        QCOMPARE(order, QStringList({"txtServCon", "txtServPeriod", "cbServPeriod", "txtServFlat",
                                     "cbServFlat", "optExactly", "optWholeMinute", "cmdOk",
                                     "cmdCancel", "txtServData"}));
    }

    void convertsToPerMinuteAndPerMonth_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("period");
        QTest::addColumn<QString>("periodUnit");
        QTest::addColumn<QString>("flat");
        QTest::addColumn<QString>("flatUnit");
        QTest::addColumn<double>("perMinute");
        QTest::addColumn<double>("perMonth");
        QTest::addColumn<QString>("shownPerMinute");
        // clang-format off
        QTest::newRow("3 per hour")    << kEnglish << "3"   << "Hour"   << "4.9" << "Month" << 0.05 << 4.9   << "0.05";
        QTest::newRow("1 per second")  << kEnglish << "1"   << "Second" << "4.9" << "Month" << 60.0 << 4.9   << "60";
        QTest::newRow("10 per year")   << kEnglish << "0.05" << "Minute" << "10" << "Year"  << 0.05 << 0.833 << "0.05";
        QTest::newRow("2 per week")    << kEnglish << "0.05" << "Minute" << "2"  << "Week"  << 0.05 << 8.0   << "0.05";
        QTest::newRow("decimal comma") << kGerman  << "0,6" << "Hour"   << "10" << "Year"  << 0.01 << 0.833 << "0,01";
        // clang-format on
    }
    void convertsToPerMinuteAndPerMonth()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, period);
        QFETCH(QString, periodUnit);
        QFETCH(QString, flat);
        QFETCH(QString, flatUnit);
        QFETCH(double, perMinute);
        QFETCH(double, perMonth);
        QFETCH(QString, shownPerMinute);
        QLocale::setDefault(locale);
        SettingsFixture fixture(kTariff);
        {
            frmSCosts dialog(fixture.Edit());
            dialog.show();
            Type(Child<QLineEdit>(&dialog, "txtServPeriod"), period);
            ChooseUnit(Child<QComboBox>(&dialog, "cbServPeriod"), periodUnit);
            Type(Child<QLineEdit>(&dialog, "txtServFlat"), flat);
            ChooseUnit(Child<QComboBox>(&dialog, "cbServFlat"), flatUnit);
            ClickOk(dialog);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        const CostSettings saved = fixture.Reloaded().costs;
        QCOMPARE(saved.vServMinute, perMinute);
        QCOMPARE(saved.vServFlatMonth, perMonth);
        QCOMPARE(fixture.settings.costs, saved);
        QVERIFY(fixture.gfUpdateUI);

        // The next opening shows the stored amounts per minute and per month.
        frmSCosts again(fixture.Edit());
        QCOMPARE(Child<QLineEdit>(&again, "txtServPeriod")->text(), shownPerMinute);
        QCOMPARE(Child<QComboBox>(&again, "cbServPeriod")->currentText(), QString("Minute"));
        QCOMPARE(Child<QComboBox>(&again, "cbServFlat")->currentText(), QString("Month"));
    }

    void emptyBoxesStoreZero()
    {
        SettingsFixture fixture(kTariff);
        frmSCosts dialog(fixture.Edit());
        dialog.show();
        Type(Child<QLineEdit>(&dialog, "txtServCon"), QString());
        Type(Child<QLineEdit>(&dialog, "txtServData"), QString());
        QTest::mouseClick(Child<QRadioButton>(&dialog, "optExactly"), Qt::LeftButton);
        ClickOk(dialog);
        QCOMPARE(Child<QLineEdit>(&dialog, "txtServCon")->text(), QString("0"));
        const CostSettings saved = fixture.Reloaded().costs;
        QCOMPARE(saved.vServConnect, 0.0);
        QCOMPARE(saved.vServDataMb, 0.0);
        QCOMPARE(saved.vServMinute, 0.05);
        QVERIFY(!saved.bServRounding);
    }

    void refusesWhatIsNotAnAmount_data()
    {
        QTest::addColumn<QStringList>("edits"); // box, text, box, text ...
        QTest::addColumn<QString>("focus");
        // clang-format off
        QTest::newRow("letters for the data charge") << QStringList{"txtServData", "abc"}  << "txtServData";
        QTest::newRow("the boxes in their order")
            << QStringList{"txtServData", "y", "txtServCon", "x"} << "txtServCon";
        QTest::newRow("a conversion beyond the money range")
            << QStringList{"txtServFlat", "900000000000000"} << "txtServFlat";
        // clang-format on
    }
    void refusesWhatIsNotAnAmount()
    {
        QFETCH(QStringList, edits);
        QFETCH(QString, focus);
        SettingsFixture fixture(kTariff);
        const CostSettings before = fixture.settings.costs;
        frmSCosts dialog(fixture.Edit());
        dialog.show();
        for (int i = 0; i < edits.size(); i += 2)
            Type(Child<QLineEdit>(&dialog, edits[i]), edits[i + 1]);
        ChooseUnit(Child<QComboBox>(&dialog, "cbServFlat"), "Week");
        ClickOk(dialog);

        QCOMPARE(MessageBox::LastText(), frmSCosts::kNotValidValue);
        QCOMPARE(dialog.focusWidget()->objectName(), focus);
        QVERIFY(dialog.isVisible());
        QVERIFY(fixture.Unchanged());
        QCOMPARE(fixture.settings.costs, before);
    }

    void switchTurnsTheTariffAndRoundingOff()
    {
        SettingsFixture fixture(kTariff);
        CostSettings before = fixture.settings.costs;
        frmSCosts dialog(fixture.Edit());
        dialog.show();
        QTest::mouseClick(Child<QCheckBox>(&dialog, "chServ"), Qt::LeftButton);
        for (const char* name : {"fraService", "lblServCon", "txtServCon", "lbCUnit3", "Label2",
                                 "cbServPeriod", "txtServFlat", "cbServFlat", "txtServData",
                                 "Label4", "fraRounding", "optExactly", "optWholeMinute"})
            QVERIFY2(!Child<QWidget>(&dialog, name)->isEnabled(), name);
        ClickOk(dialog);
        // Only the switch changed; the amounts stay as they were.
        before.bServCosts = false;
        QCOMPARE(fixture.Reloaded().costs, before);
    }
};

QTEST_MAIN(TestFrmSCosts)
#include "test_frmscosts.moc"
