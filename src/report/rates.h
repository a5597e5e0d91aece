#pragma once

#include <QColor>
#include <QLocale>
#include <array>
#include <cstdint>

namespace dialtally {

class PictureSurface;

// The system colours of the grid's sunken cells; the dialog passes its palette's colours, the
// defaults are the classic ones.
struct RatesColors {
    QColor darkShadow = QColor(0, 0, 0);       // 3-D dark shadow: upper and left cell edges
    QColor highlight = QColor(255, 255, 255);  // 3-D highlight: lower and right cell edges
    QColor buttonFace = QColor(192, 192, 192); // the lines between the cells
    QColor text = QColor(0, 0, 0);
};

// The weekly rate grid as the user sees and paints it: a rate code 1..3 for each clock hour 0..23
// of each weekday 1 (Sunday) .. 7 (Saturday), drawn as a table of coloured cells with weekday
// captions on the left and hour captions "01".."24" on top. Positions are pixels of the surface
// it is given: the cells start at (32, 18) and are 16 pixels wide and 14 high.
//
// The owner sets the surface and the three colours, loads every code with SetData(), calls
// ReDraw() once and only then sets bAutoRedraw, after which every change is drawn at once.
class clsRates {
public:
    static constexpr int kLeft = 32;
    static constexpr int kTop = 18;
    static constexpr int kCellWidth = 16;
    static constexpr int kCellHeight = 14;

    explicit clsRates(RatesColors colors = {}, const QLocale& locale = QLocale());

    // When set, every change of a code or a colour is drawn at once.
    bool bAutoRedraw = false;

    // Not owned; must outlive the grid or be replaced. Drawing waits until one is set.
    void SetOutput(PictureSurface* surface) { m_output = surface; }
    void SetRateColor1(const QColor& color) { SetRateColor(1, color); }
    void SetRateColor2(const QColor& color) { SetRateColor(2, color); }
    void SetRateColor3(const QColor& color) { SetRateColor(3, color); }

    // Clears the surface and draws the lines, the captions and every cell. Every cell must hold a
    // code 1..3 by then: code 0 has no colour and is drawn in the colour of code 1.
    void ReDraw();

    // The hour of the column and the weekday of the row under a position. A position left of or
    // above the cells gives -1 or 0, one right of or below them 24 or more or 8 or more: no cell.
    std::int16_t GetHourFromX(float x) const;
    std::int16_t GetDayFromY(float y) const;

    // Stores the code of an hour and weekday; does nothing for an hour outside 0..23, a weekday
    // outside 1..7 or a code outside 1..3.
    void SetData(std::int16_t iHour, std::int16_t iDay, std::int16_t iCode);
    // The code of an hour and weekday, 0 when either is out of range.
    std::int16_t iGetHourDaySetting(std::int16_t iHour, std::int16_t iDay) const;

private:
    void SetRateColor(int code, const QColor& color);
    QColor CodeColor(int code) const;
    void DrawCell(int hour, int weekday, const QColor& color);
    void DrawGrid();
    void DrawLabels();
    void DrawAllCells();
    // Lines and boxes in pixels, from (x1, y1) to (x2, y2).
    void Line(int x1, int y1, int x2, int y2, const QColor& color);

    RatesColors m_colors;
    QLocale m_locale;
    PictureSurface* m_output = nullptr;
    std::array<QColor, 3> m_rateColors{QColor(0, 0, 0), QColor(0, 0, 0), QColor(0, 0, 0)};
    std::array<std::int16_t, 24 * 7> m_codes{};
};

} // namespace dialtally
