#include "report/graph.h"

#include "analysis/monthly.h"
#include "report/picturesurface.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace dialtally {
namespace {

using Shape = PictureSurface::Shape;

// Positions and lengths are whole twips, a half going to the even neighbour.
int Nearest(double x)
{
    return static_cast<int>(std::nearbyint(x));
}

// value / divisor to one decimal, a half rounded away from zero, as the "##0.0" pattern shows it.
QString OneDecimal(std::int64_t value, std::int64_t divisor)
{
    const bool negative = value < 0;
    const std::int64_t magnitude = negative ? -value : value;
    const std::int64_t tenths = (magnitude * 10 + divisor / 2) / divisor;
    QString text =
        QString::number(tenths / 10) + QLocale().decimalPoint() + QString::number(tenths % 10);
    return negative && tenths != 0 ? QLatin1Char('-') + text : text;
}

// The month name of the first day of month m of 1900, rolled over like a date (13 is January).
// A name standing alone takes the nominative form ("maaliskuu", not "maaliskuuta").
QString MonthName(int month, bool abbreviated)
{
    const int inYear = ((month - 1) % 12 + 12) % 12 + 1;
    return QLocale()
        .standaloneMonthName(inYear, abbreviated ? QLocale::ShortFormat : QLocale::LongFormat)
        .trimmed();
}

constexpr std::int64_t kMega = 1000000;
constexpr std::int64_t kKilo = 1000;

} // namespace

std::int64_t MinuteScaleTop(std::int64_t v)
{
    // The decimal text of v without its last digit, plus one, in tens; one digit gives 10.
    if (v < 10)
        return 10;
    return (v / 10 + 1) * 10;
}

std::int64_t ByteScaleTop(std::int64_t v)
{
    // v in tenths of the unit, rounded as it is shown, plus one tenth.
    if (v > kMega)
        return ((v * 10 + kMega / 2) / kMega + 1) * (kMega / 10);
    if (v > kKilo)
        return ((v * 10 + kKilo / 2) / kKilo + 1) * (kKilo / 10);
    if (v <= 0)
        return 0;
    return (v + 4) / 5 * 5;
}

ByteLabel FormatByteLabel(std::int64_t value, std::int64_t scale)
{
    if (scale > kMega)
        return {OneDecimal(value, kMega), QStringLiteral("Mb")};
    if (scale > kKilo)
        return {OneDecimal(value, kKilo), QStringLiteral("kb")};
    return {QString::number(value), QStringLiteral("byte")};
}

clsGraph::clsGraph() : m_months(1) {}

void clsGraph::AddMonth(int iMonth, int iYear, std::int64_t lUsageMinutes,
                        std::int64_t lTransmitted, std::int64_t lReceived)
{
    Q_UNUSED(iYear);
    if (iMonth < 1 || iMonth > 12)
        return;
    MonthUsage& last = m_months.back();
    last.Month = iMonth;
    last.UsageMinutes = lUsageMinutes;
    last.BytesTransmitted = lTransmitted;
    last.BytesReceived = lReceived;
    m_maxUsage = std::max(m_maxUsage, lUsageMinutes);
    m_maxTransmitted = std::max(m_maxTransmitted, lTransmitted);
    m_maxReceived = std::max(m_maxReceived, lReceived);
    m_months.push_back(MonthUsage{iMonth + 1, 0, 0, 0});
}

void clsGraph::SetEstimate(std::int64_t lUsageMinutes, std::int64_t lTransmitted,
                           std::int64_t lReceived)
{
    if (m_months.size() < 2)
        return;
    m_estimate =
        MonthUsage{m_months[m_months.size() - 2].Month, lUsageMinutes, lTransmitted, lReceived};
    m_maxUsage = std::max(m_maxUsage, lUsageMinutes);
    m_maxTransmitted = std::max(m_maxTransmitted, lTransmitted);
    m_maxReceived = std::max(m_maxReceived, lReceived);
}

void clsGraph::Clear()
{
    m_months.assign(1, MonthUsage{});
    m_estimate.reset();
    m_maxUsage = m_maxTransmitted = m_maxReceived = 0;
    ReDraw();
}

void clsGraph::CalcPlotArea()
{
    const double w = m_output->Width();
    const double h = m_output->Height();
    m_left = Nearest(w * 0.075);
    m_right = Nearest(w - w * 0.075);
    m_top = Nearest(h * 0.15);
    m_bottom = Nearest(h - h * 0.1);
    m_plotWidth = m_right - m_left;
    m_plotHeight = m_bottom - m_top;
}

