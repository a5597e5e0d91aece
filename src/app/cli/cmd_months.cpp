#include "analysis/estimate.h"
#include "analysis/monthly.h"
#include "analysis/summarytexts.h"
#include "app/cli/commands.h"
#include "app/cli/json.h"
#include "app/cli/load.h"
#include "app/cli/period.h"
#include "app/cli/texttable.h"
#include "log/pppddelivery.h"

#include <QDate>
#include <string>
#include <vector>

namespace dialtally {
namespace {

void PrintMonthsText(const MonthlySummary& summary, const std::optional<MonthTotals>& estimate,
                     const QDate& today)
{
    std::vector<Column> columns;
    for (const QString& caption : MonthlyCaptions())
        columns.push_back({caption});
    columns.front().right = false;
    std::vector<QStringList> rows;
    for (const MonthTotals& month : summary.months)
        rows.push_back(MonthRow(month, true));
    // A log without sessions shows the current month with nothing in it.
    if (rows.empty())
        rows.push_back(EmptyMonthRow(today.month(), today.year(), true));
    QStringList averages = AveragesRow(summary.averages);
    while (static_cast<std::size_t>(averages.size()) < columns.size())
        averages << QString();
    rows.push_back(averages);
    if (estimate)
        rows.push_back(EstimateRow(*estimate));
    const std::size_t firstSummaryRow = rows.size() - (estimate ? 2 : 1);
    FitHeaders(columns);
    for (const QStringList& row : rows)
        for (std::size_t i = 0; i < columns.size(); ++i)
            columns[i].width = std::max(columns[i].width,
                                        static_cast<int>(row.at(static_cast<qsizetype>(i)).size()));
    QString text = Row(columns, Headers(columns));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (r == firstSummaryRow)
            text += QLatin1Char('\n');
        text += Row(columns, rows[r]);
    }
    PrintOut(text);
}

void AppendMonth(std::string& out, const MonthTotals& m)
{
    Json json(out);
    json.Key("month").Int(m.month);
    json.Key("year").Int(m.year);
    json.Key("from").Text(m.From().toString(Qt::ISODate).toStdString());
    json.Key("to").Text(m.To().toString(Qt::ISODate).toStdString());
    json.Key("minutes").Int(m.Minutes());
    json.Key("communicationCost").Number(m.communicationCost);
    json.Key("serviceCost").Number(m.serviceCost);
    json.Key("sumCost").Number(m.SumCost());
    json.Key("transmitted").Int(m.transmitted);
    json.Key("received").Int(m.received);
    json.End();
}

void PrintMonthsJson(const MonthlySummary& summary, const std::optional<MonthTotals>& estimate)
{
    std::string out = "{\"months\": [";
    for (std::size_t i = 0; i < summary.months.size(); ++i) {
        out += i == 0 ? "\n  " : ",\n  ";
        AppendMonth(out, summary.months[i]);
    }
    out += summary.months.empty() ? "],\n \"averages\": " : "\n ],\n \"averages\": ";
    if (const auto& a = summary.averages) {
        Json json(out);
        json.Key("minutes").Int(a->minutes);
        json.Key("communicationCost").Number(a->communicationCost);
        json.Key("serviceCost").Number(a->serviceCost);
        json.Key("sumCost").Number(a->sumCost);
        json.Key("transmitted").Int(a->transmitted);
        json.Key("received").Int(a->received);
        json.End();
    } else {
        out += "null";
    }
    // The current month run on to its end; null when it has no session yet.
    out += ",\n \"estimate\": ";
    if (estimate)
        AppendMonth(out, *estimate);
    else
        out += "null";
    PrintOut(out + "}\n");
}

} // namespace

int RunMonths(const QStringList& args, const Places& places)
{
    CommandArgs parsed;
    AnalysedLog log;
    int status = kExitOk;
    if (!ParseCommand(args, {kNoUpdateOption, kJsonOption}, parsed, status) ||
        !LoadAnalysedLog(parsed, places, log, status))
        return status;
    const MonthlySummary summary =
        CalcMonthlyTotals(log.sessions, log.settings.costs.vServFlatMonth, log.settings.cycle);
    const DateTime now = LocalNow();
    const auto estimate = EstimateMonth(log.sessions, CurrentMonthSpan(now, log.settings.cycle),
                                        now, log.settings.costs.vServFlatMonth);
    if (parsed.Has(kJsonOption.name))
        PrintMonthsJson(summary, estimate);
    else
        PrintMonthsText(summary, estimate, QDate::currentDate());
    return kExitOk;
}

} // namespace dialtally
