#include "analysis/budgets.h"
#include "analysis/estimate.h"
#include "analysis/liveoptions.h"
#include "app/cli/commands.h"
#include "app/cli/json.h"
#include "app/cli/load.h"
#include "app/cli/period.h"
#include "app/cli/texttable.h"
#include "log/pppddelivery.h"

#include <QSettings>

namespace dialtally {
namespace {

QString LevelName(BudgetLevel level)
{
    switch (level) {
    case BudgetLevel::Under:
        return QStringLiteral("under");
    case BudgetLevel::Warning:
        return QStringLiteral("warning");
    case BudgetLevel::Over:
        return QStringLiteral("over");
    }
    return {};
}

void PrintCheckText(const std::vector<BudgetUse>& uses)
{
    if (uses.empty()) {
        PrintOut(QStringLiteral("No budget is set.\n"));
        return;
    }
    std::vector<Column> columns = {{QStringLiteral("Budget"), 0, false},
                                   {QStringLiteral("Limit")},
                                   {QStringLiteral("Used")},
                                   {QStringLiteral("%")},
                                   {QStringLiteral("Estimate")},
                                   {QStringLiteral("%")},
                                   {QStringLiteral("State"), 0, false}};
    std::vector<QStringList> rows;
    for (const BudgetUse& use : uses) {
        const bool estimated = use.estimate.has_value();
        rows.push_back({BudgetKindName(use.kind), BudgetValueText(use.kind, use.limit),
                        BudgetValueText(use.kind, use.used),
                        QString::number(Percent(use.used, use.limit)),
                        estimated ? BudgetValueText(use.kind, *use.estimate) : QString(),
                        estimated ? QString::number(Percent(*use.estimate, use.limit)) : QString(),
                        LevelName(use.level)});
    }
    FitHeaders(columns);
    for (const QStringList& row : rows)
        for (std::size_t i = 0; i < columns.size(); ++i)
            columns[i].width = std::max(columns[i].width,
                                        static_cast<int>(row.at(static_cast<qsizetype>(i)).size()));
    QString text = Row(columns, Headers(columns));
    for (const QStringList& row : rows)
        text += Row(columns, row);
    PrintOut(text);
}

void PrintCheckJson(const std::vector<BudgetUse>& uses, int status)
{
    std::string out = "{\"budgets\": [";
    for (std::size_t i = 0; i < uses.size(); ++i) {
        const BudgetUse& use = uses[i];
        out += i == 0 ? "\n  " : ",\n  ";
        Json json(out);
        json.Key("kind").Text(BudgetKindName(use.kind).toStdString());
        json.Key("limit").Number(use.limit);
        json.Key("used").Number(use.used);
        json.Key("usedPercent").Int(Percent(use.used, use.limit));
        json.Key("estimate").Number(use.estimate);
        if (use.estimate)
            json.Key("estimatePercent").Int(Percent(*use.estimate, use.limit));
        else
            json.Key("estimatePercent").Null();
        json.Key("threshold").Int(use.threshold);
        json.Key("state").Text(LevelName(use.level).toStdString());
        json.End();
    }
    out += uses.empty() ? "]" : "\n ]";
    out += ",\n \"status\": " + std::to_string(status) + "}\n";
    PrintOut(out);
}

} // namespace

int RunCheck(const QStringList& args, const Places& places)
{
    CommandArgs parsed;
    AnalysedLog log;
    int status = kExitOk;
    if (!ParseCommand(args, {kNoUpdateOption, kJsonOption}, parsed, status) ||
        !LoadAnalysedLog(parsed, places, log, status))
        return status;
    QSettings store(places.SettingsFile(), QSettings::IniFormat);
    const Budgets budgets = LoadLiveOptions(store).budgets;
    const DateTime now = LocalNow();
    const MonthSpan month = CurrentMonthSpan(now, log.settings.cycle);
    const double flatFee = log.settings.costs.vServFlatMonth;
    const std::vector<BudgetUse> uses =
        CheckBudgets(budgets, MonthSoFar(log.sessions, month, flatFee),
                     EstimateMonth(log.sessions, month, now, flatFee));
    const int result = BudgetExitStatus(uses);
    if (parsed.Has(kJsonOption.name))
        PrintCheckJson(uses, result);
    else
        PrintCheckText(uses);
    return result;
}

} // namespace dialtally
