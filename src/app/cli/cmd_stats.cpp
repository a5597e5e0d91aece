#include "analysis/analysis.h"
#include "analysis/formatting.h"
#include "analysis/summarytexts.h"
#include "app/cli/commands.h"
#include "app/cli/json.h"
#include "app/cli/period.h"

#include <string>

namespace dialtally {
namespace {

QString DateText(const std::optional<DateTime>& t)
{
    return t ? FormatShortDate(*t) : QString();
}

QString DateTimeText(const std::optional<DateTime>& t)
{
    return t ? FormatDateTime(*t) : QString();
}

void PrintStatisticsText(const Statistics& s)
{
    const auto line = [](const QString& caption, const QString& value) {
        return caption.leftJustified(26) + value + QLatin1Char('\n');
    };
    const auto connection = [](const std::optional<DateTime>& up,
                               const std::optional<DateTime>& down, std::int64_t minutes) {
        return DateTimeText(up) + QStringLiteral(" - ") + DateTimeText(down) +
               QStringLiteral("   %1 min").arg(minutes);
    };
    QString text = line(QStringLiteral("Time period:"),
                        DateText(s.vFirstUp) + QStringLiteral(" To ") + DateText(s.vLastDown));
    text += QStringLiteral("\nCommunication Statistics:\n");
    text += line(QStringLiteral("Longest Connection:"),
                 connection(s.vLongestUp, s.vLongestDown, s.iLongestMinutes));
    text += line(QStringLiteral("Shortest Connection:"),
                 connection(s.vShortestUp, s.vShortestDown, s.iShortestMinutes));
    text += line(QStringLiteral("Average Connection Time:"),
                 OneDecimalText(s.dAverageMinutes) + QStringLiteral(" min"));
    text += line(QStringLiteral("Number of Sessions:"), QString::number(s.iSessionCount));
    text += QStringLiteral("\nCommunication Errors During Time Period:\n");
    for (std::size_t k = 0; k < ErrorCaptions().size(); ++k)
        text += line(ErrorCaptions()[k], QString::number(s.iErrors[k]));
    PrintOut(text);
}

void PrintStatisticsJson(const Statistics& s)
{
    std::string out;
    Json json(out);
    json.Key("first").Int(s.iFirst);
    json.Key("last").Int(s.iLast);
    json.Key("selection").Bool(s.fSelection);
    json.Key("firstUp").Time(s.vFirstUp);
    json.Key("lastDown").Time(s.vLastDown);
    json.Key("longestUp").Time(s.vLongestUp);
    json.Key("longestDown").Time(s.vLongestDown);
    json.Key("longestMinutes").Int(s.iLongestMinutes);
    json.Key("shortestUp").Time(s.vShortestUp);
    json.Key("shortestDown").Time(s.vShortestDown);
    json.Key("shortestMinutes").Int(s.iShortestMinutes);
    json.Key("averageMinutes").Number(s.dAverageMinutes);
    json.Key("sessionCount").Int(s.iSessionCount);
    json.Key("errors");
    for (std::size_t k = 0; k < s.iErrors.size(); ++k) {
        out += k == 0 ? "[" : ", ";
        json.Int(s.iErrors[k]);
    }
    out += "]";
    json.End();
    PrintOut(out + '\n');
}

} // namespace

int RunStats(const QStringList& args)
{
    return RunPeriodReport(
        args, [](const SessionList&, const Statistics& s) { PrintStatisticsJson(s); },
        [](const SessionList&, const Statistics& s) { PrintStatisticsText(s); });
}

} // namespace dialtally
