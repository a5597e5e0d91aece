#pragma once

#include "log/progress.h"

#include <QColor>
#include <QString>
#include <QVariant>
#include <cstdint>

namespace dialtally {

class PictureSurface;

// The system colours the status line is drawn in; the window passes its palette's colours, the
// defaults are the classic ones.
struct StatBarColors {
    QColor topEdge = QColor(255, 255, 255);         // 3-D highlight
    QColor bar = QColor(0, 0, 128);                 // highlight, the colour of selected items
    QColor buttonShadow = QColor(128, 128, 128);    // the upper and left edges of a sunken frame
    QColor buttonHighlight = QColor(255, 255, 255); // its lower and right edges
    QColor text = QColor(0, 0, 0);
};

// The status line at the bottom of the main window: a sunken bar filling from left to right as a
// long operation advances, and beside it a sunken field with the status text. Lengths are twips
// of the surface it is given. It draws only when asked: setting Value redraws only the bar,
// setting Text only the text field, so operations can report after every record.
class clsStatBar : public ProgressBar {
public:
    explicit clsStatBar(StatBarColors colors = {});

    void ReDraw();
    // Not owned; must outlive the bar or be replaced. Clears it, lays out and draws.
    void SetOutputObject(PictureSurface* surface);

    std::int32_t Min() const override { return m_min; }
    void SetMin(std::int32_t value) override { m_min = value; }
    std::int32_t Max() const override { return m_max; }
    void SetMax(std::int32_t value) override { m_max = value; }
    std::int32_t Value() const override { return m_value; }
    void SetValue(std::int32_t value) override;
    void SetText(const QString& text) override;
    const QString& Text() const { return m_text; }

    // Callers that pass untyped values: only 16- and 32-bit integers are taken for the numbers
    // (anything else is ignored), only a string for the text (anything else gives "").
    void SetMin(const QVariant& value);
    void SetMax(const QVariant& value);
    void SetValue(const QVariant& value);
    void SetText(const QVariant& value);

    // The layout, computed when the surface is attached.
    int BarLeft() const { return m_barLeft; }
    int BarWidth() const { return m_barWidth; }
    int TextLeft() const { return m_textLeft; }
    int TextWidth() const { return m_textWidth; }

private:
    void Draw3DFrame(double left, double top, double right, double bottom);
    void CalcLayout();
    void DrawBar();
    void DrawText();
    void FilledBox(double left, double top, double right, double bottom, const QColor& color);

    StatBarColors m_colors;
    PictureSurface* m_surface = nullptr;
    std::int32_t m_min = 0;
    std::int32_t m_max = 0;
    std::int32_t m_value = 0;
    QString m_text;
    int m_barLeft = 40;
    int m_barWidth = 0;
    int m_textLeft = 0;
    int m_textWidth = 0;
};

} // namespace dialtally
