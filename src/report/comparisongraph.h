#pragma once

#include <QColor>
#include <QRectF>
#include <cstddef>

namespace dialtally {

class PictureSurface;
struct TariffComparison;

// The comparison of tariffs as a bar graph: for every month (or billing cycle) one bar per
// tariff, side by side, its height the month's sum under that tariff, on a money scale that
// starts at 0; a legend of the tariffs on top and the months under the axis. It draws on the
// surface it is given, in the surface's twips.
class clsComparisonGraph {
public:
    // The comparison is not owned and must outlive the graph; so must the surface.
    clsComparisonGraph(PictureSurface& surface, const TariffComparison& comparison);

    // Clears the surface and draws the whole graph.
    void ReDraw();

    // The colour of a tariff's bars (and of its legend box): a cycle of eight colours.
    static QColor TariffColor(std::size_t tariff);
    // The bar of a tariff in a month, in twips of the surface; valid after ReDraw().
    QRectF BarRect(std::size_t month, std::size_t tariff) const;
    // The sum at the top of the scale: a round number at or above the largest sum.
    double ScaleTop() const { return m_scaleTop; }

private:
    void DrawLegend();
    void DrawScale();
    void DrawMonthLabels();

    PictureSurface& m_surface;
    const TariffComparison& m_comparison;
    double m_scaleTop = 1.0;
    double m_left = 0, m_right = 0, m_top = 0, m_bottom = 0;
};

// The round top of a money scale: 1, 2, 2.5 or 5 times a power of ten, at or above value.
double RoundScaleTop(double value);

} // namespace dialtally
