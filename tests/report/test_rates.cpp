#include "report/picturesurface.h"
#include "report/rates.h"

#include <QImage>
#include <QtTest>

using namespace dialtally;

namespace {

const RatesColors kColors;
const QColor kGrey(128, 128, 128);
const QColor kRed(255, 0, 0);
const QColor kCyan(0, 255, 255);

// The picture box of the communication costs dialog: 6495 x 1935 twips at 15 twips per pixel.
struct RatesPicture {
    QImage image{433, 129, QImage::Format_RGB32};
    PictureSurface surface{&image};
    clsRates rates{kColors, QLocale(QLocale::English, QLocale::UnitedStates)};

    // Loaded as the dialog loads it: colours, every code, one ReDraw, then drawing at once.
    explicit RatesPicture(std::int16_t code = 1)
    {
        surface.SetBackColor(kColors.buttonFace);
        rates.SetOutput(&surface);
        rates.SetRateColor1(kGrey);
        rates.SetRateColor2(kRed);
        rates.SetRateColor3(kCyan);
        for (std::int16_t d = 1; d <= 7; ++d)
            for (std::int16_t h = 0; h < 24; ++h)
                rates.SetData(h, d, code);
        rates.ReDraw();
        rates.bAutoRedraw = true;
    }

    // Pixel (dx, dy) of the cell of hour h and weekday d, counted from its top left corner.
    QColor Cell(int h, int d, int dx = 8, int dy = 6) const
    {
        return image.pixelColor(32 + 16 * h + dx, 18 + 14 * (d - 1) + dy);
    }

    // Pixels in the rectangle that are not the background.
    int Drawn(const QRect& area) const
    {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                count += image.pixelColor(x, y) != kColors.buttonFace;
        return count;
    }
};

} // namespace

class TestRates : public QObject {
    Q_OBJECT

private slots:
    void cellsAreSunkenAndColoured()
    {
        RatesPicture picture;
        picture.rates.SetData(0, 1, 2);  // Sunday, the hour after midnight
        picture.rates.SetData(23, 7, 3); // Saturday, the last hour
        for (const auto& [h, d, colour] :
             {std::tuple{0, 1, kRed}, std::tuple{23, 7, kCyan}, std::tuple{12, 4, kGrey}}) {
            // The fill covers the 13 x 11 pixels inside the frame.
            QCOMPARE(picture.Cell(h, d, 2, 2), colour);
            QCOMPARE(picture.Cell(h, d, 14, 12), colour);
            // Face colour between the cells, dark above and left, light below and right.
            QCOMPARE(picture.Cell(h, d, 0, 6), kColors.buttonFace);
            QCOMPARE(picture.Cell(h, d, 8, 0), kColors.buttonFace);
            QCOMPARE(picture.Cell(h, d, 1, 6), kColors.darkShadow);
            QCOMPARE(picture.Cell(h, d, 8, 1), kColors.darkShadow);
            QCOMPARE(picture.Cell(h, d, 15, 6), kColors.highlight);
            QCOMPARE(picture.Cell(h, d, 8, 13), kColors.highlight);
        }
        // The grid ends at x = 416 and y = 116 in the face colour; nothing is drawn beyond.
        QCOMPARE(picture.image.pixelColor(416, 60), kColors.buttonFace);
        QCOMPARE(picture.Drawn(QRect(417, 0, 16, 129)), 0);
        QCOMPARE(picture.Drawn(QRect(0, 117, 433, 12)), 0);
    }

