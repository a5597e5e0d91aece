#include "analysis/formatting.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

namespace dialtally {
namespace {

QLocale PlainNumbers(const QLocale& locale)
{
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return plain;
}

QDate ToQDate(DateTime t)
{
    const CivilTime c = ToCivil(t);
    return QDate(c.year, c.month, c.day);
}

QTime ToQTime(DateTime t)
{
    const CivilTime c = ToCivil(t);
    return QTime(c.hour, c.minute, c.second);
}

// Applies edit to the parts of a date or time format outside quoted literal text.
template <typename Edit> QString EditUnquoted(const QString& format, Edit edit)
{
    QString result;
    QString run;
    bool quoted = false;
    for (const QChar ch : format) {
        if (ch == QLatin1Char('\'')) {
            if (!quoted) {
                result += edit(run);
                run.clear();
            }
            quoted = !quoted;
            result += ch;
        } else if (quoted) {
            result += ch;
        } else {
            run += ch;
        }
    }
    return result + edit(run);
}

std::optional<DateTime> FromQDate(const QDate& date)
{
    if (!date.isValid())
        return std::nullopt;
    return MakeDateTime(date.year(), date.month(), date.day());
}

} // namespace

QString FormatBytes(std::int64_t bytes, const QLocale& locale)
{
    const QLocale plain = PlainNumbers(locale);
    if (bytes > 1000000)
        return plain.toString(static_cast<double>(bytes) / 1e6, 'f', 1) + QStringLiteral(" Mb");
    if (bytes > 1000)
        return plain.toString(static_cast<double>(bytes) / 1e3, 'f', 1) + QStringLiteral(" Kb");
    return QString::number(bytes) + QStringLiteral(" byte");
}

QString OneDecimalText(double value, const QLocale& locale)
{
    return PlainNumbers(locale).toString(value, 'f', 1);
}

QString CurrencyText(const QLocale& locale)
{
    return locale.currencySymbol(QLocale::CurrencySymbol);
}

bool IsSameDay(DateTime a, DateTime b)
{
    const CivilTime ca = ToCivil(a);
    const CivilTime cb = ToCivil(b);
    return ca.year == cb.year && ca.month == cb.month && ca.day == cb.day;
}

QString ShortDateFormat(const QLocale& locale)
{
    static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
    return EditUnquoted(locale.dateFormat(QLocale::ShortFormat), [](QString part) {
        return part.replace(twoDigitYear, QStringLiteral("yyyy"));
    });
}

QString LongTimeFormat(const QLocale& locale)
{
    // The zone letter sits at the end or the start, separated by a blank.
    return EditUnquoted(locale.timeFormat(QLocale::LongFormat),
                        [](QString part) { return part.remove(QLatin1Char('t')); })
        .trimmed();
}

QString FormatShortDate(DateTime t, const QLocale& locale)
{
    return locale.toString(ToQDate(t), ShortDateFormat(locale));
}

QString FormatLongTime(DateTime t, const QLocale& locale)
{
    return locale.toString(ToQTime(t), LongTimeFormat(locale));
}

QString FormatDateTime(DateTime t, const QLocale& locale)
{
    return FormatShortDate(t, locale) + QLatin1Char(' ') + FormatLongTime(t, locale);
}

QString FormatCurrency(double amount, const QLocale& locale)
{
    return locale.toCurrencyString(amount);
}

std::optional<DateTime> ParseUserDate(const QString& text, const QLocale& locale)
{
    const QString trimmed = text.trimmed();
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})$"));
    if (const QRegularExpressionMatch match = iso.match(trimmed); match.hasMatch())
        return FromQDate(
            QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt()));

    // People leave out leading zeros ("1.3.1998" for "01.03.1998"); single letters read both.
    static const QRegularExpression paddedDay(QStringLiteral("(?<!d)dd(?!d)"));
    static const QRegularExpression paddedMonth(QStringLiteral("(?<!M)MM(?!M)"));
    const auto relaxed = [](const QString& format) {
        return EditUnquoted(format, [](QString part) {
            return part.replace(paddedDay, QStringLiteral("d"))
                .replace(paddedMonth, QStringLiteral("M"));
        });
    };
    const QString wideFormat = ShortDateFormat(locale);
    for (const QString& format : {wideFormat, relaxed(wideFormat)}) {
        const QDate date = locale.toDate(trimmed, format);
        if (date.isValid() && date.year() >= 100)
            return FromQDate(date);
    }
    // Two-digit years are read in a window around the present, 1930 to 2029, in every locale,
    // also where the locale itself writes four digits.
    static const QRegularExpression fourDigitYear(QStringLiteral("(?<!y)yyyy(?!y)"));
    const QString narrowFormat = EditUnquoted(
        wideFormat, [](QString part) { return part.replace(fourDigitYear, QStringLiteral("yy")); });
    for (const QString& format : {narrowFormat, relaxed(narrowFormat)}) {
        const QDate date = locale.toDate(trimmed, format);
        if (date.isValid())
            return FromQDate(date.addYears(date.year() < 1930 ? 100 : 0));
    }
    return std::nullopt;
}

} // namespace dialtally
