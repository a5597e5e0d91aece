#include "analysis/analysis.h"
#include "report/printlog.h"
#include "support/memoryprogressbar.h"

#include <QTest>
#include <vector>

using namespace dialtally;

namespace {

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return *MakeDateTime(y, mo, d, h, mi, s);
}

// What the report drew: a text with its top left corner, or a line with its width and its end.
struct Drawn {
    int page;
    double x, y;
    QString text;     // empty for a line
    double width = 0; // of a line, twips
    double toX = 0;

    friend bool operator==(const Drawn&, const Drawn&) = default;
};

// Pages of 10000 x 14000 twips with a font whose characters are 10 twips per point wide and whose
// lines are 20 twips per point high, so that every position of the report can be worked out by
// hand.
class RecordingSurface : public PageSurface {
public:
    explicit RecordingSurface(double height = 14000) : m_height(height) { m_font.setPointSize(12); }

    double PageWidth() const override { return 10000; }
    double PageHeight() const override { return m_height; }
    void SetFont(const QFont& font) override { m_font = font; }
    QFont Font() const override { return m_font; }
    double TextWidth(const QString& text) const override
    {
        return text.size() * m_font.pointSizeF() * 10;
    }
    double LineHeight() const override { return m_font.pointSizeF() * 20; }
    void DrawText(double x, double y, const QString& text) override
    {
        drawn.push_back({m_page, x, y, text});
        fonts.push_back(m_font);
    }
    void DrawLine(double x1, double y1, double x2, double y2, double width, const QColor&) override
    {
        QCOMPARE(y1, y2);
        drawn.push_back({m_page, x1, y1, QString(), width, x2});
        fonts.push_back(m_font);
    }
    void NewPage() override { ++m_page; }
    bool End() override
    {
        ++ended;
        return true;
    }

    std::vector<Drawn> drawn;
    std::vector<QFont> fonts;
    int ended = 0;

private:
    double m_height;
    QFont m_font;
    int m_page = 1;
};

SessionRecord Session(int day, int upHour, int minutes, int tx, int rx, std::optional<double> cost)
{
    SessionRecord s;
    s.vUp = At(2024, 3, day, upHour, 0, 0);
    s.vDown = At(2024, 3, day, upHour, minutes, 0);
    s.lDur = minutes * 60;
    s.vDurText = DurationText(s.lDur);
    s.lTx = tx;
    s.lRx = rx;
    s.vCommCost = cost;
    s.vServCost = cost;
    return s;
}

const QLocale kBritish(QLocale::English, QLocale::UnitedKingdom);

} // namespace

class TestPrintLog : public QObject {
    Q_OBJECT
private slots:
    void oneSessionWhereTheLayoutPutsIt();
    void pageBreaksBelowNinetyPercent();
    void selectionPrintsOnlyItsSessions();
};

// Every position worked out by hand from the layout: the page number in the printer's own font
// (12 points here), two line ends, the title, an empty line, the rules and the header lines with
// their gaps of 25 twips, the session, the totals.
void TestPrintLog::oneSessionWhereTheLayoutPutsIt()
{
    const SessionList sessions = {Session(4, 10, 30, 700, 5000, 1.25)};
    RecordingSurface surface;
    ReportPrinter printer(surface);
    MemoryProgressBar bar;
    QVERIFY(PrintLog(printer, sessions, 0, 0, &bar, kBritish));
    QCOMPARE(surface.ended, 1);
    QCOMPARE(bar.Value(), 0);

    const QString cost = kBritish.toCurrencyString(1.25);
    const std::vector<Drawn> expected = {
        {1, 5000 - 2 * 120, 0, "1"},
        {1, (10000 - 18 * 180) / 2.0, 720, "Internet Usage Log"},
        {1, 500, 1280, QString(), 30, 10000},
        {1, 5500, 1305, "Transmitted"},
        {1, 6500, 1305, "Received"},
        {1, 7700, 1305, "Communic."},
        {1, 8700, 1305, "Service"},
        {1, 500, 1505, "Connection Up "},
        {1, 2500, 1505, "Connection Down"},
        {1, 4500, 1505, "Length"},
        {1, 5500, 1505, "Bytes"},
        {1, 6500, 1505, "Bytes"},
        {1, 7700, 1505, "Costs"},
        {1, 8700, 1505, "Costs"},
        {1, 500, 1730, QString(), 15, 10000},
        {1, 500, 1755, "04/03/2024 10:00:00"},
        {1, 2500, 1755, "04/03/2024 10:30:00"},
        {1, 4500, 1755, "0:30:00"},
        {1, 5500, 1755, "700"},
        {1, 6500, 1755, "5000"},
        {1, 7700, 1755, cost},
        {1, 8700, 1755, cost},
        {1, 500, 1955, QString(), 15, 10000},
        // "Sum: " and the period would run into the duration: the period's end goes under it.
        {1, 500, 2155, "Sum: 04/03/2024 10:00:00  -"},
        {1, 4500, 2155, "30 min"},
        {1, 5500, 2155, "700 byte"},
        {1, 6500, 2155, "5.0 Kb"},
        {1, 7700, 2155, cost},
        {1, 8700, 2155, cost},
        {1, 1000, 2355, "04/03/2024 10:30:00"},
    };
    for (std::size_t i = 0; i < std::min(expected.size(), surface.drawn.size()); ++i) {
        const Drawn& d = surface.drawn[i];
        QVERIFY2(d == expected[i], qPrintable(QStringLiteral("item %1: page %2 at %3, %4: \"%5\"")
                                                  .arg(i)
                                                  .arg(d.page)
                                                  .arg(d.x)
                                                  .arg(d.y)
                                                  .arg(d.text)));
    }
    QCOMPARE(surface.drawn.size(), expected.size());
    // The title in bold 18 points, everything after it in Arial 10 points, not bold.
    QCOMPARE(surface.fonts[1].pointSize(), 18);
    QVERIFY(surface.fonts[1].bold());
    QCOMPARE(surface.fonts[1].family(), QString("Arial"));
    for (std::size_t i = 2; i < surface.fonts.size(); ++i)
        QVERIFY(surface.fonts[i].pointSize() == 10 && !surface.fonts[i].bold());
}

