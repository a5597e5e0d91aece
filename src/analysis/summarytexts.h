#pragma once

#include "analysis/monthly.h"
#include "log/sessionlog.h"

#include <QLocale>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace dialtally {

// The captions and rows that the window, the command line and the printed report show alike, so
// that all of them say the same.

// The seven error counters in record order: "CRC Errors" .. "Incomplete Packets".
const std::array<QString, kErrorCounterCount>& ErrorCaptions();

// "75 min".
QString MinutesText(std::int64_t minutes);

// The columns of the monthly summary: "Month", "Usage", "Com. Costs", "Serv. Costs", "Sum",
// "Transmitted", "Received".
QStringList MonthlyCaptions();

// One month of the summary: its name standing alone ("March", with " 1999" when withYear) or its
// billing cycle ("12 Mar – 11 Apr", BillingCycle::Label), the usage, the three costs and the two
// byte counts.
QStringList MonthRow(const MonthTotals& month, bool withYear, const QLocale& locale = QLocale());

// The first cell of MonthRow: the month's name or its billing cycle.
QString MonthLabel(const MonthTotals& month, bool withYear, const QLocale& locale = QLocale());

// The month that a log without sessions shows, with nothing used: its name and six "0".
QStringList EmptyMonthRow(int month, int year, bool withYear, const QLocale& locale = QLocale());

// "AVERAGES:" followed by the averages; the caption alone when there is no month.
QStringList AveragesRow(const std::optional<MonthAverages>& averages,
                        const QLocale& locale = QLocale());

} // namespace dialtally
