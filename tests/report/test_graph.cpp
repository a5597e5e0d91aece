#include "report/graph.h"
#include "report/picturesurface.h"

#include <QImage>
#include <QLocale>
#include <QTest>
#include <functional>

using namespace dialtally;

using Setup = std::function<void(clsGraph&)>;
Q_DECLARE_METATYPE(Setup)

namespace {

// The monthly summary's picture: 7515 x 2535 twips at 15 twips per pixel. Its plot area, worked
// out by hand: left 564, right 6951, top 380, bottom 2282 (2281.5 goes to the even neighbour);
// plot width 6387, plot height 1902.
constexpr int kWidthPx = 501;
constexpr int kHeightPx = 169;
constexpr double kTwips = 15.0;
constexpr int kLeft = 564, kRight = 6951, kTop = 380, kBottom = 2282;
const QColor kBack(192, 192, 192); // not white, so that the blanked bars stand out

int Px(double twips)
{
    return qRound(twips / kTwips);
}

// The graph as the main window draws it: cleared, fed, redrawn.
QImage Render(const Setup& setup)
{
    QImage image(kWidthPx, kHeightPx, QImage::Format_RGB32);
    PictureSurface surface(&image, kTwips, kTwips);
    surface.SetBackColor(kBack);
    clsGraph graph;
    graph.SetOutput(&surface);
    graph.Clear();
    setup(graph);
    graph.ReDraw();
    return image;
}

// True when the image shows exactly the text at (x, y) twips in the given size: the region the
// text covers, widened by the margins in pixels, matches the same text drawn alone. The margins
// catch a longer text ("June" where "Jun" belongs) and must lie on empty background.
bool TextAt(const QImage& image, const QString& text, double points, double x, double y,
            int marginLeft = 0, int marginRight = 0, int skipTop = 0)
{
    QImage alone(image.size(), image.format());
    PictureSurface surface(&alone, kTwips, kTwips);
    surface.SetBackColor(kBack);
    surface.Clear();
    surface.SetFontSize(points);
    surface.SetCurrentX(x);
    surface.SetCurrentY(y);
    const double width = surface.TextWidth(text);
    const double height = surface.TextHeight(text);
    surface.Print(text);

    const QRect region = QRect(QPoint(Px(x) - marginLeft, Px(y) + skipTop),
                               QPoint(Px(x + width) + marginRight, Px(y + height) - 1))
                             .intersected(image.rect());
    bool inked = false;
    for (int py = region.top(); py <= region.bottom(); ++py) {
        for (int px = region.left(); px <= region.right(); ++px) {
            if (image.pixel(px, py) != alone.pixel(px, py)) {
                qWarning("\"%s\" differs at pixel %d,%d", qPrintable(text), px, py);
                return false;
            }
            inked = inked || alone.pixelColor(px, py) != kBack;
        }
    }
    return inked;
}

// A month's name hangs from the time axis, which is drawn over the name's top rows.
bool MonthNameAt(const QImage& image, const QString& name, double x)
{
    return TextAt(image, name, 9, x, kBottom, 0, 6, 2);
}

// Where the axis labels stand, the way the text height of the 7-point font centres them on the
// tick lines.
struct AxisLabels {
    QString unit;
    QStringList minutes;
    QStringList bytes;
};

double HalfLabelHeight()
{
    QImage scratch(1, 1, QImage::Format_RGB32);
    PictureSurface surface(&scratch, kTwips, kTwips);
    surface.SetFontSize(7);
    return surface.TextHeight(QStringLiteral("0")) / 2;
}

double LabelWidth(const QString& text, double points)
{
    QImage scratch(1, 1, QImage::Format_RGB32);
    PictureSurface surface(&scratch, kTwips, kTwips);
    surface.SetFontSize(points);
    return surface.TextWidth(text);
}

int CountColour(const QImage& image, const QRect& area, const QColor& colour)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixelColor(x, y) == colour;
    return count;
}