void TestPrintLog::pageBreaksBelowNinetyPercent()
{
    SessionList sessions;
    for (int i = 0; i < 60; ++i)
        sessions.push_back(
            Session(1 + i % 28, 8 + i % 10, 10 + i, 100 * i, 1000 * i, std::nullopt));
    // Page height 10000: a page ends once a line ends below 9000 twips.
    RecordingSurface surface(10000);
    ReportPrinter printer(surface);
    QVERIFY(PrintLog(printer, sessions, 0, 59, nullptr, kBritish));

    std::vector<Drawn> starts; // the first column of every session line
    for (const Drawn& d : surface.drawn)
        if (d.x == 500 && d.text.contains("/2024 ") && !d.text.startsWith("Sum"))
            starts.push_back(d);
    QCOMPARE(starts.size(), 60u);
    // Page 1: lines from 1755 on, 200 apart; the first whose end (y + 200) passes 9000 is the last.
    QCOMPARE(starts.front().y, 1755.0);
    int page = 1;
    for (std::size_t i = 1; i < starts.size(); ++i) {
        const Drawn& before = starts[i - 1];
        const Drawn& line = starts[i];
        if (before.y + 200 > 9000) {
            QCOMPARE(line.page, ++page);
            QCOMPARE(line.y, 600.0); // the number's line and a line break
        } else {
            QCOMPARE(line.page, page);
            QCOMPARE(line.y, before.y + 200);
        }
    }
    QVERIFY(page >= 2);
    // Every page after the first starts with its number and has no column headers.
    for (int p = 2; p <= page; ++p) {
        const auto first = std::find_if(surface.drawn.begin(), surface.drawn.end(),
                                        [p](const Drawn& d) { return d.page == p; });
        QVERIFY(first != surface.drawn.end());
        QCOMPARE(first->text, QString::number(p));
        QCOMPARE(first->y, 0.0);
        QCOMPARE(first->x, 5000 - 2.0 * 100); // in Arial 10 points now
    }
    const auto headers = std::count_if(surface.drawn.begin(), surface.drawn.end(),
                                       [](const Drawn& d) { return d.text == "Length"; });
    QCOMPARE(headers, 1);
}

void TestPrintLog::selectionPrintsOnlyItsSessions()
{
    SessionList sessions;
    for (int i = 0; i < 5; ++i)
        sessions.push_back(Session(10 + i, 9, 10 * (i + 1), 1000 * (i + 1), 3000, 0.5 * i));
    RecordingSurface surface;
    ReportPrinter printer(surface);
    QVERIFY(PrintLog(printer, sessions, 1, 2, nullptr, kBritish));
    QStringList lengths;
    for (const Drawn& d : surface.drawn)
        if (d.x == 4500 && d.text.contains(':'))
            lengths << d.text;
    QCOMPARE(lengths, QStringList({"0:20:00", "0:30:00"}));
    const RangeSummary sum = SumRange(sessions, 1, 2, kBritish);
    const auto at = [&](std::size_t fromEnd) {
        return surface.drawn[surface.drawn.size() - fromEnd].text;
    };
    QCOMPARE(sum.period, QString("11/03/2024 09:00:00  -  12/03/2024 09:30:00"));
    QCOMPARE(at(7), QString("Sum: 11/03/2024 09:00:00  -"));
    QCOMPARE(at(6), QString("50 min"));
    QCOMPARE(at(5), QString("5.0 Kb"));
    QCOMPARE(at(4), QString("6.0 Kb"));
    QCOMPARE(at(3), sum.communicationCosts);
    QCOMPARE(at(2), sum.serviceCosts);
    QCOMPARE(at(1), QString("12/03/2024 09:30:00"));
}

QTEST_MAIN(TestPrintLog)
#include "test_printlog.moc"
