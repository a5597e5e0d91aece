#pragma once

#include <QRect>
#include <QSize>

class QWidget;

namespace dialtally {

// The window is laid out in twips (1/1440 inch) and converted at the screen's twips per pixel,
// so it keeps its designed proportions on any screen.
class TwipsScale {
public:
    TwipsScale() = default;
    TwipsScale(double twipsPerPixelX, double twipsPerPixelY)
        : m_twipsPerPixelX(twipsPerPixelX), m_twipsPerPixelY(twipsPerPixelY)
    {
    }

    // The scale of the screen that shows widget (the primary screen when it has none yet).
    static TwipsScale ForWidget(const QWidget* widget);

    double TwipsPerPixelX() const { return m_twipsPerPixelX; }
    double TwipsPerPixelY() const { return m_twipsPerPixelY; }

    int X(double twips) const;
    int Y(double twips) const;
    QRect Rect(int left, int top, int width, int height) const;

private:
    double m_twipsPerPixelX = 15.0;
    double m_twipsPerPixelY = 15.0;
};

// Places widget at the rectangle given in twips and grows it, to the right and downwards, where
// the text it shows in its font needs more room than the design gave it, so that no caption is
// clipped. Returns the rectangle in pixels.
QRect PlaceWidget(QWidget* widget, const TwipsScale& scale, int left, int top, int width,
                  int height, bool growToFit = true);

} // namespace dialtally
