#include "support/settingsfixture.h"
#include "ui/frmoptions.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace dialtally;

namespace {

const QByteArray kAllowance = "[Costs]\nsVersion=1.75\nvAditionalConnectSeconds=30\n";

} // namespace

class TestFrmOptions : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        MessageBox::SetAutoAnswer(MessageBox::Answer::Ok);
        MessageBox::ResetRecord();
    }

    void opensWithTheFocusOnCancel()
    {
        SettingsFixture fixture(kAllowance);
        frmOptions dialog(fixture.Edit());
        dialog.show();
        QCOMPARE(Child<QLineEdit>(&dialog, "txtAditionalConnectTime")->text(), QString("30"));
        QCOMPARE(dialog.focusWidget()->objectName(), QString("cmdCancel"));
    }

    void storesTheAllowance_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("stored"); // -1: refused
        // clang-format off
        QTest::newRow("seconds")                << "45"     << 45;
        QTest::newRow("negative")               << "-15"    << -15;
        QTest::newRow("a half down to even")    << "12.5"   << 12;
        QTest::newRow("a half up to even")      << "13.5"   << 14;
        QTest::newRow("changed and changed back") << "30"   << 30;
        QTest::newRow("beyond 16 bits")         << "40000"  << -1;
        QTest::newRow("empty")                  << ""       << -1;
        QTest::newRow("letters")                << "thirty" << -1;
        // clang-format on
    }
    void storesTheAllowance()
    {
        QFETCH(QString, text);
        QFETCH(int, stored);
        SettingsFixture fixture(kAllowance);
        frmOptions dialog(fixture.Edit());
        dialog.show();
        auto* box = Child<QLineEdit>(&dialog, "txtAditionalConnectTime");
        Type(box, text);
        QTest::mouseClick(Child<QPushButton>(&dialog, "cmdOk"), Qt::LeftButton);
        if (stored == -1) {
            QCOMPARE(MessageBox::LastText(), SettingsDialog::kDataNotValid);
            QCOMPARE(dialog.focusWidget(), box);
            QVERIFY(dialog.isVisible());
            QVERIFY(fixture.Unchanged());
            QCOMPARE(fixture.settings.vAditionalConnectSeconds, 30);
            return;
        }
        // Every change asks first, even one that ends where it began.
        QCOMPARE(MessageBox::ShownCount(), 1);
        QCOMPARE(MessageBox::LastText(), SettingsDialog::kQuestion);
        QCOMPARE(fixture.Reloaded().vAditionalConnectSeconds, stored);
        QCOMPARE(fixture.settings.vAditionalConnectSeconds, stored);
        QVERIFY(fixture.gfUpdateUI);
    }
};

QTEST_MAIN(TestFrmOptions)
#include "test_frmoptions.moc"
