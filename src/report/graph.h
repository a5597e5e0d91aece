#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace dialtally {

class PictureSurface;

// One slot of the monthly usage graph.
struct MonthUsage {
    int Month = 0; // 1..12; the trailing placeholder may hold 13 (January) or 0 (empty graph)
    std::int64_t UsageMinutes = 0;
    std::int64_t BytesTransmitted = 0;
    std::int64_t BytesReceived = 0;
};

// The scales of the graph, free so that their steps can be checked on their own.
// Top of the minutes axis: the next ten above v (7 -> 10, 47 -> 50, 50 -> 60, 347 -> 350).
std::int64_t MinuteScaleTop(std::int64_t v);
// Top of the bytes axis: one tenth of a Mb or kb above v, or the next multiple of 5 below 1,000
// bytes (1,234,567 -> 1,300,000; 45,678 -> 45,800; 12 -> 15; 0 -> 0).
std::int64_t ByteScaleTop(std::int64_t v);

struct ByteLabel {
    QString text; // "1.4", "45.8", "800"
    QString unit; // "Mb", "kb" or "byte"
};
// The unit follows the scale, not the value, so that one axis speaks one unit.
ByteLabel FormatByteLabel(std::int64_t value, std::int64_t scale);

// The monthly usage graph: three bars a month (connected minutes, bytes transmitted, bytes
// received) over a time axis, minutes on the left scale and bytes on the right. It always ends
// with an empty slot labelled with the month after the last one added.
//
// The owner sets the surface once, then for every recomputation calls Clear(), AddMonth() for
// each month in display order, and ReDraw(). The graph keeps no other state and reads no files.
class clsGraph {
public:
    clsGraph();

    // Kept for the owner; not drawn.
    QString Caption() const { return m_caption; }
    void SetCaption(const QString& caption) { m_caption = caption; }

    // Draws the whole graph anew; does nothing until a surface is set.
    void ReDraw();
    // Not owned; must outlive the graph or be replaced before it goes.
    void SetOutput(PictureSurface* surface) { m_output = surface; }
    // Months outside 1..12 are ignored. The year is not kept. Does not redraw.
    void AddMonth(int iMonth, int iYear, std::int64_t lUsageMinutes, std::int64_t lTransmitted,
                  std::int64_t lReceived);
    // The month-end estimate of the last month added: drawn as unfilled outlines behind that
    // month's bars, up to the estimated heights, with the scales made room for. Does not redraw.
    void SetEstimate(std::int64_t lUsageMinutes, std::int64_t lTransmitted, std::int64_t lReceived);
    // Forgets every month and the estimate, and draws the empty graph.
    void Clear();
    // The legend line at the top of the surface, in the font that the drawing before left set.
    void DrawLegends();

    // The months to draw, the trailing placeholder included.
    const std::vector<MonthUsage>& Months() const { return m_months; }

private:
    void CalcPlotArea();
    void DrawAxes(std::int64_t minuteScale, std::int64_t byteScale);
    void SetDrawStyle(int style);
    void DrawMonth(std::size_t index, int slotWidth, std::int64_t minuteScale,
                   std::int64_t byteScale);
    int BarHeight(std::int64_t value, std::int64_t scale) const;
    bool FullNamesFit(int slotWidth);
    void DrawEstimate(int x0, double barWidth, std::int64_t minuteScale, std::int64_t byteScale);

    QString m_caption;
    PictureSurface* m_output = nullptr;
    // Edges of the plot area in twips, computed from the surface at each redraw.
    int m_left = 0, m_right = 0, m_top = 0, m_bottom = 0;
    int m_plotWidth = 0, m_plotHeight = 0;
    std::vector<MonthUsage> m_months;
    std::optional<MonthUsage> m_estimate; // of the month before the trailing placeholder
    std::int64_t m_maxUsage = 0;
    std::int64_t m_maxTransmitted = 0;
    std::int64_t m_maxReceived = 0;
    bool m_abbreviatedNames = false;
};

struct MonthlySummary;
struct MonthTotals;

// Shows the months of the summary on the graph: clears it, adds each month and draws it anew.
// An estimate of the last month of the summary is drawn beside its bars.
void ShowMonths(clsGraph& graph, const MonthlySummary& summary,
                const MonthTotals* estimate = nullptr);

} // namespace dialtally
