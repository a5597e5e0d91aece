#include "analysis/formatting.h"
#include "support/settingsfixture.h"
#include "ui/frmccosts.h"
#include "ui/picturebox.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace dialtally;

namespace {

// A telephone tariff with Monday at the additional rate all day.
const QByteArray kTariff = "[Costs]\nsVersion=1.75\nbCommCosts=True\nvCommConnect=0.05\n"
                           "vCommRate1=0.04\nvCommRate2=0.02\nvCommRate3=0.01\n"
                           "vCommRateDelayMinutes=10\nvCommRatesDay2=222222222222222222222222\n";

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany);

// The middle of the cell of an hour and a weekday, in pixels of the grid's picture.
QPoint CellCentre(int hour, int day)
{
    return {32 + 16 * hour + 8, 18 + 14 * (day - 1) + 7};
}

RateGrid MondayAtRate2()
{
    RateGrid grid;
    for (int h = 0; h < 24; ++h)
        grid(h, 2) = 2;
    return grid;
}

struct Cell {
    int hour, day, code;
};

} // namespace

Q_DECLARE_METATYPE(Qt::MouseButton)
Q_DECLARE_METATYPE(QList<Cell>)

class TestFrmCCosts : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QLocale::setDefault(kEnglish);
        MessageBox::SetAutoAnswer(MessageBox::Answer::Ok);
        MessageBox::ResetRecord();
    }

    void showsTheTariff()
    {
        SettingsFixture fixture(kTariff);
        frmCCosts dialog(fixture.Edit());
        dialog.show();
        QVERIFY(Child<QCheckBox>(&dialog, "chEnabled")->isChecked());
        QCOMPARE(Child<QLineEdit>(&dialog, "txtComCon")->text(), QString("0.05"));
        QCOMPARE(Child<QLineEdit>(&dialog, "txtRate3")->text(), QString("0.01"));
        QCOMPARE(Child<QLineEdit>(&dialog, "txtDelay")->text(), QString("10"));
        QCOMPARE(Child<QLabel>(&dialog, "lbCUnit0")->text(), CurrencyText() + " / connection");
        QCOMPARE(Child<QLabel>(&dialog, "lbCUnit2")->text(), CurrencyText() + " / min.");
        QVERIFY(Child<QRadioButton>(&dialog, "optRate1")->isChecked());
        // The grid shows each code in the colour of its swatch.
        const QImage& picture = Child<PictureBox>(&dialog, "picRates")->Picture();
        QCOMPARE(picture.pixelColor(CellCentre(5, 1)), QColor(128, 128, 128));
        QCOMPARE(picture.pixelColor(CellCentre(5, 2)), QColor(255, 0, 0));
        // The focus starts on the switch, and Tab goes through the design's order.
        QCOMPARE(dialog.focusWidget()->objectName(), QString("chEnabled"));
        QStringList order;
        for (QWidget* w = dialog.focusWidget()->nextInFocusChain(); w != dialog.focusWidget();
             w = w->nextInFocusChain())
            if ((w->focusPolicy() & Qt::TabFocus) && dialog.isAncestorOf(w))
                order << w->objectName();
        QCOMPARE(order,
                 QStringList({"optRate1", "optRate2", "optRate3", "txtComCon", "txtRate1",
                              "txtRate2", "txtRate3", "txtDelay", "lstHolidays", "txtHoliday",
                              "cmdAddHoliday", "cmdRemoveHoliday", "cmdOk", "cmdCancel"}));
    }

    // Ticking and unticking leaves the switch as it was, yet the dialog counts as changed.
    void switchEnablesTheTariffAndCountsAsAChange()
    {
        SettingsFixture fixture(kTariff);
        frmCCosts dialog(fixture.Edit());
        dialog.show();
        auto* chEnabled = Child<QCheckBox>(&dialog, "chEnabled");
        QTest::mouseClick(chEnabled, Qt::LeftButton);
        for (const char* name : {"lblComCon", "txtComCon", "lbCUnit0", "lbCUnit3", "optRate2",
                                 "txtRate1", "lblDelay", "txtDelay", "lblTUnit", "picRates"})
            QVERIFY2(!Child<QWidget>(&dialog, name)->isEnabled(), name);
        // The grid cannot be painted while it is off.
        auto* picRates = Child<PictureBox>(&dialog, "picRates");
        QTest::mouseClick(picRates, Qt::RightButton, {}, CellCentre(0, 2));
        QCOMPARE(dialog.Rates().iGetHourDaySetting(0, 2), std::int16_t(2));

        QTest::mouseClick(chEnabled, Qt::LeftButton);
        QVERIFY(picRates->isEnabled());
        MessageBox::SetNextAnswer(MessageBox::Answer::Cancel);
        QTest::mouseClick(Child<QPushButton>(&dialog, "cmdOk"), Qt::LeftButton);
        QCOMPARE(MessageBox::LastText(), SettingsDialog::kQuestion);
        QVERIFY(dialog.isVisible());
        QVERIFY(fixture.Unchanged());

        QTest::mouseClick(Child<QPushButton>(&dialog, "cmdOk"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(fixture.gfUpdateUI);
        QCOMPARE(fixture.Reloaded().costs, fixture.settings.costs);
    }

    // Entries are added in their own text form, a bad one is refused, and Ok keeps the list.
    void editsTheHolidays()
    {
        SettingsFixture fixture(kTariff + "[Holidays]\nvHolidays=12-25\n");
        frmCCosts dialog(fixture.Edit());
        dialog.show();
        auto* list = Child<QListWidget>(&dialog, "lstHolidays");
        auto* entry = Child<QLineEdit>(&dialog, "txtHoliday");
        auto* add = Child<QPushButton>(&dialog, "cmdAddHoliday");
        QCOMPARE(list->count(), 1);
        Type(entry, "Easter+1");
        QTest::mouseClick(add, Qt::LeftButton);
        Type(entry, "2027-02-29");
        QTest::mouseClick(add, Qt::LeftButton);
        QCOMPARE(MessageBox::LastText(), SettingsDialog::kDataNotValid);
        Type(entry, "12-25");
        QTest::mouseClick(add, Qt::LeftButton);
        QCOMPARE(list->count(), 2); // 12-25 was there already
        list->setCurrentRow(0);
        QTest::mouseClick(Child<QPushButton>(&dialog, "cmdRemoveHoliday"), Qt::LeftButton);
        QCOMPARE(list->item(0)->text(), QString("easter+1"));

        QTest::mouseClick(Child<QPushButton>(&dialog, "cmdOk"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const HolidayList expected = {*ReadHoliday("easter+1")};
        QCOMPARE(fixture.settings.costs.vHolidays, expected);
        QCOMPARE(fixture.Reloaded().costs.vHolidays, expected);
    }

    void paintsWithTheMouse_data()
    {
        QTest::addColumn<QString>("chooser");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<QList<QPoint>>("path");
        QTest::addColumn<QList<Cell>>("painted");
        const QPoint outRight(430, 110), below(420, 124), far(600, 300);
        // clang-format off
        QTest::newRow("left drag with the chosen rate") << "optRate3" << Qt::LeftButton
            << QList{CellCentre(3, 1), CellCentre(4, 1), CellCentre(5, 1), CellCentre(6, 1)}
            << QList<Cell>{{3, 1, 3}, {4, 1, 3}, {5, 1, 3}, {6, 1, 3}};
        QTest::newRow("a swatch chooses the rate") << "lblColorRate2" << Qt::LeftButton
            << QList{CellCentre(10, 4)} << QList<Cell>{{10, 4, 2}};
        QTest::newRow("right drag erases to rate 1") << "optRate3" << Qt::RightButton
            << QList{CellCentre(10, 2), CellCentre(11, 2), CellCentre(12, 2)}
            << QList<Cell>{{10, 2, 1}, {11, 2, 1}, {12, 2, 1}};
        QTest::newRow("down a column") << "optRate3" << Qt::LeftButton
            << QList{CellCentre(0, 1), CellCentre(0, 3), CellCentre(0, 5), CellCentre(0, 7)}
            << QList<Cell>{{0, 1, 3}, {0, 3, 3}, {0, 5, 3}, {0, 7, 3}};
        QTest::newRow("a drag that leaves the grid") << "optRate2" << Qt::LeftButton
            << QList{CellCentre(22, 7), CellCentre(23, 7), outRight, below, far}
            << QList<Cell>{{22, 7, 2}, {23, 7, 2}};
        QTest::newRow("a press left of the cells") << "optRate3" << Qt::LeftButton
            << QList{QPoint(20, 20), QPoint(31, 40)} << QList<Cell>{};
        // clang-format on
    }
    void paintsWithTheMouse()
    {
        QFETCH(QString, chooser);
        QFETCH(Qt::MouseButton, button);
        QFETCH(QList<QPoint>, path);
        QFETCH(QList<Cell>, painted);
        SettingsFixture fixture(kTariff);
        frmCCosts dialog(fixture.Edit());
        dialog.show();
        QTest::mouseClick(Child<QWidget>(&dialog, chooser), Qt::LeftButton);
        auto* picRates = Child<PictureBox>(&dialog, "picRates");
        Drag(picRates, button, path);
        QTest::mouseClick(Child<QPushButton>(&dialog, "cmdOk"), Qt::LeftButton);

        RateGrid expected = MondayAtRate2();
        for (const Cell& cell : painted)
            expected(cell.hour, cell.day) = static_cast<std::int16_t>(cell.code);
        QCOMPARE(fixture.Reloaded().costs.vCommRatesDay, expected);
        QCOMPARE(fixture.settings.costs.vCommRatesDay, expected);
        // Each painted cell was drawn at once.
        const QColor colours[] = {{}, {128, 128, 128}, {255, 0, 0}, {0, 255, 255}};
        for (const Cell& cell : painted)
            QCOMPARE(picRates->Picture().pixelColor(CellCentre(cell.hour, cell.day)),
                     colours[cell.code]);
    }

    void refusesWhatIsNotANumber_data()
    {
        QTest::addColumn<QStringList>("edits"); // box, text, box, text ...
        QTest::addColumn<QString>("focus");
        // clang-format off
        QTest::newRow("letters for the flat rate") << QStringList{"txtComCon", "abc"}     << "txtComCon";
        QTest::newRow("an empty rate")             << QStringList{"txtRate2", ""}         << "txtRate2";
        QTest::newRow("a delay beyond 16 bits")    << QStringList{"txtDelay", "40000"}    << "txtDelay";
        QTest::newRow("a negative delay")          << QStringList{"txtDelay", "-5"}       << "txtDelay";
        QTest::newRow("a comma in a point locale") << QStringList{"txtRate3", "0,5"}      << "txtRate3";
        QTest::newRow("the delay before the rates")
            << QStringList{"txtRate1", "x", "txtDelay", "y"} << "txtDelay";
        // clang-format on
    }
    void refusesWhatIsNotANumber()
    {
        QFETCH(QStringList, edits);
        QFETCH(QString, focus);
        SettingsFixture fixture(kTariff);
        const LoadedSettings before = fixture.settings;
        frmCCosts dialog(fixture.Edit());
        dialog.show();
        for (int i = 0; i < edits.size(); i += 2)
            Type(Child<QLineEdit>(&dialog, edits[i]), edits[i + 1]);
        QTest::mouseClick(Child<QPushButton>(&dialog, "cmdOk"), Qt::LeftButton);

        QCOMPARE(MessageBox::LastText(), SettingsDialog::kDataNotValid);
        QCOMPARE(dialog.focusWidget()->objectName(), focus);
        QVERIFY(dialog.isVisible());
        QVERIFY(fixture.Unchanged());
        QCOMPARE(fixture.settings.costs, before.costs);
        QVERIFY(!fixture.gfUpdateUI);
    }

    void roundsWhatItSaves_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("connectCharge");
        QTest::addColumn<QString>("delay");
        QTest::addColumn<QString>("rate1");
        QTest::addColumn<double>("savedConnect");
        QTest::addColumn<int>("savedDelay");
        QTest::addColumn<double>("savedRate1");
        QTest::addColumn<QByteArray>("rate1Line");
        // clang-format off
        QTest::newRow("a half minute down to even") << kEnglish << "0.05"    << "12.5" << "0.04"     << 0.05 << 12 << 0.04   << QByteArray("vCommRate1=0.04");
        QTest::newRow("a half minute up to even")   << kEnglish << "0.05"    << "13.5" << "0.04"     << 0.05 << 14 << 0.04   << QByteArray("vCommRate1=0.04");
        QTest::newRow("money to four decimals")     << kEnglish << "1.00005" << "10"   << "0.123456" << 1.0  << 10 << 0.1235 << QByteArray("vCommRate1=0.1235");
        QTest::newRow("a decimal comma")            << kGerman  << "0,5"     << "10,5" << "0,125"    << 0.5  << 10 << 0.125  << QByteArray("vCommRate1=\"0,125\"");
        // clang-format on
    }
    void roundsWhatItSaves()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, connectCharge);
        QFETCH(QString, delay);
        QFETCH(QString, rate1);
        QFETCH(double, savedConnect);
        QFETCH(int, savedDelay);
        QFETCH(double, savedRate1);
        QFETCH(QByteArray, rate1Line);
        QLocale::setDefault(locale);
        SettingsFixture fixture(kTariff);
        frmCCosts dialog(fixture.Edit());
        dialog.show();
        // What the store holds shows with the locale's decimal separator.
        QCOMPARE(Child<QLineEdit>(&dialog, "txtComCon")->text(), locale.toString(0.05));
        Type(Child<QLineEdit>(&dialog, "txtComCon"), connectCharge);
        Type(Child<QLineEdit>(&dialog, "txtDelay"), delay);
        Type(Child<QLineEdit>(&dialog, "txtRate1"), rate1);
        QTest::mouseClick(Child<QPushButton>(&dialog, "cmdOk"), Qt::LeftButton);

        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const CostSettings saved = fixture.Reloaded().costs;
        QCOMPARE(saved.vCommConnect, savedConnect);
        QCOMPARE(int(saved.vCommRateDelayMinutes), savedDelay);
        QCOMPARE(saved.vCommRate[0], savedRate1);
        QVERIFY2(fixture.Bytes().split('\n').contains(rate1Line), fixture.Bytes().constData());
        QCOMPARE(fixture.settings.costs, saved);
    }
};

QTEST_MAIN(TestFrmCCosts)
#include "test_frmccosts.moc"