    void captionsStandLeftOfAndAboveTheirCells()
    {
        RatesPicture picture;
        // Each weekday caption in its row, ending 3 pixels left of the cells.
        for (int d = 1; d <= 7; ++d) {
            const int top = 18 + 14 * (d - 1);
            QVERIFY2(picture.Drawn(QRect(0, top, 29, 14)) > 10, qPrintable(QString::number(d)));
            QCOMPARE(picture.Drawn(QRect(29, top + 2, 3, 10)), 0);
        }
        // Each hour caption above its column, starting 2 pixels into it.
        for (int h = 0; h < 24; ++h) {
            const int left = 32 + 16 * h;
            QVERIFY2(picture.Drawn(QRect(left + 2, 0, 14, 17)) > 10,
                     qPrintable(QString::number(h)));
            QCOMPARE(picture.Drawn(QRect(left, 0, 2, 17)), 0);
        }
    }

    void outOfRangeChangesNothing_data()
    {
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("code");
        // clang-format off
        QTest::newRow("hour 24")          << 24 <<  1 << 2;
        QTest::newRow("hour -1")          << -1 <<  3 << 2;
        QTest::newRow("weekday 0")        <<  0 <<  0 << 2;
        QTest::newRow("weekday 8")        <<  0 <<  8 << 2;
        QTest::newRow("code 4")           <<  5 <<  2 << 4;
        QTest::newRow("code 0")           <<  5 <<  2 << 0;
        // clang-format on
    }
    void outOfRangeChangesNothing()
    {
        QFETCH(int, hour);
        QFETCH(int, day);
        QFETCH(int, code);
        RatesPicture picture;
        const QImage before = picture.image;
        picture.rates.SetData(hour, day, code);
        QCOMPARE(picture.image, before);
        for (std::int16_t d = 1; d <= 7; ++d)
            for (std::int16_t h = 0; h < 24; ++h)
                QCOMPARE(picture.rates.iGetHourDaySetting(h, d), std::int16_t(1));
        if (hour < 0 || hour > 23 || day < 1 || day > 7)
            QCOMPARE(picture.rates.iGetHourDaySetting(hour, day), std::int16_t(0));
    }

    void hitTest_data()
    {
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("y");
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("day");
        // clang-format off
        QTest::newRow("first pixel of the grid") << 32.0f  << 18.0f  <<  0 << 1;
        QTest::newRow("last pixel of hour 0")    << 47.0f  << 31.0f  <<  0 << 1;
        QTest::newRow("first pixel of hour 1")   << 48.0f  << 32.0f  <<  1 << 2;
        QTest::newRow("last pixel of the grid")  << 415.0f << 115.0f << 23 << 7;
        QTest::newRow("right of and below it")   << 416.0f << 116.0f << 24 << 8;
        QTest::newRow("just left of and above")  << 31.0f  << 17.0f  << -1 << 0;
        QTest::newRow("far outside")             << -40.0f << -40.0f << -5 << -4;
        // clang-format on
    }
    void hitTest()
    {
        QFETCH(float, x);
        QFETCH(float, y);
        QFETCH(int, hour);
        QFETCH(int, day);
        const clsRates rates;
        QCOMPARE(int(rates.GetHourFromX(x)), hour);
        QCOMPARE(int(rates.GetDayFromY(y)), day);
    }

    void drawsAtOnceOnlyWhenAsked()
    {
        RatesPicture picture;
        picture.rates.bAutoRedraw = false;
        picture.rates.SetData(3, 2, 3);
        QCOMPARE(picture.rates.iGetHourDaySetting(3, 2), std::int16_t(3));
        QCOMPARE(picture.Cell(3, 2), kGrey);

        picture.rates.bAutoRedraw = true;
        picture.rates.SetData(4, 2, 3);
        QCOMPARE(picture.Cell(4, 2), kCyan);
        // A new colour of code 1 repaints every cell of code 1 and no other.
        picture.rates.SetRateColor1(Qt::yellow);
        QCOMPARE(picture.Cell(0, 1), QColor(Qt::yellow));
        QCOMPARE(picture.Cell(4, 2), kCyan);
        // ReDraw shows the code stored while drawing was off.
        picture.rates.ReDraw();
        QCOMPARE(picture.Cell(3, 2), kCyan);
    }
};

QTEST_MAIN(TestRates)
#include "test_rates.moc"
