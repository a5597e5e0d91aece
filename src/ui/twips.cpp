#include "ui/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace dialtally {

TwipsScale TwipsScale::ForWidget(const QWidget* widget)
{
    const QScreen* screen = widget ? widget->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    const double dpiX = screen->logicalDotsPerInchX();
    const double dpiY = screen->logicalDotsPerInchY();
    if (dpiX <= 0 || dpiY <= 0)
        return {};
    return {1440.0 / dpiX, 1440.0 / dpiY};
}

int TwipsScale::X(double twips) const
{
    return static_cast<int>(std::lround(twips / m_twipsPerPixelX));
}

int TwipsScale::Y(double twips) const
{
    return static_cast<int>(std::lround(twips / m_twipsPerPixelY));
}

QRect TwipsScale::Rect(int left, int top, int width, int height) const
{
    return {X(left), Y(top), X(width), Y(height)};
}

QRect PlaceWidget(QWidget* widget, const TwipsScale& scale, int left, int top, int width,
                  int height, bool growToFit)
{
    QRect rect = scale.Rect(left, top, width, height);
    if (growToFit) {
        const QSize hint = widget->sizeHint();
        if (hint.isValid()) {
            rect.setWidth(std::max(rect.width(), hint.width()));
            rect.setHeight(std::max(rect.height(), hint.height()));
        }
    }
    widget->setGeometry(rect);
    return rect;
}

void Placement::Widen(int extra) const
{
    if (extra == 0)
        return;
    for (const auto& [widget, anchor] : m_controls) {
        if (!widget)
            continue;
        if (anchor == Anchor::Stretch)
            widget->resize(widget->width() + extra, widget->height());
        else if (anchor == Anchor::Shift)
            widget->move(widget->x() + extra, widget->y());
    }
}

} // namespace dialtally
