#include "report/comparisongraph.h"
#include "ui/frmcompare.h"
#include "ui/gridtextmodel.h"
#include "ui/picturebox.h"

#include <QLabel>
#include <QTest>

using namespace dialtally;

namespace {

SessionRecord Session(int month, int day)
{
    SessionRecord session;
    session.vUp = MakeDateTime(2027, month, day, 9);
    session.vDown = DateTime{session.vUp->seconds + 600};
    session.lDur = 600;
    return session;
}

TariffComparison Compared(bool withCheap = true)
{
    CostSettings inForce;
    inForce.bCommCosts = true;
    inForce.vCommRate = {0.10, 0.0, 0.0};
    CostSettings cheap = inForce;
    cheap.vCommRate[0] = 0.05;
    std::vector<NamedTariff> tariffs = {{kTariffInForce, inForce}, {"cheap", cheap}};
    if (!withCheap)
        tariffs.pop_back();
    return CompareTariffs(SessionList{Session(1, 4), Session(2, 1)}, tariffs, BillingCycle());
}

} // namespace

class TestFrmCompare : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void showsTheTableAndTheGraph()
    {
        frmCompare dialog(Compared());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const std::vector<QStringList> expected = {{"January 2027", "$1.00", "$0.50", "cheap"},
                                                   {"February 2027", "$1.00", "$0.50", "cheap"},
                                                   {"Total", "$2.00", "$1.00", "cheap"},
                                                   {"Difference", "", "($1.00)", ""}};
        QCOMPARE(dialog.Table().Rows(), expected);
        QCOMPARE(dialog.findChild<QLabel*>("lblNote")->text(),
                 QString("cheap would have cost $1.00 less than the tariff in force."));
        // Both tariffs have bars in their colours.
        const QImage& picture = dialog.Graph().Picture();
        QVERIFY(!picture.isNull());
        bool seen[2] = {false, false};
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                for (std::size_t t = 0; t < 2; ++t)
                    seen[t] |= picture.pixelColor(x, y) == clsComparisonGraph::TariffColor(t);
        QVERIFY(seen[0] && seen[1]);
    }

    void saysWhenThereIsNothingToCompareWith()
    {
        frmCompare dialog(Compared(false));
        QVERIFY(dialog.findChild<QLabel*>("lblNote")->text().startsWith("No saved tariffs"));
    }
};

QTEST_MAIN(TestFrmCompare)
#include "test_frmcompare.moc"