const QColor kCyan(0, 255, 255), kBlue(0, 0, 255), kRed(255, 0, 0);

} // namespace

class TestGraph : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void scaleTops_data()
    {
        QTest::addColumn<bool>("bytes");
        QTest::addColumn<qint64>("value");
        QTest::addColumn<qint64>("top");
        // clang-format off
        QTest::newRow("minutes one digit")        << false << qint64(7)       << qint64(10);
        QTest::newRow("minutes zero")             << false << qint64(0)       << qint64(10);
        QTest::newRow("minutes 47")               << false << qint64(47)      << qint64(50);
        QTest::newRow("minutes on a ten")         << false << qint64(50)      << qint64(60);
        QTest::newRow("minutes 347")              << false << qint64(347)     << qint64(350);
        QTest::newRow("bytes zero")               << true  << qint64(0)       << qint64(0);
        QTest::newRow("bytes 12")                 << true  << qint64(12)      << qint64(15);
        QTest::newRow("bytes on a five")          << true  << qint64(800)     << qint64(800);
        QTest::newRow("bytes 1000 stays bytes")   << true  << qint64(1000)    << qint64(1000);
        QTest::newRow("bytes 1001 goes kb")       << true  << qint64(1001)    << qint64(1100);
        QTest::newRow("kb 45,678")                << true  << qint64(45678)   << qint64(45800);
        QTest::newRow("kb rounds half up")        << true  << qint64(45650)   << qint64(45800);
        QTest::newRow("1,000,000 is still kb")    << true  << qint64(1000000) << qint64(1000100);
        QTest::newRow("Mb 1,234,567")             << true  << qint64(1234567) << qint64(1300000);
        QTest::newRow("Mb 2,345,678")             << true  << qint64(2345678) << qint64(2400000);
        QTest::newRow("beyond 32 bits")           << true  << qint64(2147483647) << qint64(2147600000);
        // clang-format on
    }
    void scaleTops()
    {
        QFETCH(bool, bytes);
        QFETCH(qint64, value);
        QFETCH(qint64, top);
        QCOMPARE(bytes ? ByteScaleTop(value) : MinuteScaleTop(value), top);
    }

    // Both scales as they are drawn: the unit header, and the five labels of each axis beside
    // their ticks.
    void axisLabels_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QStringList>("minutes");
        QTest::addColumn<QStringList>("bytes");
        const auto month = [](qint64 minutes, qint64 tx, qint64 rx) {
            return Setup([=](clsGraph& g) { g.AddMonth(5, 1998, minutes, tx, rx); });
        };
        // clang-format off
        QTest::newRow("no month added") << Setup([](clsGraph&) {}) << "kb"
            << QStringList{"20", "40", "60", "80", "100"}
            << QStringList{"20.0", "40.0", "60.0", "80.0", "100.0"};
        QTest::newRow("347 min, 2,345,678 bytes received") << month(347, 1000, 2345678) << "Mb"
            << QStringList{"70", "140", "210", "280", "350"}
            << QStringList{"0.5", "1.0", "1.4", "1.9", "2.4"};
        QTest::newRow("800 bytes transmitted") << month(5, 800, 20) << "byte"
            << QStringList{"2", "4", "6", "8", "10"}
            << QStringList{"160", "320", "480", "640", "800"};
        QTest::newRow("45,678 bytes") << month(47, 45678, 0) << "kb"
            << QStringList{"10", "20", "30", "40", "50"}
            << QStringList{"9.2", "18.3", "27.5", "36.6", "45.8"};
        QTest::newRow("no bytes at all") << month(120, 0, 0) << "byte"
            << QStringList{"26", "52", "78", "104", "130"}
            << QStringList{"1", "2", "3", "4", "5"};
        QTest::newRow("5 GB a month, beyond 32 bits") << month(600, 5000000000, 5000000000) << "Mb"
            << QStringList{"122", "244", "366", "488", "610"}
            << QStringList{"1000.0", "2000.0", "3000.1", "4000.1", "5000.1"};
        // clang-format on
    }
    void axisLabels()
    {
        QFETCH(Setup, setup);
        QFETCH(QString, unit);
        QFETCH(QStringList, minutes);
        QFETCH(QStringList, bytes);
        const QImage image = Render(setup);

        QVERIFY(TextAt(image, "[" + unit + "]", 7, kRight, 0, 0, 4));
        QVERIFY(TextAt(image, "[min]", 7, kLeft - LabelWidth("[min]  ", 7), 0));
        const double half = HalfLabelHeight();
        for (int i = 1; i <= 5; ++i) {
            const int y = qRound(kBottom - i * (1902 / 5.0));
            const QString minute = minutes.at(i - 1);
            QVERIFY2(TextAt(image, minute, 7, kLeft - LabelWidth(minute, 7) - 75, y - half, 4, 1),
                     qPrintable(minute));
            QVERIFY2(TextAt(image, bytes.at(i - 1), 7, kRight, y - half, 0, 4),
                     qPrintable(bytes.at(i - 1)));
        }
    }

    // An empty log redraws the empty graph twice in a row: axes and scales, nothing else.
    void emptyGraph()
    {
        QImage image(kWidthPx, kHeightPx, QImage::Format_RGB32);
        PictureSurface surface(&image, kTwips, kTwips);
        surface.SetBackColor(kBack);
        clsGraph graph;
        graph.SetOutput(&surface);
        graph.Clear();
        graph.ReDraw();

        // No legend: the top band between the two unit headers is bare.
        QCOMPARE(CountColour(image, QRect(Px(kLeft) + 1, 0, 250, Px(kTop) - 8), kBack),
                 250 * (Px(kTop) - 8));
        // No bars: nothing but background and the dotted grid inside the plot area.
        const QRect plot(QPoint(Px(kLeft) + 2, Px(kTop) + 2),
                         QPoint(Px(kRight) - 6, Px(kBottom) - 2));
        QCOMPARE(CountColour(image, plot, kBack) + CountColour(image, plot, Qt::black),
                 plot.width() * plot.height());
        // The axes stay solid lines, also on the second redraw that finds the grid's dotted style.
        for (int x = Px(kLeft); x < Px(kRight); ++x)
            QCOMPARE(image.pixelColor(x, Px(kBottom)), QColor(Qt::black));
        for (int y = Px(kTop); y < Px(kBottom); ++y)
            QCOMPARE(image.pixelColor(Px(kLeft), y), QColor(Qt::black));
    }

    // One month: two slots of half the plot width, three bars in the first, the next month's full
    // name under the empty second.
    void oneMonth()
    {
        const QImage image = Render([](clsGraph& g) { g.AddMonth(3, 1999, 347, 450000, 2345678); });
        // Slot width nearest(6387 / 2) = 3194 (3193.5 to even); the group starts 0.8 slot before
        // the slot's right end: 1203; each bar is 851.73 wide. Heights: 347/350, 450,000/2,400,000
        // and 2,345,678/2,400,000 of 1902.
        const struct {
            int left, right, height;
            QColor colour;
            int rising; // the hatch lines' direction: -1 rising to the right, 1 falling, 0 solid
        } bars[] = {{1203, 2055, 1886, kCyan, 0},
                    {2055, 2907, 357, kBlue, -1},
                    {2907, 3759, 1859, kRed, 1}};
        for (const auto& bar : bars) {
            const QRect inside(QPoint(Px(bar.left) + 2, Px(kBottom - bar.height) + 2),
                               QPoint(Px(bar.right) - 2, Px(kBottom) - 3));
            const int coloured = CountColour(image, inside, bar.colour);
            const int white = CountColour(image, inside, Qt::white);
            QCOMPARE(coloured + white, inside.width() * inside.height());
            if (bar.rising == 0) {
                QCOMPARE(white, 0);
                continue;
            }
            QVERIFY(coloured > 0 && white > coloured);
            for (int y = inside.top() + 1; y < inside.bottom(); ++y)
                for (int x = inside.left(); x < inside.right(); ++x)
                    if (image.pixelColor(x, y) == bar.colour)
                        QCOMPARE(image.pixelColor(x + 1, y + bar.rising), bar.colour);
            // Above the bar the grid shows again.
            const QRect above(QPoint(Px(bar.left) + 2, Px(kTop) + 2),
                              QPoint(Px(bar.right) - 2, Px(kBottom - bar.height) - 2));
            QCOMPARE(CountColour(image, above, bar.colour), 0);
        }
        // The trailing slot stays empty.
        const QRect emptySlot(QPoint(Px(kLeft + 3194) + 2, Px(kTop) + 2),
                              QPoint(Px(kRight) - 6, Px(kBottom) - 2));
        QCOMPARE(CountColour(image, emptySlot, kBack) + CountColour(image, emptySlot, Qt::black),
                 emptySlot.width() * emptySlot.height());

        QVERIFY(MonthNameAt(image, "March", 1203));
        QVERIFY(MonthNameAt(image, "April", 4397));

        // The legend: three sample boxes from 10 pixels right of the plot's left edge, each
        // followed by its text 2 pixels after it.
        double x = kLeft + 150;
        for (const auto& [text, colour] :
             {std::pair{"Usage", kCyan}, std::pair{"Transmitted Data", kBlue},
              std::pair{"Received Data", kRed}}) {
            const QRect box(QPoint(Px(x) + 1, 3), QPoint(Px(x + 300) - 1, 11));
            QVERIFY(CountColour(image, box, colour) > 0);
            QVERIFY(TextAt(image, text, 7, x + 330, 0));
            x += 330 + LabelWidth(text, 7) + 150;
        }
    }

    // The month names shorten once the highest index passes 6, or sooner when a full name would
    // run into the next one; the trailing slot after December is January.
    void monthLabels_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<bool>("abbreviated");
        // clang-format off
        QTest::newRow("six months, full names")              << 3 << 8  << false;
        QTest::newRow("six months, September too wide")      << 7 << 12 << true;
        QTest::newRow("seven months, abbreviations")         << 6 << 12 << true;
        // clang-format on
    }
    void monthLabels()
    {
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(bool, abbreviated);
        const QImage image = Render([&](clsGraph& g) {
            for (int m = first; m <= last; ++m)
                g.AddMonth(m, 1998, 10 * m, 1000 * m, 3000 * m);
        });
        const int count = last - first + 1;
        const double slot = qRound(6387.0 / (count + 1));
        for (int i = 0; i <= count; ++i) {
            const int month = (first + i - 1) % 12 + 1;
            const QString name = QLocale::c().monthName(month, abbreviated ? QLocale::ShortFormat
                                                                           : QLocale::LongFormat);
            const double x0 = std::nearbyint(kLeft + slot * (i + 1) - 0.8 * slot);
            QVERIFY2(MonthNameAt(image, name, x0), qPrintable(name));
        }
    }

    // A name under its bar stands alone: the nominative form, not the one used inside dates.
    void monthNamesStandAlone()
    {
        const QLocale finnish(QLocale::Finnish, QLocale::Finland);
        QLocale::setDefault(finnish);
        const QImage image = Render([](clsGraph& g) { g.AddMonth(3, 1998, 10, 1000, 3000); });
        QLocale::setDefault(QLocale::c());
        const double slot = qRound(6387.0 / 2);
        const double x0 = std::nearbyint(kLeft + slot - 0.8 * slot);
        QCOMPARE(finnish.standaloneMonthName(3), QString("maaliskuu"));
        QVERIFY(MonthNameAt(image, "maaliskuu", x0));
    }

    // Months without a byte still get their usage bars and their names; the byte bars stay flat.
    void monthsWithoutBytes()
    {
        const QImage image = Render([](clsGraph& g) {
            g.AddMonth(3, 1999, 34, 0, 0);
            g.AddMonth(4, 1999, 20, 0, 0);
        });
        const QRect plot(QPoint(Px(kLeft) + 2, Px(kTop) + 2),
                         QPoint(Px(kRight) - 6, Px(kBottom) - 2));
        QVERIFY(CountColour(image, plot, kCyan) > 0);
        QCOMPARE(CountColour(image, plot, kBlue) + CountColour(image, plot, kRed), 0);
        const double slot = 2129; // nearest(6387 / 3)
        QVERIFY(MonthNameAt(image, "March", std::nearbyint(kLeft + 0.2 * slot)));
        QVERIFY(MonthNameAt(image, "April", std::nearbyint(kLeft + 1.2 * slot)));
        QVERIFY(MonthNameAt(image, "May", std::nearbyint(kLeft + 2.2 * slot)));
    }

    void monthList()
    {
        clsGraph graph;
        graph.AddMonth(0, 1999, 5, 5, 5);
        graph.AddMonth(13, 1999, 5, 5, 5);
        QCOMPARE(graph.Months().size(), std::size_t(1));
        graph.AddMonth(12, 1999, 5, 6, 7);
        QCOMPARE(graph.Months().size(), std::size_t(2));
        QCOMPARE(graph.Months()[0].BytesReceived, 7);
        QCOMPARE(graph.Months()[1].Month, 13);
        QCOMPARE(graph.Months()[1].UsageMinutes, 0);
        graph.Clear(); // without a surface: forgets the months, draws nothing
        QCOMPARE(graph.Months().size(), std::size_t(1));
        QCOMPARE(graph.Months()[0].Month, 0);
    }

    // Clear forgets the largest values, so a smaller log gets a smaller scale.
    void clearForgetsMaxima()
    {
        const QImage image = Render([](clsGraph& g) {
            g.AddMonth(1, 1999, 9000, 9000000, 0);
            g.Clear();
            g.AddMonth(2, 1999, 47, 800, 0);
        });
        const double y = kTop - HalfLabelHeight();
        QVERIFY(TextAt(image, "50", 7, kLeft - LabelWidth("50", 7) - 75, y, 4, 1));
        QVERIFY(TextAt(image, "800", 7, kRight, y, 0, 4));
    }

    // The estimate of the last month stands as an unfilled outline over that month's usage bar, up
    // to its own height, and the scale makes room for it. One month: slots of 3194 twips, the
    // usage bar from 1203 to 2055. 30 estimated minutes on a scale of 40 reach 856 twips; the
    // 20 minutes used reach 1331.
    void estimateIsAnOutlineAboveTheBar_data()
    {
        QTest::addColumn<bool>("withEstimate");
        QTest::addColumn<bool>("outlined");
        QTest::newRow("estimate") << true << true;
        QTest::newRow("none") << false << false;
    }
    void estimateIsAnOutlineAboveTheBar()
    {
        QFETCH(bool, withEstimate);
        QFETCH(bool, outlined);
        const QImage image = Render([&](clsGraph& g) {
            g.AddMonth(5, 2024, 20, 0, 0);
            if (withEstimate)
                g.SetEstimate(30, 0, 0);
        });
        const QRect top(Px(1203) + 2, Px(856), Px(2055) - Px(1203) - 4, 1);
        QCOMPARE(CountColour(image, top, Qt::black) > 10, outlined);
        // Below the outline's top the month's own bar is filled as always.
        QVERIFY(CountColour(image, QRect(Px(1203) + 2, Px(1400), 10, 1), kCyan) > 0);
        if (withEstimate)
            QVERIFY(TextAt(image, "40", 7, kLeft - LabelWidth("40", 7) - 75,
                           kTop - HalfLabelHeight(), 4, 1));
    }
};

QTEST_MAIN(TestGraph)
#include "test_graph.moc"
