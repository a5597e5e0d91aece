#include "analysis/summarytexts.h"

#include "analysis/formatting.h"

namespace dialtally {
namespace {

QString MonthName(int month, int year, bool withYear, const QLocale& locale)
{
    QString name = locale.standaloneMonthName(month, QLocale::LongFormat);
    if (withYear)
        name += QLatin1Char(' ') + QString::number(year);
    return name;
}

} // namespace

const std::array<QString, kErrorCounterCount>& ErrorCaptions()
{
    static const std::array<QString, kErrorCounterCount> captions = {
        QStringLiteral("CRC Errors"),        QStringLiteral("Timeout Errors"),
        QStringLiteral("Alignment Errors"),  QStringLiteral("Overrun Errors"),
        QStringLiteral("Framing Errors"),    QStringLiteral("Buffer Overrun Errors"),
        QStringLiteral("Incomplete Packets")};
    return captions;
}

QString MinutesText(std::int64_t minutes)
{
    return QString::number(minutes) + QStringLiteral(" min");
}

QStringList MonthlyCaptions()
{
    return {QStringLiteral("Month"),       QStringLiteral("Usage"), QStringLiteral("Com. Costs"),
            QStringLiteral("Serv. Costs"), QStringLiteral("Sum"),   QStringLiteral("Transmitted"),
            QStringLiteral("Received")};
}

QString MonthLabel(const MonthTotals& month, bool withYear, const QLocale& locale)
{
    const BillingCycle cycle = month.Cycle();
    return cycle.IsCalendarMonth() ? MonthName(month.month, month.year, withYear, locale)
                                   : cycle.Label({month.year, month.month}, withYear, locale);
}

QStringList MonthRow(const MonthTotals& month, bool withYear, const QLocale& locale)
{
    return {MonthLabel(month, withYear, locale),
            MinutesText(month.Minutes()),
            FormatCurrency(month.communicationCost, locale),
            FormatCurrency(month.serviceCost, locale),
            FormatCurrency(month.SumCost(), locale),
            FormatBytes(month.transmitted, locale),
            FormatBytes(month.received, locale)};
}

QStringList EmptyMonthRow(int month, int year, bool withYear, const QLocale& locale)
{
    QStringList row = {MonthName(month, year, withYear, locale)};
    for (int column = 1; column < 7; ++column)
        row << QStringLiteral("0");
    return row;
}

QStringList AveragesRow(const std::optional<MonthAverages>& averages, const QLocale& locale)
{
    QStringList row = {QStringLiteral("AVERAGES:")};
    if (averages)
        row << MinutesText(averages->minutes) << FormatCurrency(averages->communicationCost, locale)
            << FormatCurrency(averages->serviceCost, locale)
            << FormatCurrency(averages->sumCost, locale)
            << FormatBytes(averages->transmitted, locale)
            << FormatBytes(averages->received, locale);
    return row;
}

} // namespace dialtally
