#include "analysis/comparison.h"
#include "analysis/tariffs.h"
#include "app/cli/commands.h"
#include "app/cli/json.h"
#include "app/cli/load.h"
#include "app/cli/period.h"
#include "app/cli/texttable.h"

#include <QSettings>

namespace dialtally {
namespace {

// The named tariffs, or every saved one when none is named; empty with status set when a name is
// not saved or does not read.
std::optional<std::vector<NamedTariff>> TariffsToCompare(const QStringList& names,
                                                         const Places& places, int& status)
{
    SettingsProblem storeProblem;
    const auto store = OpenSettingsStore(places.SettingsFile(), &storeProblem);
    if (!store) {
        status = FileFailure(storeProblem.Text());
        return std::nullopt;
    }
    std::vector<NamedTariff> tariffs;
    for (const QString& name : names.isEmpty() ? SavedTariffNames(*store) : names) {
        TariffProblem problem;
        const auto costs = LoadSavedTariff(*store, name, &problem);
        if (!costs) {
            status = FileFailure(problem.reason.isEmpty()
                                     ? QStringLiteral("no saved tariff %1").arg(name)
                                     : problem.Text());
            return std::nullopt;
        }
        tariffs.push_back({name, *costs});
    }
    return tariffs;
}

void NumberArray(std::string& out, const std::vector<double>& values)
{
    out += "[";
    for (std::size_t i = 0; i < values.size(); ++i) {
        out += i == 0 ? "" : ", ";
        Json(out).Number(values[i]);
    }
    out += "]";
}

void PrintCompareText(const TariffComparison& comparison)
{
    const std::vector<QStringList> table = ComparisonTable(comparison, true);
    std::vector<Column> columns;
    for (const QString& header : table.front())
        columns.push_back({header});
    columns.front().right = false;
    columns.back().right = false;
    for (const QStringList& row : table)
        for (std::size_t i = 0; i < columns.size(); ++i)
            columns[i].width = std::max(columns[i].width,
                                        static_cast<int>(row.at(static_cast<qsizetype>(i)).size()));
    QString text;
    for (std::size_t r = 0; r < table.size(); ++r) {
        if (r + 2 == table.size())
            text += QLatin1Char('\n');
        text += Row(columns, table[r]);
    }
    PrintOut(text);
}

void PrintCompareJson(const TariffComparison& c)
{
    std::string out = "{\"tariffs\": [";
    for (std::size_t t = 0; t < c.names.size(); ++t) {
        out += t == 0 ? "" : ", ";
        Json(out).Text(c.names[t].toStdString());
    }
    out += "],\n \"months\": [";
    for (std::size_t m = 0; m < c.months.size(); ++m) {
        const TariffComparison::Month& month = c.months[m];
        out += m == 0 ? "\n  " : ",\n  ";
        Json json(out);
        json.Key("month").Int(month.entry.month);
        json.Key("year").Int(month.entry.year);
        json.Key("from").Text(month.entry.From().toString(Qt::ISODate).toStdString());
        json.Key("to").Text(month.entry.To().toString(Qt::ISODate).toStdString());
        json.Key("sums");
        NumberArray(out, month.sums);
        json.Key("cheapest").Text(c.names[month.cheapest].toStdString());
        json.End();
    }
    out += c.months.empty() ? "],\n \"totals\": " : "\n ],\n \"totals\": ";
    NumberArray(out, c.totals);
    std::vector<double> differences;
    for (std::size_t t = 0; t < c.totals.size(); ++t)
        differences.push_back(c.Difference(t));
    out += ",\n \"differences\": ";
    NumberArray(out, differences);
    out += ",\n \"cheapest\": ";
    Json(out).Text(c.names[c.cheapest].toStdString());
    PrintOut(out + "}\n");
}

} // namespace

int RunCompare(const QStringList& args, const Places& places)
{
    CommandArgs parsed;
    QString error;
    if (!parsed.Parse(args, {kNoUpdateOption, kJsonOption, kFromOption, kToOption, kToEndOption},
                      &error))
        return UsageError(error);
    for (const QString& name : parsed.Positional())
        if (!IsTariffName(name))
            return UsageError(QStringLiteral("%1 is no tariff name").arg(name));
    int status = kExitOk;
    Period period;
    AnalysedLog log;
    if (!ParsePeriod(parsed, period, status))
        return status;
    auto tariffs = TariffsToCompare(parsed.Positional(), places, status);
    if (!tariffs || !LoadAnalysedLog(parsed, places, log, status))
        return status;
    tariffs->insert(tariffs->begin(), {kTariffInForce, log.settings.costs});
    std::span<const SessionRecord> sessions = log.sessions;
    if (period.chosen) {
        const Statistics range = AnalysePeriod(log.sessions, period);
        sessions = range.iLast < range.iFirst
                       ? std::span<const SessionRecord>()
                       : sessions.subspan(static_cast<std::size_t>(range.iFirst),
                                          static_cast<std::size_t>(range.iLast - range.iFirst + 1));
    }
    const TariffComparison comparison = CompareTariffs(sessions, *tariffs, log.settings.cycle);
    if (parsed.Has(kJsonOption.name))
        PrintCompareJson(comparison);
    else
        PrintCompareText(comparison);
    return kExitOk;
}

} // namespace dialtally
