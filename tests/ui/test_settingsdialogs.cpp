#include "support/settingsfixture.h"
#include "ui/frmccosts.h"
#include "ui/frmoptions.h"
#include "ui/frmscosts.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <functional>

using namespace dialtally;

namespace {

// Every group of settings set away from its defaults.
const QByteArray kSettings = "[Costs]\nsVersion=1.75\nvAditionalConnectSeconds=30\n"
                             "bCommCosts=True\nvCommRate1=0.04\nbServCosts=True\n"
                             "vServMinute=0.05\n";

using MakeDialog = std::function<std::unique_ptr<QDialog>(const SettingsEdit&)>;

template <typename Dialog> MakeDialog Maker()
{
    return [](const SettingsEdit& edit) { return std::make_unique<Dialog>(edit); };
}

void ClickOk(QDialog& dialog)
{
    QTest::mouseClick(Child<QPushButton>(&dialog, "cmdOk"), Qt::LeftButton);
}

// How far a control's caption reaches from its left edge; other controls fill their width.
int ContentWidth(const QWidget* control)
{
    const auto* label = qobject_cast<const QLabel*>(control);
    if ((label && !label->text().isEmpty() && !label->wordWrap()) ||
        qobject_cast<const QAbstractButton*>(control))
        return control->sizeHint().width();
    return control->width();
}

// The controls that the dialog places: its named children and theirs, not the parts of a control.
QList<QWidget*> PlacedControls(QWidget* dialog)
{
    QList<QWidget*> controls;
    for (QWidget* child : dialog->findChildren<QWidget*>()) {
        const QWidget* parent = child->parentWidget();
        const auto named = [](const QWidget* w) {
            return !w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_"));
        };
        if (named(child) && (parent == dialog || named(parent)))
            controls << child;
    }
    return controls;
}

} // namespace

Q_DECLARE_METATYPE(MakeDialog)

