#include "analysis/tariffinput.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>
#include <system_error>

namespace dialtally {
namespace {

// Money is held in ten-thousandths, the smallest amount of the money kind.
constexpr int kMoneyDecimals = 4;
constexpr std::int64_t kMoneyUnitsPerOne = 10000;

// Wide enough for a money amount times a unit factor.
using Wide = __int128;

enum class Half { ToEven, AwayFromZero };

std::optional<double> ParseNumber(const QString& text, const QLocale& locale)
{
    const QString trimmed = text.trimmed();
    for (QLocale form : {locale, QLocale::c()}) {
        form.setNumberOptions(QLocale::RejectGroupSeparator);
        bool ok = false;
        const double value = form.toDouble(trimmed, &ok);
        if (ok && std::isfinite(value))
            return value;
    }
    return std::nullopt;
}

bool FitsInt64(Wide value)
{
    return value >= std::numeric_limits<std::int64_t>::min() &&
           value <= std::numeric_limits<std::int64_t>::max();
}

// value as a whole number of 10^-decimals, rounded on the shortest decimal form of the double,
// which holds the digits that were typed: a typed half is a half, whatever binary fraction
// stands for it.
std::optional<std::int64_t> ScaledDecimal(double value, int decimals, Half half)
{
    char buffer[512];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed);
    if (result.ec != std::errc())
        return std::nullopt;
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if (whole.size() > 20)
        return std::nullopt;
    Wide units = 0;
    for (const char digit : whole)
        units = units * 10 + (digit - '0');
    const auto kept = static_cast<std::size_t>(decimals);
    for (std::size_t i = 0; i < kept; ++i)
        units = units * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
    if (fraction.size() > kept) {
        const char next = fraction[kept];
        const bool aboveHalf =
            fraction.substr(kept + 1).find_first_not_of('0') != std::string_view::npos;
        const bool exactHalf = next == '5' && !aboveHalf;
        if (next > '5' || (next == '5' && aboveHalf) ||
            (exactHalf && (half == Half::AwayFromZero || units % 2 != 0)))
            ++units;
    }
    if (value < 0)
        units = -units;
    if (!FitsInt64(units))
        return std::nullopt;
    return static_cast<std::int64_t>(units);
}

std::optional<std::int64_t> ReadMoneyUnits(const QString& text, const QLocale& locale)
{
    const auto value = ParseNumber(text, locale);
    if (!value)
        return std::nullopt;
    return ScaledDecimal(*value, kMoneyDecimals, Half::ToEven);
}

Wide PowerOfTen(int exponent)
{
    Wide power = 1;
    for (int i = 0; i < exponent; ++i)
        power *= 10;
    return power;
}

// numerator / denominator to the nearest whole number, a half away from zero.
Wide RoundedQuotient(Wide numerator, Wide denominator)
{
    const Wide magnitude = numerator < 0 ? -numerator : numerator;
    const Wide quotient = (2 * magnitude + denominator) / (2 * denominator);
    return numerator < 0 ? -quotient : quotient;
}

// The format "#0.00#" (maxDecimals 3) or "#0.00##" (maxDecimals 4) of amount (money units)
// times factor / divisor: at least one whole digit, two decimals and up to maxDecimals where
// they are not zero, no thousands separator.
std::optional<QString> PatternText(double amount, int factor, int divisor, int maxDecimals,
                                   const QLocale& locale)
{
    const auto units = ScaledDecimal(amount, kMoneyDecimals, Half::ToEven);
    if (!units)
        return std::nullopt;
    const Wide scaled = RoundedQuotient(Wide(*units) * factor * PowerOfTen(maxDecimals),
                                        Wide(divisor) * PowerOfTen(kMoneyDecimals));
    // The result is money again and must stay inside its range.
    if (!FitsInt64(scaled * PowerOfTen(kMoneyDecimals - maxDecimals)))
        return std::nullopt;
    const Wide magnitude = scaled < 0 ? -scaled : scaled;
    const Wide one = PowerOfTen(maxDecimals);
    QString fraction = QString::number(static_cast<qint64>(magnitude % one))
                           .rightJustified(maxDecimals, QLatin1Char('0'));
    while (fraction.size() > 2 && fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    QString text =
        QString::number(static_cast<qint64>(magnitude / one)) + locale.decimalPoint() + fraction;
    if (scaled < 0)
        text.prepend(locale.negativeSign());
    return text;
}

} // namespace

std::optional<double> ReadMoneyInput(const QString& text, const QLocale& locale)
{
    const auto units = ReadMoneyUnits(text, locale);
    if (!units)
        return std::nullopt;
    return static_cast<double>(*units) / static_cast<double>(kMoneyUnitsPerOne);
}

std::optional<std::int16_t> ReadWholeInput(const QString& text, const QLocale& locale)
{
    const auto value = ParseNumber(text, locale);
    if (!value)
        return std::nullopt;
    const auto whole = ScaledDecimal(*value, 0, Half::ToEven);
    if (!whole || *whole < std::numeric_limits<std::int16_t>::min() ||
        *whole > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(*whole);
}

std::optional<QString> PerMinuteAmount(double amount, TimeUnit unit, const QLocale& locale)
{
    switch (unit) {
    case TimeUnit::Second:
        return PatternText(amount, 60, 1, 3, locale);
    case TimeUnit::Minute:
        return PatternText(amount, 1, 1, 3, locale);
    case TimeUnit::Hour:
        return PatternText(amount, 1, 60, 4, locale);
    }
    return std::nullopt;
}

std::optional<QString> PerMonthAmount(double amount, FlatUnit unit, const QLocale& locale)
{
    switch (unit) {
    case FlatUnit::Week:
        return PatternText(amount, 4, 1, 3, locale);
    case FlatUnit::Month:
        return PatternText(amount, 1, 1, 3, locale);
    case FlatUnit::Year:
        return PatternText(amount, 1, 12, 3, locale);
    }
    return std::nullopt;
}

} // namespace dialtally
