#include "report/picturesurface.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>
#include <cmath>

namespace dialtally {

PictureSurface::PictureSurface(QPaintDevice* device, double twipsPerPixelX, double twipsPerPixelY)
    : m_device(device), m_twipsPerPixelX(twipsPerPixelX > 0 ? twipsPerPixelX : 15.0),
      m_twipsPerPixelY(twipsPerPixelY > 0 ? twipsPerPixelY : 15.0)
{
    SetFontSize(m_fontPoints);
}

double PictureSurface::Width() const
{
    return m_device->width() * m_twipsPerPixelX;
}

double PictureSurface::Height() const
{
    return m_device->height() * m_twipsPerPixelY;
}

int PictureSurface::PixelX(double twips) const
{
    return static_cast<int>(std::lround(twips / m_twipsPerPixelX));
}

int PictureSurface::PixelY(double twips) const
{
    return static_cast<int>(std::lround(twips / m_twipsPerPixelY));
}

void PictureSurface::Clear()
{
    QPainter painter(m_device);
    painter.fillRect(0, 0, m_device->width(), m_device->height(), m_backColor);
    m_currentX = 0.0;
    m_currentY = 0.0;
}

void PictureSurface::Line(double x, double y, double dx, double dy, Shape shape)
{
    const int x1 = PixelX(x), y1 = PixelY(y);
    const int x2 = PixelX(x + dx), y2 = PixelY(y + dy);
    m_currentX = x + dx;
    m_currentY = y + dy;

    QPainter painter(m_device);
    const QRect box(QPoint(std::min(x1, x2), std::min(y1, y2)),
                    QPoint(std::max(x1, x2), std::max(y1, y2)));
    if (shape == Shape::FilledBox) {
        painter.fillRect(box, m_foreColor);
        return;
    }
    // Like the pens of the screen, a line wider than one pixel is always drawn solid.
    const bool dotted = m_lineStyle == LineStyle::Dotted && m_lineWidth == 1;
    QPen pen(m_foreColor, m_lineWidth, dotted ? Qt::DotLine : Qt::SolidLine);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    if (shape == Shape::Line) {
        painter.drawLine(x1, y1, x2, y2);
        return;
    }
    Qt::BrushStyle pattern = Qt::SolidPattern;
    if (m_fillPattern == FillPattern::UpwardDiagonal)
        pattern = Qt::BDiagPattern; // lines rising to the right
    else if (m_fillPattern == FillPattern::DownwardDiagonal)
        pattern = Qt::FDiagPattern;
    painter.setBrush(QBrush(m_fillColor, pattern));
    painter.drawRect(box.x(), box.y(), box.width() - 1, box.height() - 1);
}

void PictureSurface::Print(const QString& text)
{
    const QFontMetricsF metrics(m_font, m_device);
    {
        QPainter painter(m_device);
        painter.setFont(m_font);
        painter.setPen(m_foreColor);
        painter.drawText(QPointF(PixelX(m_currentX), PixelY(m_currentY) + metrics.ascent()), text);
    }
    m_currentX += TextWidth(text);
}

double PictureSurface::TextWidth(const QString& text) const
{
    return QFontMetricsF(m_font, m_device).horizontalAdvance(text) * m_twipsPerPixelX;
}

double PictureSurface::TextHeight(const QString& text) const
{
    Q_UNUSED(text); // every line of a font is equally high
    return QFontMetricsF(m_font, m_device).height() * m_twipsPerPixelY;
}

void PictureSurface::SetFontSize(double points)
{
    if (points <= 0)
        return;
    m_fontPoints = points;
    // A point is 20 twips; the size is set in pixels so that the text keeps its size in twips
    // whatever resolution the device claims.
    m_font.setPixelSize(
        std::max(1, static_cast<int>(std::lround(points * 20.0 / m_twipsPerPixelY))));
}

void PictureSurface::SetFont(const QFont& font)
{
    const bool bold = m_font.bold();
    m_font = font;
    m_font.setBold(bold);
    SetFontSize(m_fontPoints);
}

void PictureSurface::Refresh()
{
    if (m_refreshHook)
        m_refreshHook();
}

} // namespace dialtally