void clsGraph::SetDrawStyle(int style)
{
    PictureSurface& s = *m_output;
    s.SetForeColor(Qt::black);
    s.SetLineStyle(PictureSurface::LineStyle::Solid);
    s.SetLineWidth(1);
    switch (style) {
    case 0:
        s.SetFillColor(QColor(255, 255, 255));
        s.SetFontSize(10);
        s.SetFontBold(false);
        break;
    case 1:
        s.SetFillColor(QColor(0, 255, 255));
        s.SetFillPattern(PictureSurface::FillPattern::Solid);
        break;
    case 2:
        s.SetFillColor(QColor(0, 0, 255));
        s.SetFillPattern(PictureSurface::FillPattern::UpwardDiagonal);
        break;
    case 3:
        s.SetFillColor(QColor(255, 0, 0));
        s.SetFillPattern(PictureSurface::FillPattern::DownwardDiagonal);
        break;
    default:
        break;
    }
}

void clsGraph::DrawLegends()
{
    if (!m_output)
        return;
    PictureSurface& s = *m_output;
    const double px = s.TwipsPerPixelX();
    const double py = s.TwipsPerPixelY();
    const struct {
        int style;
        const char* text;
    } entries[] = {{1, "Usage"}, {2, "Transmitted Data"}, {3, "Received Data"}};

    double x = m_left + s.CurrentX() + 10 * px;
    bool first = true;
    for (const auto& entry : entries) {
        if (!first)
            x = s.CurrentX() + 10 * px;
        first = false;
        SetDrawStyle(entry.style);
        s.Line(x, 2 * py, 20 * px, 10 * py, Shape::Box);
        s.SetCurrentY(0);
        s.SetCurrentX(x + 20 * px + 2 * px);
        s.Print(QString::fromLatin1(entry.text));
    }
}

void clsGraph::DrawAxes(std::int64_t minuteScale, std::int64_t byteScale)
{
    PictureSurface& s = *m_output;
    const double px = s.TwipsPerPixelX();
    const int tick = Nearest(5 * px / 2);

    s.SetLineWidth(2);
    s.Line(m_left, m_bottom, m_plotWidth, 0);
    s.Line(m_left, m_top, 0, m_plotHeight);
    s.Line(m_left - tick, m_top, 2 * tick, 0);

    s.SetLineWidth(1);
    s.SetFontSize(7);

    s.SetCurrentX(m_left + m_plotWidth);
    s.SetCurrentY(0);
    s.Print(QLatin1Char('[') + FormatByteLabel(0, byteScale).unit + QLatin1Char(']'));
    s.SetCurrentX(m_left - s.TextWidth(QStringLiteral("[min]  ")));
    s.Print(QStringLiteral("[min]"));

    for (int i = 1; i <= 5; ++i) {
        const int y = Nearest(m_bottom - i * (m_plotHeight / 5.0));
        s.Line(m_left - tick, y, 2 * tick, 0);

        const double minutes = static_cast<double>(minuteScale) / 5 * i;
        const QString minuteLabel = minutes == std::floor(minutes)
                                        ? QString::number(static_cast<std::int64_t>(minutes))
                                        : QString::number(minutes);
        s.SetCurrentY(y - s.TextHeight(minuteLabel) / 2);
        s.SetCurrentX(m_left - s.TextWidth(minuteLabel) - 5 * px);
        s.Print(minuteLabel);

        // The tops are multiples of 5, so the fifths are whole; months of gigabytes need 64 bits.
        const QString byteLabel = FormatByteLabel(byteScale / 5 * i, byteScale).text;
        s.SetCurrentY(y - s.TextHeight(byteLabel) / 2);
        s.SetCurrentX(m_left + m_plotWidth);
        s.Print(byteLabel);
    }

    s.SetLineStyle(PictureSurface::LineStyle::Dotted);
    for (int i = 1; i <= 5; ++i)
        s.Line(m_left, m_bottom - i * m_plotHeight / 5.0, m_plotWidth - 5 * px, 0);
}

int clsGraph::BarHeight(std::int64_t value, std::int64_t scale) const
{
    // Values below 0 cannot be counted bytes or minutes and draw as empty rather than below the
    // axis, over the month labels.
    if (scale <= 0 || value <= 0)
        return 0;
    return Nearest(static_cast<double>(value) / static_cast<double>(scale) * m_plotHeight);
}