// What the three settings dialogs have in common.
class TestSettingsDialogs : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        MessageBox::SetAutoAnswer(MessageBox::Answer::Ok);
        MessageBox::ResetRecord();
    }

    void dialogs_data()
    {
        QTest::addColumn<MakeDialog>("make");
        QTest::addColumn<QString>("box"); // a box to change
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("onSwitch"); // the switch of the tariff, if it has one
        // clang-format off
        QTest::newRow("communication costs") << Maker<frmCCosts>()  << "txtRate1"
                                             << "Communication Costs" << "chEnabled";
        QTest::newRow("service costs")       << Maker<frmSCosts>()  << "txtServPeriod"
                                             << "Service Costs" << "chServ";
        QTest::newRow("options")             << Maker<frmOptions>() << "txtAditionalConnectTime"
                                             << "Options" << "";
        // clang-format on
    }

    // In the fonts of this system and with the locale's currency symbol, every caption has the
    // room it needs, inside its frame, and runs into no control beside it.
    void captionsFitAndDoNotOverlap_data() { dialogs_data(); }
    void captionsFitAndDoNotOverlap()
    {
        QFETCH(MakeDialog, make);
        for (const QLocale& locale : {QLocale(QLocale::English, QLocale::UnitedStates),
                                      QLocale(QLocale::German, QLocale::Germany),
                                      QLocale(QLocale::Finnish, QLocale::Finland)}) {
            QLocale::setDefault(locale);
            SettingsFixture fixture(kSettings);
            auto dialog = make(fixture.Edit());
            dialog->show();
            const QList<QWidget*> controls = PlacedControls(dialog.get());
            QVERIFY(controls.size() >= 7);
            for (const QWidget* control : controls) {
                const QString name = control->objectName();
                QVERIFY2(control->parentWidget()->rect().contains(control->geometry()),
                         qPrintable(name));
                QVERIFY2(control->width() >= ContentWidth(control), qPrintable(name));
                if (const auto* label = qobject_cast<const QLabel*>(control);
                    label && label->wordWrap())
                    QVERIFY2(label->heightForWidth(label->width()) <= label->height(),
                             qPrintable(name));
                for (const QWidget* other : controls) {
                    if (other == control || other->parentWidget() != control->parentWidget())
                        continue;
                    const QRect a = control->geometry(), b = other->geometry();
                    const bool sameRow =
                        (a.center().y() >= b.top() && a.center().y() <= b.bottom()) ||
                        (b.center().y() >= a.top() && b.center().y() <= a.bottom());
                    if (sameRow && a.left() <= b.left())
                        QVERIFY2(a.left() + ContentWidth(control) <= b.left(),
                                 qPrintable(name + " runs into " + other->objectName()));
                }
            }
        }
    }

    void okWithoutAChangeJustCloses_data() { dialogs_data(); }
    void okWithoutAChangeJustCloses()
    {
        QFETCH(MakeDialog, make);
        QFETCH(QString, caption);
        SettingsFixture fixture(kSettings);
        auto dialog = make(fixture.Edit());
        dialog->show();
        QCOMPARE(dialog->windowTitle(), caption);
        QVERIFY(dialog->isModal());
        ClickOk(*dialog);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(MessageBox::ShownCount(), 0);
        QVERIFY(fixture.Unchanged());
        QVERIFY(!fixture.gfUpdateUI);
    }

    void cancelTakesNothingOver_data() { dialogs_data(); }
    void cancelTakesNothingOver()
    {
        QFETCH(MakeDialog, make);
        QFETCH(QString, box);
        SettingsFixture fixture(kSettings);
        const LoadedSettings before = fixture.settings;
        auto dialog = make(fixture.Edit());
        dialog->show();
        Type(Child<QLineEdit>(dialog.get(), box), "7");
        // A question answered Cancel leaves the dialog open with the change.
        MessageBox::SetNextAnswer(MessageBox::Answer::Cancel);
        ClickOk(*dialog);
        QVERIFY(dialog->isVisible());
        QCOMPARE(Child<QLineEdit>(dialog.get(), box)->text(), QString("7"));

        QTest::mouseClick(Child<QPushButton>(dialog.get(), "cmdCancel"), Qt::LeftButton);
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QVERIFY(!dialog->isVisible());
        QVERIFY(fixture.Unchanged());
        QCOMPARE(fixture.settings.costs, before.costs);
        QCOMPARE(fixture.settings.vAditionalConnectSeconds, before.vAditionalConnectSeconds);
        QVERIFY(!fixture.gfUpdateUI);
    }

    // While the settings file is damaged nothing writes it: the dialog says so and stays open.
    void damagedFileIsNotWritten_data() { dialogs_data(); }
    void damagedFileIsNotWritten()
    {
        QFETCH(MakeDialog, make);
        QFETCH(QString, box);
        QFETCH(QString, onSwitch);
        SettingsFixture fixture("[Costs]\nbCommCosts=\"True\nvCommRate1=0.1\n");
        QVERIFY(fixture.settings.problem);
        QVERIFY(!fixture.store);
        auto dialog = make(fixture.Edit());
        dialog->show();
        // The costs are off while the file is damaged.
        if (!onSwitch.isEmpty())
            QTest::mouseClick(Child<QWidget>(dialog.get(), onSwitch), Qt::LeftButton);
        Type(Child<QLineEdit>(dialog.get(), box), "7");
        ClickOk(*dialog);
        QCOMPARE(MessageBox::LastText(),
                 "The new settings are not saved: the settings file cannot be used.\r\n" +
                     fixture.settings.problem->Text());
        QVERIFY(dialog->isVisible());
        QVERIFY(fixture.Unchanged());
        QCOMPARE(fixture.settings.costs, CostSettings());
        QVERIFY(!fixture.gfUpdateUI);
    }
};

QTEST_MAIN(TestSettingsDialogs)
#include "test_settingsdialogs.moc"
