#pragma once

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <utility>
#include <vector>

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

// How a control follows the width that the page area needs beyond its design, where the texts of
// this system's fonts are wider than the design's: it keeps its place, it stretches, or it
// shifts right.
enum class Anchor { Fixed, Stretch, Shift };

// The controls of a window with their anchors. The window is laid out as designed, then widened
// once by the width its pages need.
class Placement {
public:
    void Add(QWidget* widget, Anchor anchor) { m_controls.emplace_back(widget, anchor); }
    // Stretching controls grow by extra pixels, shifting ones move right by as much.
    void Widen(int extra) const;

private:
    std::vector<std::pair<QPointer<QWidget>, Anchor>> m_controls;
};

} // namespace dialtally