void clsGraph::DrawMonth(std::size_t index, int slotWidth, std::int64_t minuteScale,
                         std::int64_t byteScale)
{
    PictureSurface& s = *m_output;
    const MonthUsage& month = m_months[index];
    const struct {
        int style;
        int height;
    } bars[] = {{1, BarHeight(month.UsageMinutes, minuteScale)},
                {2, BarHeight(month.BytesTransmitted, byteScale)},
                {3, BarHeight(month.BytesReceived, byteScale)}};

    const int x0 =
        Nearest(m_left + static_cast<double>(slotWidth) * (static_cast<double>(index) + 1) -
                0.8 * slotWidth);
    const double barWidth = 0.8 * slotWidth / 3;
    if (m_estimate && index + 2 == m_months.size())
        DrawEstimate(x0, barWidth, minuteScale, byteScale);
    double x = x0;
    for (const auto& bar : bars) {
        // The white box first blanks the grid lines behind the bar.
        s.SetForeColor(Qt::white);
        s.Line(x, m_bottom, barWidth, -bar.height, Shape::FilledBox);
        SetDrawStyle(bar.style);
        s.Line(x, m_bottom, barWidth, -bar.height, Shape::Box);
        x = Nearest(x + barWidth);
    }

    s.SetCurrentX(x0);
    s.SetCurrentY(m_bottom);
    s.SetFontSize(9);
    s.Print(MonthName(month.Month, m_abbreviatedNames));
}

void clsGraph::DrawEstimate(int x0, double barWidth, std::int64_t minuteScale,
                            std::int64_t byteScale)
{
    PictureSurface& s = *m_output;
    const struct {
        int style;
        int height;
    } bars[] = {{1, BarHeight(m_estimate->UsageMinutes, minuteScale)},
                {2, BarHeight(m_estimate->BytesTransmitted, byteScale)},
                {3, BarHeight(m_estimate->BytesReceived, byteScale)}};
    // Outlines only, unfilled: the month's own bar, drawn over them, fills the part already used.
    double x = x0;
    for (const auto& bar : bars) {
        SetDrawStyle(bar.style);
        const double top = m_bottom - bar.height;
        s.Line(x, m_bottom, 0, -bar.height);
        s.Line(x, top, barWidth, 0);
        s.Line(x + barWidth, top, 0, bar.height);
        x = Nearest(x + barWidth);
    }
    SetDrawStyle(0);
}

bool clsGraph::FullNamesFit(int slotWidth)
{
    // Each name may run on up to the next group's name; the last one up to the picture's edge.
    PictureSurface& s = *m_output;
    s.SetFontSize(9);
    const double gap = 2 * s.TwipsPerPixelX();
    for (std::size_t i = 0; i < m_months.size(); ++i) {
        const double width = s.TextWidth(MonthName(m_months[i].Month, false));
        const double room = i + 1 < m_months.size()
                                ? slotWidth - gap
                                : s.Width() - (m_left + slotWidth * (static_cast<double>(i) + 0.2));
        if (width > room)
            return false;
    }
    return true;
}

void clsGraph::ReDraw()
{
    if (!m_output)
        return;
    PictureSurface& s = *m_output;
    if (m_months.size() == 1) {
        s.Clear();
        CalcPlotArea();
        DrawAxes(100, 100000);
        s.Refresh();
        return;
    }

    CalcPlotArea();
    const std::int64_t minuteScale = MinuteScaleTop(m_maxUsage);
    std::int64_t byteScale = ByteScaleTop(std::max(m_maxTransmitted, m_maxReceived));
    // Months without a single byte would give a byte axis whose top is 0: bars divided by it and
    // five labels all reading 0. The axis takes the smallest top it has for counted bytes
    // instead, 5 bytes, and the empty bars stand at the bottom.
    if (byteScale <= 0)
        byteScale = 5;

    s.Clear();
    DrawLegends();
    DrawAxes(minuteScale, byteScale);
    SetDrawStyle(0);

    const int slotWidth = Nearest(static_cast<double>(m_plotWidth) / m_months.size());
    // Full month names up to six months, abbreviations beyond. A font wider than the one the
    // layout was made for would make long names ("September", "November") run into their
    // neighbours even then; such a graph takes the abbreviations too.
    m_abbreviatedNames = m_months.size() - 1 > 6 || !FullNamesFit(slotWidth);
    for (std::size_t i = 0; i < m_months.size(); ++i)
        DrawMonth(i, slotWidth, minuteScale, byteScale);

    // The bars' outlines cover the time axis; it is drawn once more on top of them.
    s.SetLineWidth(2);
    s.Line(m_left, m_bottom, m_plotWidth, 0);
    s.Refresh();
}

void ShowMonths(clsGraph& graph, const MonthlySummary& summary, const MonthTotals* estimate)
{
    graph.Clear();
    for (const MonthTotals& month : summary.months)
        graph.AddMonth(month.month, month.year, month.Minutes(), month.transmitted, month.received);
    if (estimate && !summary.months.empty() && summary.months.back().month == estimate->month &&
        summary.months.back().year == estimate->year)
        graph.SetEstimate(estimate->Minutes(), estimate->transmitted, estimate->received);
    graph.ReDraw();
}

} // namespace dialtally
