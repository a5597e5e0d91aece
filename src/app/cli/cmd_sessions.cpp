#include "analysis/analysis.h"
#include "analysis/formatting.h"
#include "app/cli/commands.h"
#include "app/cli/json.h"
#include "app/cli/load.h"
#include "app/cli/period.h"
#include "app/cli/texttable.h"

#include <string>
#include <vector>

namespace dialtally {
namespace {

QString CostCell(const std::optional<double>& cost)
{
    return cost ? FormatCurrency(*cost) : QString();
}

void PrintSessionTable(const SessionList& sessions, const Statistics& range)
{
    // Widths from the extreme values of each column, found without formatting every row twice.
    std::int32_t longest = 0, minTx = 0, maxTx = 0, minRx = 0, maxRx = 0;
    double minComm = 0.0, maxComm = 0.0, minServ = 0.0, maxServ = 0.0;
    for (SessionIndex i = range.iFirst; i <= range.iLast; ++i) {
        const SessionRecord& s = sessions[static_cast<std::size_t>(i)];
        longest = std::max(longest, s.lDur);
        minTx = std::min(minTx, s.lTx);
        maxTx = std::max(maxTx, s.lTx);
        minRx = std::min(minRx, s.lRx);
        maxRx = std::max(maxRx, s.lRx);
        minComm = std::min(minComm, s.vCommCost.value_or(0.0));
        maxComm = std::max(maxComm, s.vCommCost.value_or(0.0));
        minServ = std::min(minServ, s.vServCost.value_or(0.0));
        maxServ = std::max(maxServ, s.vServCost.value_or(0.0));
    }
    const auto width = [](const QString& a, const QString& b) {
        return static_cast<int>(std::max(a.size(), b.size()));
    };
    const DateTime sample = *MakeDateTime(2000, 12, 28, 22, 58, 58);
    std::vector<Column> columns = {
        {QStringLiteral("Starting Time"), static_cast<int>(FormatDateTime(sample).size()), false},
        {QStringLiteral("Session Length"), static_cast<int>(DurationText(longest).size())},
        {QStringLiteral("Transmitted [bytes]"),
         width(QString::number(minTx), QString::number(maxTx))},
        {QStringLiteral("Received [bytes]"), width(QString::number(minRx), QString::number(maxRx))},
        {QStringLiteral("Tele Com. Costs"),
         width(FormatCurrency(minComm), FormatCurrency(maxComm))},
        {QStringLiteral("Service Costs"), width(FormatCurrency(minServ), FormatCurrency(maxServ))},
    };
    FitHeaders(columns);
    std::string out = Row(columns, Headers(columns)).toStdString();
    for (SessionIndex i = range.iFirst; i <= range.iLast; ++i) {
        const SessionRecord& s = sessions[static_cast<std::size_t>(i)];
        const QStringList cells = {
            s.vUp ? FormatDateTime(*s.vUp) : QString(),
            QString::fromStdString(s.vDurText.value_or(std::string())),
            QString::number(s.lTx),
            QString::number(s.lRx),
            CostCell(s.vCommCost),
            CostCell(s.vServCost),
        };
        out += Row(columns, cells).toStdString();
        PrintIfLarge(out);
    }
    PrintOut(out);
}

void PrintSessionJson(const SessionList& sessions, const Statistics& range)
{
    std::string out = "[";
    for (SessionIndex i = range.iFirst; i <= range.iLast; ++i) {
        const SessionRecord& s = sessions[static_cast<std::size_t>(i)];
        out += i == range.iFirst ? "\n" : ",\n";
        Json json(out);
        json.Key("index").Int(i);
        json.Key("up").Time(s.vUp);
        json.Key("down").Time(s.vDown);
        json.Key("durationSeconds").Int(s.lDur);
        json.Key("durationText").Text(s.vDurText);
        json.Key("transmitted").Int(s.lTx);
        json.Key("received").Int(s.lRx);
        json.Key("communicationCost").Number(s.vCommCost);
        json.Key("serviceCost").Number(s.vServCost);
        json.Key("crcErrors").Int(s.iCrcErrors);
        json.Key("timeoutErrors").Int(s.iTimeoutErrors);
        json.Key("alignmentErrors").Int(s.iAlignmentErrors);
        json.Key("overrunErrors").Int(s.iOverrunErrors);
        json.Key("framingErrors").Int(s.iFramingErrors);
        json.Key("bufferOverrunErrors").Int(s.iBufferOverrunErrors);
        json.Key("incompletePackets").Int(s.iIncompletePackets);
        json.End();
        PrintIfLarge(out);
    }
    out += out.back() == '[' ? "]\n" : "\n]\n";
    PrintOut(out);
}

} // namespace

int RunSessionReport(const QStringList& args)
{
    return RunPeriodReport(args, PrintSessionJson, PrintSessionTable);
}

} // namespace dialtally
