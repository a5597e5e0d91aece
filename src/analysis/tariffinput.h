#pragma once

#include <QLocale>
#include <QString>
#include <cstdint>
#include <optional>

namespace dialtally {

// What the tariff dialogs and the command line accept as typed values, and how they round them.
// Both take a number with the locale's decimal separator or a point, without a thousands
// separator (a "1.500" would otherwise mean 1500 to one user and 1.5 to another).

// A money amount: rounded to four decimal places, a half to the even neighbour. Empty when the
// text is not a number or the amount lies beyond the money range (±922,337,203,685,477.5807).
std::optional<double> ReadMoneyInput(const QString& text, const QLocale& locale = QLocale());

// A 16-bit whole number: rounded to the nearest whole number, a half to the even neighbour (12.5
// gives 12, 13.5 gives 14). Empty when the text is not a number or the result lies outside
// -32768..32767.
std::optional<std::int16_t> ReadWholeInput(const QString& text, const QLocale& locale = QLocale());

// The units in which the service costs dialog takes the time charge and the flat fee.
enum class TimeUnit { Second, Minute, Hour };
enum class FlatUnit { Week, Month, Year };

// The charge per minute of an amount per unit (already a money amount), as the text that is
// stored: "#0.00#" (two or three decimals) for seconds and minutes, "#0.00##" (two to four) for
// hours, rounded a half away from zero, with the locale's decimal separator. 3 per hour gives
// "0.05", 1 per second "60.00". Empty when the result leaves the money range.
std::optional<QString> PerMinuteAmount(double amount, TimeUnit unit,
                                       const QLocale& locale = QLocale());
// The flat fee per month of a fee per week (four weeks a month), month or year, as "#0.00#":
// 10 per year gives "0.833".
std::optional<QString> PerMonthAmount(double amount, FlatUnit unit,
                                      const QLocale& locale = QLocale());

} // namespace dialtally
