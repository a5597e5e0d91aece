#include "report/rates.h"

#include "report/picturesurface.h"

#include <cmath>

namespace dialtally {
namespace {

constexpr int kHours = 24;
constexpr int kDays = 7;
constexpr int kRight = clsRates::kLeft + kHours * clsRates::kCellWidth; // 416
constexpr int kBottom = clsRates::kTop + kDays * clsRates::kCellHeight; // 116

bool ValidHour(int hour)
{
    return hour >= 0 && hour < kHours;
}

bool ValidDay(int day)
{
    return day >= 1 && day <= kDays;
}

std::size_t Slot(int hour, int day)
{
    return static_cast<std::size_t>((day - 1) * kHours + hour);
}

// Weekday 1 is Sunday; the locale counts from Monday (1) to Sunday (7).
int LocaleDay(int day)
{
    return day == 1 ? 7 : day - 1;
}

} // namespace

clsRates::clsRates(RatesColors colors, const QLocale& locale)
    : m_colors(std::move(colors)), m_locale(locale)
{
}

void clsRates::SetRateColor(int code, const QColor& color)
{
    m_rateColors[static_cast<std::size_t>(code - 1)] = color;
    if (bAutoRedraw)
        DrawAllCells();
}

QColor clsRates::CodeColor(int code) const
{
    return m_rateColors[static_cast<std::size_t>(code >= 1 && code <= 3 ? code - 1 : 0)];
}

std::int16_t clsRates::GetHourFromX(float x) const
{
    return static_cast<std::int16_t>(std::floor((x - kLeft) / kCellWidth));
}

std::int16_t clsRates::GetDayFromY(float y) const
{
    return static_cast<std::int16_t>(std::floor((y - kTop) / kCellHeight) + 1);
}

void clsRates::SetData(std::int16_t iHour, std::int16_t iDay, std::int16_t iCode)
{
    if (!ValidHour(iHour) || !ValidDay(iDay) || iCode < 1 || iCode > 3)
        return;
    m_codes[Slot(iHour, iDay)] = iCode;
    if (bAutoRedraw)
        DrawCell(iHour, iDay, CodeColor(iCode));
}

std::int16_t clsRates::iGetHourDaySetting(std::int16_t iHour, std::int16_t iDay) const
{
    if (!ValidHour(iHour) || !ValidDay(iDay))
        return 0;
    return m_codes[Slot(iHour, iDay)];
}

void clsRates::ReDraw()
{
    if (!m_output)
        return;
    m_output->Clear();
    DrawGrid();
    DrawLabels();
    DrawAllCells();
    m_output->Refresh();
}

void clsRates::Line(int x1, int y1, int x2, int y2, const QColor& color)
{
    const double tx = m_output->TwipsPerPixelX();
    const double ty = m_output->TwipsPerPixelY();
    m_output->SetForeColor(color);
    m_output->Line(x1 * tx, y1 * ty, (x2 - x1) * tx, (y2 - y1) * ty);
}

void clsRates::DrawCell(int hour, int weekday, const QColor& color)
{
    if (!m_output)
        return;
    const double tx = m_output->TwipsPerPixelX();
    const double ty = m_output->TwipsPerPixelY();
    const int x = kLeft + kCellWidth * hour + 2;
    const int y = kTop + kCellHeight * (weekday - 1) + 2;
    m_output->SetForeColor(color);
    m_output->Line(x * tx, y * ty, 12 * tx, 10 * ty, PictureSurface::Shape::FilledBox);
    m_output->Refresh();
}

// Three passes of one-pixel lines give every cell a sunken frame: dark along its upper and left
// edges, light along its lower and right ones, and the face colour between the cells.
void clsRates::DrawGrid()
{
    for (int d = 0; d < kDays; ++d)
        Line(kLeft, kTop + kCellHeight * d + 1, kRight, kTop + kCellHeight * d + 1,
             m_colors.darkShadow);
    for (int h = 0; h < kHours; ++h)
        Line(kLeft + kCellWidth * h + 1, kTop, kLeft + kCellWidth * h + 1, kBottom,
             m_colors.darkShadow);
    for (int d = 0; d < kDays; ++d)
        Line(kLeft, kTop + kCellHeight * (d + 1) - 1, kRight, kTop + kCellHeight * (d + 1) - 1,
             m_colors.highlight);
    for (int h = 0; h < kHours; ++h)
        Line(kLeft + kCellWidth * (h + 1) - 1, kTop, kLeft + kCellWidth * (h + 1) - 1, kBottom,
             m_colors.highlight);
    for (int d = 0; d <= kDays; ++d)
        Line(kLeft, kTop + kCellHeight * d, kRight, kTop + kCellHeight * d, m_colors.buttonFace);
    for (int h = 0; h <= kHours; ++h)
        Line(kLeft + kCellWidth * h, kTop, kLeft + kCellWidth * h, kBottom, m_colors.buttonFace);
}

// The weekday captions end 3 pixels left of the cells, in bold; the hour captions stand above
// their columns, and the column of clock hour h carries h + 1 ("01" for the hour after midnight).
void clsRates::DrawLabels()
{
    const double tx = m_output->TwipsPerPixelX();
    const double ty = m_output->TwipsPerPixelY();
    m_output->SetForeColor(m_colors.text);
    m_output->SetFontBold(true);
    for (int d = 1; d <= kDays; ++d) {
        const QString name = m_locale.dayName(LocaleDay(d), QLocale::ShortFormat);
        m_output->SetCurrentX(kLeft * tx - m_output->TextWidth(name) - 3 * tx);
        m_output->SetCurrentY((kTop + kCellHeight * (d - 1)) * ty);
        m_output->Print(name);
    }
    m_output->SetFontBold(false);
    for (int n = 1; n <= kHours; ++n) {
        const QString caption = QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
        m_output->SetCurrentX((kLeft + kCellWidth * (n - 1) + 2) * tx);
        m_output->SetCurrentY(kTop * ty - m_output->TextHeight(caption) - ty);
        m_output->Print(caption);
    }
}

void clsRates::DrawAllCells()
{
    if (!m_output)
        return;
    for (int d = 1; d <= kDays; ++d)
        for (int h = 0; h < kHours; ++h)
            DrawCell(h, d, CodeColor(m_codes[Slot(h, d)]));
}

} // namespace dialtally
