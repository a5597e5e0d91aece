#pragma once

#include "log/datetime.h"

#include <QLocale>
#include <QString>
#include <cstdint>
#include <optional>

namespace dialtally {

// How the program shows byte counts, dates, times and money. Every caller (windows, export,
// printed report, command line) formats through here so that all of them agree. The locale is a
// parameter so that tests can pin it; callers normally pass QLocale(), the user's locale.

// Decimal units with strict comparisons: above 1,000,000 bytes "1.2 Mb", above 1000 "1.0 Kb",
// else "999 byte". One decimal with the locale's decimal separator, no thousands separator.
QString FormatBytes(std::int64_t bytes, const QLocale& locale = QLocale());

// The currency symbol that FormatCurrency() puts beside amounts; empty when the locale has none.
QString CurrencyText(const QLocale& locale = QLocale());

// Same calendar day; the times of day do not matter.
bool IsSameDay(DateTime a, DateTime b);

// "Short Date": the locale's short date, always with a four-digit year (a two-digit year would
// make 1999 and 2099 alike, and the log spans decades).
QString ShortDateFormat(const QLocale& locale = QLocale());
// "Long Time": the locale's time with seconds, without a time zone (the log holds wall time).
QString LongTimeFormat(const QLocale& locale = QLocale());

QString FormatShortDate(DateTime t, const QLocale& locale = QLocale());
QString FormatLongTime(DateTime t, const QLocale& locale = QLocale());
// "Short Date", a blank, "Long Time".
QString FormatDateTime(DateTime t, const QLocale& locale = QLocale());

// "Currency": the locale's money format with its symbol, decimals and thousands separator.
// Amounts are kept unrounded and rounded only here.
QString FormatCurrency(double amount, const QLocale& locale = QLocale());

// "#0.0": one decimal with the locale's decimal separator and no thousands separator, as the
// average connection time is shown ("1200.5").
QString OneDecimalText(double value, const QLocale& locale = QLocale());

// A day as the user types it: ISO "YYYY-MM-DD" always, and the locale's short date with a two- or
// four-digit year (two digits mean 1930..2029). Gives midnight of that day; empty when the text is
// not a date.
std::optional<DateTime> ParseUserDate(const QString& text, const QLocale& locale = QLocale());

} // namespace dialtally
