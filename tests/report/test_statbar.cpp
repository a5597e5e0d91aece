#include "report/picturesurface.h"
#include "report/statbar.h"

#include <QImage>
#include <QtTest>

using namespace dialtally;

namespace {

const StatBarColors kColors;
const QColor kBack = Qt::lightGray;

// The status line of the main window: 9435 x 315 twips at 15 twips per pixel.
struct StatusLine {
    QImage image{629, 21, QImage::Format_RGB32};
    PictureSurface surface{&image};
    clsStatBar bar{kColors};
    int refreshes = 0;

    StatusLine()
    {
        surface.SetBackColor(kBack);
        surface.SetRefreshHook([this] { ++refreshes; });
        bar.SetOutputObject(&surface);
    }

    // The columns of the bar's middle row that hold the bar colour, as "first-last" or "".
    QString FilledColumns() const
    {
        int first = -1, last = -1;
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, 10) == kColors.bar) {
                if (first < 0)
                    first = x;
                last = x;
            }
        }
        return first < 0 ? QString() : QStringLiteral("%1-%2").arg(first).arg(last);
    }

    // Pixels inside the text field's frame that the text coloured (smoothed edges included).
    int TextPixels() const
    {
        int count = 0;
        for (int y = 5; y < 18; ++y)
            for (int x = 170; x < 620; ++x)
                count += image.pixelColor(x, y) != kBack;
        return count;
    }
};

} // namespace

class TestStatBar : public QObject {
    Q_OBJECT

private slots:
    void layoutOfTheStatusLine()
    {
        StatusLine line;
        QCOMPARE(line.bar.BarLeft(), 40);
        QCOMPARE(line.bar.BarWidth(), 2359);
        QCOMPARE(line.bar.TextLeft(), 2459);
        QCOMPARE(line.bar.TextWidth(), 6936);
        // The top edge, and the bar's sunken frame: shadow on the left, highlight on the right.
        QCOMPARE(line.image.pixelColor(300, 0), kColors.topEdge);
        QCOMPARE(line.image.pixelColor(3, 10), kColors.buttonShadow);      // 40 twips
        QCOMPARE(line.image.pixelColor(160, 10), kColors.buttonHighlight); // 2399 twips
        QCOMPARE(line.FilledColumns(), QString());
    }

    void fill_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("columns");
        // Fill = Value / (Max - Min) x 2359 twips, from 40 + 15 twips to 40 + fill; a full bar
        // meets the frame's right edge at column 160.
        // clang-format off
        QTest::newRow("half full")          << QVariant(5)            << 5  << "4-81";
        QTest::newRow("above Max is Max")   << QVariant(15)           << 10 << "4-159";
        QTest::newRow("below Min is Min")   << QVariant(-3)           << 0  << "";
        QTest::newRow("equal to Min")       << QVariant(0)            << 0  << "";
        QTest::newRow("16-bit value")       << QVariant(short(1))     << 1  << "4-18";
        QTest::newRow("text is ignored")    << QVariant(QString("5")) << 0  << "";
        QTest::newRow("fraction is ignored")<< QVariant(5.0)          << 0  << "";
        // clang-format on
    }

    void fill()
    {
        QFETCH(QVariant, value);
        QFETCH(int, stored);
        QFETCH(QString, columns);
        StatusLine line;
        line.bar.SetMin(QVariant(0));
        line.bar.SetMax(QVariant(10));
        line.bar.SetValue(value);
        QCOMPARE(line.bar.Value(), stored);
        QCOMPARE(line.FilledColumns(), columns);
    }

    void barNeverPassesItsFrame()
    {
        StatusLine line;
        line.bar.SetMin(5);
        line.bar.SetMax(10);
        line.bar.SetValue(10);
        QCOMPARE(line.FilledColumns(), QStringLiteral("4-159"));
    }

    void textFieldShowsOnlyStrings()
    {
        StatusLine line;
        line.bar.SetText(QStringLiteral("Reading log.."));
        QVERIFY(line.TextPixels() > 20);
        // Setting the text redraws the text field only: the bar stays as it was.
        line.bar.SetMax(10);
        line.bar.SetValue(5);
        const int refreshes = line.refreshes;
        line.bar.SetText(QVariant(42));
        QCOMPARE(line.TextPixels(), 0);
        QCOMPARE(line.FilledColumns(), QStringLiteral("4-81"));
        QCOMPARE(line.refreshes, refreshes + 1);
    }

    void nothingIsDrawnWithoutASurface()
    {
        clsStatBar bar;
        bar.SetMax(10);
        bar.SetValue(7);
        bar.SetText(QStringLiteral("x"));
        bar.ReDraw();
        QCOMPARE(bar.Value(), 7);
    }
};

QTEST_MAIN(TestStatBar)
#include "test_statbar.moc"
