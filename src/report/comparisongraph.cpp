#include "report/comparisongraph.h"

#include "analysis/comparison.h"
#include "report/picturesurface.h"

#include <QLocale>
#include <algorithm>
#include <array>
#include <cmath>

namespace dialtally {
namespace {

using Shape = PictureSurface::Shape;

constexpr int kScaleSteps = 5;

// The part of a month's slot that its bars take; the rest is the gap between months.
constexpr double kBarsShare = 0.8;

QString ScaleLabel(double value)
{
    // Whole amounts where the steps are whole, two decimals otherwise.
    const bool whole = value == std::floor(value);
    return QLocale().toString(value, 'f', whole ? 0 : 2);
}

} // namespace

double RoundScaleTop(double value)
{
    if (!(value > 0))
        return 1.0;
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (const double step : {1.0, 2.0, 2.5, 5.0, 10.0})
        if (step * power >= value)
            return step * power;
    return 10.0 * power;
}

clsComparisonGraph::clsComparisonGraph(PictureSurface& surface, const TariffComparison& comparison)
    : m_surface(surface), m_comparison(comparison)
{
}

QColor clsComparisonGraph::TariffColor(std::size_t tariff)
{
    static const std::array<QColor, 8> colors = {
        QColor(0, 128, 255), QColor(255, 96, 0),  QColor(0, 160, 64), QColor(200, 0, 160),
        QColor(128, 96, 0),  QColor(0, 192, 192), QColor(96, 96, 96), QColor(220, 0, 0)};
    return colors[tariff % colors.size()];
}

void clsComparisonGraph::ReDraw()
{
    PictureSurface& s = m_surface;
    s.Clear();
    s.SetForeColor(Qt::black);
    s.SetFillPattern(PictureSurface::FillPattern::Solid);
    s.SetLineStyle(PictureSurface::LineStyle::Solid);
    s.SetFontBold(false);
    s.SetFontSize(8);
    double largest = 0.0;
    for (const TariffComparison::Month& month : m_comparison.months)
        for (const double sum : month.sums)
            largest = std::max(largest, sum);
    m_scaleTop = RoundScaleTop(largest);

    const double px = s.TwipsPerPixelX();
    const double lineHeight = s.TextHeight(QStringLiteral("0"));
    m_left = s.TextWidth(ScaleLabel(m_scaleTop) + QStringLiteral("00")) + 10 * px;
    m_right = s.Width() - 10 * px;
    m_top = 2 * lineHeight + 10 * px;
    m_bottom = s.Height() - 2 * lineHeight;

    DrawLegend();
    DrawScale();
    for (std::size_t m = 0; m < m_comparison.months.size(); ++m)
        for (std::size_t t = 0; t < m_comparison.months[m].sums.size(); ++t) {
            const QRectF bar = BarRect(m, t);
            if (bar.height() <= 0)
                continue;
            s.SetForeColor(TariffColor(t));
            s.Line(bar.left(), bar.top(), bar.width(), bar.height(), Shape::FilledBox);
        }
    s.SetForeColor(Qt::black);
    s.SetLineWidth(2);
    s.Line(m_left, m_bottom, m_right - m_left, 0);
    s.Line(m_left, m_top, 0, m_bottom - m_top);
    s.SetLineWidth(1);
    DrawMonthLabels();
    s.Refresh();
}

QRectF clsComparisonGraph::BarRect(std::size_t month, std::size_t tariff) const
{
    const std::size_t months = std::max<std::size_t>(m_comparison.months.size(), 1);
    const std::size_t tariffs = std::max<std::size_t>(m_comparison.names.size(), 1);
    const double slot = (m_right - m_left) / static_cast<double>(months);
    const double barWidth = slot * kBarsShare / static_cast<double>(tariffs);
    const double left = m_left + slot * static_cast<double>(month) + slot * (1 - kBarsShare) / 2 +
                        barWidth * static_cast<double>(tariff);
    const double sum = std::max(0.0, m_comparison.months[month].sums[tariff]);
    const double height = (m_bottom - m_top) * sum / m_scaleTop;
    return {left, m_bottom - height, barWidth, height};
}

void clsComparisonGraph::DrawLegend()
{
    PictureSurface& s = m_surface;
    const double px = s.TwipsPerPixelX();
    const double box = s.TextHeight(QStringLiteral("0")) * 0.8;
    double x = m_left;
    for (std::size_t t = 0; t < m_comparison.names.size(); ++t) {
        s.SetForeColor(TariffColor(t));
        s.Line(x, 4 * px, box, box, Shape::FilledBox);
        s.SetForeColor(Qt::black);
        s.SetCurrentX(x + box + 4 * px);
        s.SetCurrentY(2 * px);
        s.Print(m_comparison.names[t]);
        x = s.CurrentX() + 14 * px;
    }
}

void clsComparisonGraph::DrawScale()
{
    PictureSurface& s = m_surface;
    const double px = s.TwipsPerPixelX();
    for (int i = 0; i <= kScaleSteps; ++i) {
        const double y = m_bottom - (m_bottom - m_top) * i / kScaleSteps;
        if (i > 0) {
            s.SetForeColor(QColor(208, 208, 208));
            s.SetLineStyle(PictureSurface::LineStyle::Dotted);
            s.Line(m_left, y, m_right - m_left, 0);
            s.SetLineStyle(PictureSurface::LineStyle::Solid);
        }
        s.SetForeColor(Qt::black);
        const QString label = ScaleLabel(m_scaleTop * i / kScaleSteps);
        s.SetCurrentX(m_left - s.TextWidth(label) - 5 * px);
        s.SetCurrentY(y - s.TextHeight(label) / 2);
        s.Print(label);
    }
}

// The first day of each month's cycle ("Jan", or "12 Jan" for a cycle), as many as fit: every
// n-th month when the slots are narrower than the labels.
void clsComparisonGraph::DrawMonthLabels()
{
    PictureSurface& s = m_surface;
    const auto& months = m_comparison.months;
    if (months.empty())
        return;
    const double slot = (m_right - m_left) / static_cast<double>(months.size());
    const QLocale locale;
    std::vector<QString> labels;
    double widest = 0;
    for (const TariffComparison::Month& month : months) {
        const QDate from = month.entry.From();
        QString label = locale.standaloneMonthName(from.month(), QLocale::ShortFormat);
        if (from.day() != 1)
            label = QString::number(from.day()) + QLatin1Char(' ') + label;
        if (from.month() == 1 || labels.empty())
            label += QLatin1Char(' ') + QString::number(from.year());
        widest = std::max(widest, s.TextWidth(label + QStringLiteral("  ")));
        labels.push_back(label);
    }
    const std::size_t every =
        std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(widest / slot)));
    for (std::size_t m = 0; m < labels.size(); m += every) {
        const double centre = m_left + slot * (static_cast<double>(m) + 0.5);
        s.SetCurrentX(centre - s.TextWidth(labels[m]) / 2);
        s.SetCurrentY(m_bottom + 4 * s.TwipsPerPixelY());
        s.Print(labels[m]);
    }
}

} // namespace dialtally
