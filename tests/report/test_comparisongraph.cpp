#include "analysis/comparison.h"
#include "report/comparisongraph.h"
#include "report/picturesurface.h"

#include <QImage>
#include <QTest>

using namespace dialtally;

namespace {

constexpr double kTwips = 15.0;

TariffComparison TwoByTwo()
{
    TariffComparison c;
    c.names = {"(in force)", "cheap"};
    for (const auto& [month, sums] : {std::pair{1, std::vector<double>{10.0, 5.0}},
                                      std::pair{2, std::vector<double>{18.0, 0.0}}}) {
        TariffComparison::Month m;
        m.entry.month = month;
        m.entry.year = 2027;
        m.sums = sums;
        c.months.push_back(m);
    }
    c.totals = {28.0, 5.0};
    c.cheapest = 1;
    return c;
}

QPoint Pixel(const QPointF& twips)
{
    return {static_cast<int>(twips.x() / kTwips), static_cast<int>(twips.y() / kTwips)};
}

} // namespace

class TestComparisonGraph : public QObject {
    Q_OBJECT

private slots:
    void roundScaleTop_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("top");
        // clang-format off
        QTest::newRow("nothing")        << 0.0    << 1.0;
        QTest::newRow("a power of ten") << 10.0   << 10.0;
        QTest::newRow("just above")     << 11.0   << 20.0;
        QTest::newRow("to 2.5")         << 21.0   << 25.0;
        QTest::newRow("to 5")           << 26.0   << 50.0;
        QTest::newRow("below one")      << 0.3    << 0.5;
        QTest::newRow("hundreds")       << 601.86 << 1000.0;
        // clang-format on
    }
    void roundScaleTop()
    {
        QFETCH(double, value);
        QFETCH(double, top);
        QCOMPARE(RoundScaleTop(value), top);
    }

    // Each bar stands on the axis in its tariff's colour, as high as its sum on the scale.
    void barsStandForTheSums()
    {
        const TariffComparison comparison = TwoByTwo();
        QImage image(600, 300, QImage::Format_RGB32);
        PictureSurface surface(&image, kTwips, kTwips);
        clsComparisonGraph graph(surface, comparison);
        graph.ReDraw();
        QCOMPARE(graph.ScaleTop(), 20.0);

        const QRectF tall = graph.BarRect(1, 0);
        const QRectF half = graph.BarRect(0, 0);
        QCOMPARE(half.bottom(), tall.bottom());
        QVERIFY(qFuzzyCompare(half.height() * 1.8, tall.height()));
        QCOMPARE(graph.BarRect(1, 1).height(), 0.0);
        QVERIFY(graph.BarRect(0, 1).left() >= half.right()); // side by side
        QVERIFY(graph.BarRect(1, 0).left() > graph.BarRect(0, 1).right());

        QCOMPARE(image.pixelColor(Pixel(half.center())), clsComparisonGraph::TariffColor(0));
        const QRectF cheap = graph.BarRect(0, 1);
        QCOMPARE(image.pixelColor(Pixel(cheap.center())), clsComparisonGraph::TariffColor(1));
        // Above the cheap bar is background.
        QCOMPARE(image.pixelColor(Pixel({cheap.center().x(), cheap.top() - 10 * kTwips})),
                 QColor(Qt::white));
    }
};

QTEST_MAIN(TestComparisonGraph)
#include "test_comparisongraph.moc"
