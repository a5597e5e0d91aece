#include "report/statbar.h"

#include "report/picturesurface.h"

#include <cmath>
#include <optional>

namespace dialtally {
namespace {

// Whole twips are rounded half to even, as the layout figures always were.
int RoundTwips(double twips)
{
    return static_cast<int>(std::nearbyint(twips));
}

std::optional<std::int32_t> IntegerValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
        return value.toInt();
    default:
        return std::nullopt;
    }
}

} // namespace

clsStatBar::clsStatBar(StatBarColors colors) : m_colors(colors) {}

void clsStatBar::SetOutputObject(PictureSurface* surface)
{
    m_surface = surface;
    if (!m_surface)
        return;
    m_surface->Clear();
    CalcLayout();
    ReDraw();
}

void clsStatBar::CalcLayout()
{
    const double width = m_surface->Width();
    m_barLeft = 40;
    m_barWidth = RoundTwips(width * 0.25);
    m_textLeft = m_barLeft + m_barWidth + 60;
    m_textWidth = RoundTwips(width - (m_textLeft + 40));
}

void clsStatBar::ReDraw()
{
    if (!m_surface)
        return;
    m_surface->SetForeColor(m_colors.topEdge);
    m_surface->Line(0, 0, m_surface->Width(), 0);
    DrawBar();
    DrawText();
}

void clsStatBar::SetValue(std::int32_t value)
{
    if (value < m_min)
        m_value = m_min;
    else if (value > m_max)
        m_value = m_max;
    else
        m_value = value;
    DrawBar();
}

void clsStatBar::SetText(const QString& text)
{
    m_text = text;
    DrawText();
}

void clsStatBar::SetMin(const QVariant& value)
{
    if (const auto number = IntegerValue(value))
        SetMin(*number);
}

void clsStatBar::SetMax(const QVariant& value)
{
    if (const auto number = IntegerValue(value))
        SetMax(*number);
}

void clsStatBar::SetValue(const QVariant& value)
{
    if (const auto number = IntegerValue(value))
        SetValue(*number);
}

void clsStatBar::SetText(const QVariant& value)
{
    SetText(value.typeId() == QMetaType::QString ? value.toString() : QString());
}

void clsStatBar::FilledBox(double left, double top, double right, double bottom,
                           const QColor& color)
{
    m_surface->SetForeColor(color);
    m_surface->Line(left, top, right - left, bottom - top, PictureSurface::Shape::FilledBox);
}

void clsStatBar::DrawBar()
{
    if (!m_surface)
        return;
    const double p = m_surface->TwipsPerPixelY();
    const double q = m_surface->TwipsPerPixelX();
    const double height = m_surface->Height();
    FilledBox(m_barLeft, p, m_barLeft + m_barWidth, height, m_surface->BackColor());
    // Min equal to Max leaves nothing to divide by; the bar stays empty and keeps its frame.
    if (m_value > m_min && m_max != m_min) {
        double fill = std::nearbyint(double(m_value) / (double(m_max) - m_min) * m_barWidth);
        // The fill is measured from 0, so a Min above 0 could carry it past the frame.
        fill = std::min<double>(fill, m_barWidth);
        FilledBox(m_barLeft + std::nearbyint(q), 60 + std::nearbyint(p), m_barLeft + fill,
                  height - 30 - std::nearbyint(p), m_colors.bar);
    }
    Draw3DFrame(m_barLeft, 60, m_barLeft + m_barWidth, std::nearbyint(height - 30));
    m_surface->Refresh();
}

void clsStatBar::DrawText()
{
    if (!m_surface)
        return;
    const double p = m_surface->TwipsPerPixelY();
    const double width = m_surface->Width();
    const double height = m_surface->Height();
    FilledBox(m_textLeft, p, width, height, m_surface->BackColor());
    const long textWidth = std::lround(m_surface->TextWidth(m_text));
    m_surface->SetCurrentX(m_textLeft + m_textWidth / 2 - textWidth / 2);
    m_surface->SetCurrentY(60 + p);
    m_surface->SetForeColor(m_colors.text);
    m_surface->Print(m_text);
    Draw3DFrame(m_textLeft, 60, m_textLeft + m_textWidth, std::nearbyint(height - 30));
    m_surface->Refresh();
}

void clsStatBar::Draw3DFrame(double left, double top, double right, double bottom)
{
    m_surface->SetForeColor(m_colors.buttonShadow);
    m_surface->Line(left, top, 0, bottom - top);
    m_surface->SetForeColor(m_colors.buttonHighlight);
    m_surface->Line(left, bottom, right - left, 0);
    m_surface->SetForeColor(m_colors.buttonShadow);
    m_surface->Line(left, top, right - left, 0);
    m_surface->SetForeColor(m_colors.buttonHighlight);
    m_surface->Line(right, top, 0, bottom - top);
}

} // namespace dialtally
