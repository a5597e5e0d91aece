#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <functional>

class QPaintDevice;

namespace dialtally {

// A picture to draw on, addressed in twips (1/1440 inch) like every layout of the program. The
// surface converts twips to the pixels of the device it wraps at a fixed number of twips per
// pixel (15 on a 96 dpi screen), so that a drawing on an image is the same on every machine.
//
// Drawing settings (colours, fill pattern, line style and width, font) stay set until changed,
// also across Clear(). The current position is where text output starts and is left behind by
// every line, box and text.
class PictureSurface {
public:
    enum class FillPattern { Solid, UpwardDiagonal, DownwardDiagonal };
    enum class LineStyle { Solid, Dotted };
    // A plain line, a box outlined in the foreground colour and filled with the fill colour in the
    // fill pattern, or a box filled solid with the foreground colour.
    enum class Shape { Line, Box, FilledBox };

    // The device (a QImage or a QPixmap) is not owned and must outlive the surface.
    explicit PictureSurface(QPaintDevice* device, double twipsPerPixelX = 15.0,
                            double twipsPerPixelY = 15.0);

    double Width() const;  // twips
    double Height() const; // twips
    double TwipsPerPixelX() const { return m_twipsPerPixelX; }
    double TwipsPerPixelY() const { return m_twipsPerPixelY; }

    // Erases to the background colour and moves the current position to 0, 0.
    void Clear();
    // From (x, y) over (dx, dy); the current position becomes (x + dx, y + dy).
    void Line(double x, double y, double dx, double dy, Shape shape = Shape::Line);
    // Draws text in the foreground colour with its top at the current position and leaves the
    // position at the end of the text on the same line.
    void Print(const QString& text);
    double TextWidth(const QString& text) const;  // twips
    double TextHeight(const QString& text) const; // twips, one line of the current font

    double CurrentX() const { return m_currentX; }
    double CurrentY() const { return m_currentY; }
    void SetCurrentX(double x) { m_currentX = x; }
    void SetCurrentY(double y) { m_currentY = y; }

    void SetBackColor(const QColor& color) { m_backColor = color; }
    QColor BackColor() const { return m_backColor; }
    void SetForeColor(const QColor& color) { m_foreColor = color; }
    QColor ForeColor() const { return m_foreColor; }
    void SetFillColor(const QColor& color) { m_fillColor = color; }
    void SetFillPattern(FillPattern pattern) { m_fillPattern = pattern; }
    // Dotted applies to lines one pixel wide; wider lines are always solid.
    void SetLineStyle(LineStyle style) { m_lineStyle = style; }
    void SetLineWidth(int pixels) { m_lineWidth = pixels < 1 ? 1 : pixels; }
    void SetFontSize(double points);
    double FontSize() const { return m_fontPoints; }
    void SetFontBold(bool bold) { m_font.setBold(bold); }
    // The family and style to draw text in; the size stays the one set by SetFontSize().
    void SetFont(const QFont& font);

    // Makes what was drawn visible: calls the hook that the owner set (a widget showing the
    // picture repaints), and does nothing without one.
    void Refresh();
    void SetRefreshHook(std::function<void()> hook) { m_refreshHook = std::move(hook); }

private:
    int PixelX(double twips) const;
    int PixelY(double twips) const;

    QPaintDevice* m_device;
    double m_twipsPerPixelX;
    double m_twipsPerPixelY;
    double m_currentX = 0.0;
    double m_currentY = 0.0;
    QColor m_backColor = Qt::white;
    QColor m_foreColor = Qt::black;
    QColor m_fillColor = Qt::black;
    FillPattern m_fillPattern = FillPattern::Solid;
    LineStyle m_lineStyle = LineStyle::Solid;
    int m_lineWidth = 1;
    double m_fontPoints = 8.0;
    QFont m_font;
    std::function<void()> m_refreshHook;
};

} // namespace dialtally
