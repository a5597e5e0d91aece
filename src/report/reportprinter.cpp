#include "report/reportprinter.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPen>

namespace dialtally {

PainterPageSurface::PainterPageSurface(QPagedPaintDevice* device) : m_device(device)
{
    m_dpiX = device->logicalDpiX();
    m_dpiY = device->logicalDpiY();
}

bool PainterPageSurface::Begin()
{
    if (!m_painter.begin(m_device))
        return false;
    m_painter.setRenderHint(QPainter::Antialiasing);
    m_painter.setRenderHint(QPainter::TextAntialiasing);
    return true;
}

double PainterPageSurface::PageWidth() const
{
    return m_device->width() * 1440.0 / m_dpiX;
}

double PainterPageSurface::PageHeight() const
{
    return m_device->height() * 1440.0 / m_dpiY;
}

void PainterPageSurface::SetFont(const QFont& font)
{
    m_painter.setFont(font);
}

QFont PainterPageSurface::Font() const
{
    return m_painter.font();
}

double PainterPageSurface::TextWidth(const QString& text) const
{
    return QFontMetricsF(m_painter.font(), m_device).horizontalAdvance(text) * 1440.0 / m_dpiX;
}

double PainterPageSurface::LineHeight() const
{
    return QFontMetricsF(m_painter.font(), m_device).lineSpacing() * 1440.0 / m_dpiY;
}

void PainterPageSurface::DrawText(double x, double y, const QString& text)
{
    const double ascent = QFontMetricsF(m_painter.font(), m_device).ascent();
    m_painter.setPen(Qt::black);
    m_painter.drawText(QPointF(ToDeviceX(x), ToDeviceY(y) + ascent), text);
}

void PainterPageSurface::DrawLine(double x1, double y1, double x2, double y2, double widthTwips,
                                  const QColor& color)
{
    QPen pen(color);
    pen.setWidthF(ToDeviceY(widthTwips));
    pen.setCapStyle(Qt::FlatCap);
    m_painter.setPen(pen);
    m_painter.drawLine(QPointF(ToDeviceX(x1), ToDeviceY(y1)),
                       QPointF(ToDeviceX(x2), ToDeviceY(y2)));
}

void PainterPageSurface::NewPage()
{
    m_device->newPage();
}

bool PainterPageSurface::End()
{
    return m_painter.end();
}

ReportPrinter::ReportPrinter(PageSurface& surface) : m_surface(surface) {}

void ReportPrinter::SetFontName(const QString& name)
{
    QFont font = m_surface.Font();
    font.setFamily(name);
    m_surface.SetFont(font);
}

void ReportPrinter::SetFontSize(double points)
{
    QFont font = m_surface.Font();
    font.setPointSizeF(points);
    m_surface.SetFont(font);
}

void ReportPrinter::SetFontBold(bool bold)
{
    QFont font = m_surface.Font();
    font.setBold(bold);
    m_surface.SetFont(font);
}

void ReportPrinter::PrintOn(const QString& text)
{
    if (!text.isEmpty())
        m_surface.DrawText(CurrentX, CurrentY, text);
    CurrentX += m_surface.TextWidth(text);
}

void ReportPrinter::Print(const QString& text)
{
    if (!text.isEmpty())
        m_surface.DrawText(CurrentX, CurrentY, text);
    CurrentX = 0.0;
    CurrentY += m_surface.LineHeight();
}

void ReportPrinter::Line(double x1, double y1, double x2, double y2, const QColor& color)
{
    m_surface.DrawLine(x1, y1, x2, y2, m_drawWidth * kTwipsPerLineWidth, color);
}

void ReportPrinter::NewPage()
{
    m_surface.NewPage();
    ++m_page;
    CurrentX = 0.0;
    CurrentY = 0.0;
}

} // namespace dialtally
