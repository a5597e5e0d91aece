#include "app/cli/period.h"

#include "analysis/formatting.h"
#include "app/cli/load.h"

namespace dialtally {
namespace {

bool ParseDateOption(const CommandArgs& parsed, const OptionSpec& option, DateTime& day,
                     QString& error)
{
    const QString text = parsed.Value(option.name);
    const std::optional<DateTime> parsedDay = ParseUserDate(text);
    if (!parsedDay) {
        error = QStringLiteral("%1: \"%2\" is not a date; give YYYY-MM-DD or a short date such "
                               "as %3")
                    .arg(option.name, text, FormatShortDate(*MakeDateTime(1998, 12, 31)));
        return false;
    }
    day = *parsedDay;
    return true;
}

} // namespace

bool ParseCommand(const QStringList& args, std::initializer_list<OptionSpec> specs,
                  CommandArgs& parsed, int& status)
{
    QString error;
    if (!parsed.Parse(args, specs, &error)) {
        status = UsageError(error);
        return false;
    }
    if (!parsed.Positional().isEmpty()) {
        status =
            UsageError(QStringLiteral("unexpected argument %1").arg(parsed.Positional().first()));
        return false;
    }
    return true;
}

bool ParsePeriod(const CommandArgs& parsed, Period& period, int& status)
{
    const bool from = parsed.Has(kFromOption.name);
    const bool to = parsed.Has(kToOption.name);
    period.toEnd = parsed.Has(kToEndOption.name);
    period.chosen = from || to || period.toEnd;
    if (!period.chosen)
        return true;
    QString error;
    if (!from)
        error = QStringLiteral("a period needs its first day: --from DATE");
    else if (to && period.toEnd)
        error = QStringLiteral("--to and --to-end exclude each other");
    else if (!to && !period.toEnd)
        error = QStringLiteral("a period needs its last day: --to DATE, or --to-end");
    else if (!ParseDateOption(parsed, kFromOption, period.from, error))
        ;
    else if (to && !ParseDateOption(parsed, kToOption, period.to, error))
        ;
    else if (to && period.to < period.from)
        error = QStringLiteral("the period ends (%1) before it begins (%2)")
                    .arg(parsed.Value(kToOption.name), parsed.Value(kFromOption.name));
    if (error.isEmpty())
        return true;
    status = UsageError(error);
    return false;
}

Statistics AnalysePeriod(const SessionList& sessions, const Period& period)
{
    return period.chosen ? AnalyseRange(sessions, period.from, period.to, period.toEnd)
                         : AnalyseAll(sessions);
}

int RunPeriodReport(const QStringList& args, PeriodPrinter printJson, PeriodPrinter printText)
{
    CommandArgs parsed;
    Period period;
    AnalysedLog log;
    int status = kExitOk;
    if (!ParseCommand(args, {kNoUpdateOption, kJsonOption, kFromOption, kToOption, kToEndOption},
                      parsed, status) ||
        !ParsePeriod(parsed, period, status) || !LoadAnalysedLog(parsed, log, status))
        return status;
    const Statistics range = AnalysePeriod(log.sessions, period);
    (parsed.Has(kJsonOption.name) ? printJson : printText)(log.sessions, range);
    return kExitOk;
}

} // namespace dialtally
