#include "analysis/analysis.h"
#include "analysis/costs.h"
#include "analysis/formatting.h"
#include "analysis/monthly.h"
#include "analysis/settings.h"
#include "app/cli/cliargs.h"
#include "app/cli/commands.h"
#include "app/cli/load.h"
#include "log/sessionlog.h"

#include <QDate>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace dialtally {
namespace {

const OptionSpec kJsonOption{QStringLiteral("--json"), false};
const OptionSpec kFromOption{QStringLiteral("--from"), true};
const OptionSpec kToOption{QStringLiteral("--to"), true};
const OptionSpec kToEndOption{QStringLiteral("--to-end"), false};

// The log as the program loads it: update (unless --no-update), read, build, durations with the
// allowance from the settings store, and costs when there is a real session. A damaged settings
// store stops the report before anything else is done: its costs would be wrong.
struct AnalysedLog {
    LoadedSettings settings;
    SessionList sessions;
};

bool LoadAnalysedLog(const CommandArgs& parsed, AnalysedLog& log, int& status)
{
    log.settings = LoadUserSettings();
    if (log.settings.problem) {
        status = FileFailure(log.settings.problem->Text());
        return false;
    }
    if (!LoadSessionsForCli(parsed, log.sessions, status))
        return false;
    CalculateDurations(log.sessions, log.settings.vAditionalConnectSeconds);
    if (HasRealSession(log.sessions))
        CalculateCosts(log.sessions, log.settings.costs);
    return true;
}

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

struct Period {
    bool chosen = false;
    DateTime from;
    DateTime to;
    bool toEnd = false;
};

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

// A period needs its first day and either its last day or --to-end, and must not end before it
// begins. Anything else is refused rather than read as some other period.
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

// Output is built in blocks: a log of hundreds of thousands of sessions prints in seconds.
void FlushIfLarge(std::string& out)
{
    if (out.size() > (1u << 20)) {
        PrintOut(out);
        out.clear();
    }
}

// JSON is written by hand so that the keys keep their order and a long list streams out.
class Json {
public:
    explicit Json(std::string& out) : m_out(out) {}

    Json& Key(std::string_view key)
    {
        m_out += m_first ? "{" : ", ";
        m_first = false;
        m_out += '"';
        m_out += key;
        m_out += "\": ";
        return *this;
    }
    void End() { m_out += m_first ? "{}" : "}"; }

    Json& Int(std::int64_t value)
    {
        char buffer[24];
        m_out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
        return *this;
    }
    Json& Number(std::optional<double> value)
    {
        if (!value || !std::isfinite(*value))
            return Null();
        // The shortest text that reads back as the same double: unrounded.
        char buffer[32];
        m_out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, *value).ptr);
        return *this;
    }
    Json& Bool(bool value)
    {
        m_out += value ? "true" : "false";
        return *this;
    }
    Json& Time(const std::optional<DateTime>& value)
    {
        if (!value)
            return Null();
        m_out += '"';
        m_out += FormatIsoDateTime(*value, 'T');
        m_out += '"';
        return *this;
    }
    Json& Text(const std::optional<std::string>& value)
    {
        if (!value)
            return Null();
        m_out += '"';
        for (const char ch : *value) {
            if (ch == '"' || ch == '\\')
                m_out += '\\';
            m_out += ch;
        }
        m_out += '"';
        return *this;
    }
    Json& Null()
    {
        m_out += "null";
        return *this;
    }

private:
    std::string& m_out;
    bool m_first = true;
};

// Columns padded to a width; numbers to the right, texts to the left.
struct Column {
    QString header;
    int width = 0;
    bool right = true;
};

QString Row(const std::vector<Column>& columns, const QStringList& cells)
{
    QString line;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const Column& column = columns[i];
        const QString& cell = cells.at(static_cast<qsizetype>(i));
        if (i > 0)
            line += QStringLiteral("  ");
        line += column.right ? cell.rightJustified(column.width)
                             : cell.leftJustified(i + 1 < columns.size() ? column.width : 0);
    }
    // An empty last column leaves no blanks at the end of the line.
    while (line.endsWith(QLatin1Char(' ')))
        line.chop(1);
    return line + QLatin1Char('\n');
}

void FitHeaders(std::vector<Column>& columns)
{
    for (Column& column : columns)
        column.width = std::max(column.width, static_cast<int>(column.header.size()));
}

QStringList Headers(const std::vector<Column>& columns)
{
    QStringList headers;
    for (const Column& column : columns)
        headers << column.header;
    return headers;
}

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
        FlushIfLarge(out);
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
        FlushIfLarge(out);
    }
    out += out.back() == '[' ? "]\n" : "\n]\n";
    PrintOut(out);
}

const char* const kErrorCaptions[kErrorCounterCount] = {
    "CRC Errors",     "Timeout Errors",        "Alignment Errors",  "Overrun Errors",
    "Framing Errors", "Buffer Overrun Errors", "Incomplete Packets"};

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
    for (int k = 0; k < kErrorCounterCount; ++k)
        text += line(QString::fromLatin1(kErrorCaptions[k]),
                     QString::number(s.iErrors[static_cast<std::size_t>(k)]));
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

void PrintMonthsText(const MonthlySummary& summary, const QDate& today)
{
    std::vector<Column> columns = {
        {QStringLiteral("Month"), 0, false},
        {QStringLiteral("Usage")},
        {QStringLiteral("Com. Costs")},
        {QStringLiteral("Serv. Costs")},
        {QStringLiteral("Sum")},
        {QStringLiteral("Transmitted")},
        {QStringLiteral("Received")},
    };
    const QLocale locale;
    std::vector<QStringList> rows;
    for (const MonthTotals& m : summary.months)
        rows.push_back(
            {locale.standaloneMonthName(m.month) + QLatin1Char(' ') + QString::number(m.year),
             QStringLiteral("%1 min").arg(m.Minutes()), FormatCurrency(m.communicationCost),
             FormatCurrency(m.serviceCost), FormatCurrency(m.SumCost()), FormatBytes(m.transmitted),
             FormatBytes(m.received)});
    if (rows.empty()) {
        // A log without sessions shows the current month with nothing in it.
        QStringList row = {locale.standaloneMonthName(today.month()) + QLatin1Char(' ') +
                           QString::number(today.year())};
        for (int k = 1; k < 7; ++k)
            row << QStringLiteral("0");
        rows.push_back(row);
    }
    QStringList averages = {QStringLiteral("AVERAGES:"), {}, {}, {}, {}, {}, {}};
    if (const auto& a = summary.averages)
        averages = {QStringLiteral("AVERAGES:"),
                    QStringLiteral("%1 min").arg(a->minutes),
                    FormatCurrency(a->communicationCost),
                    FormatCurrency(a->serviceCost),
                    FormatCurrency(a->sumCost),
                    FormatBytes(a->transmitted),
                    FormatBytes(a->received)};
    rows.push_back(averages);
    FitHeaders(columns);
    for (const QStringList& row : rows)
        for (std::size_t i = 0; i < columns.size(); ++i)
            columns[i].width = std::max(columns[i].width,
                                        static_cast<int>(row.at(static_cast<qsizetype>(i)).size()));
    QString text = Row(columns, Headers(columns));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (r + 1 == rows.size())
            text += QLatin1Char('\n');
        text += Row(columns, rows[r]);
    }
    PrintOut(text);
}

void PrintMonthsJson(const MonthlySummary& summary)
{
    std::string out = "{\"months\": [";
    for (std::size_t i = 0; i < summary.months.size(); ++i) {
        const MonthTotals& m = summary.months[i];
        out += i == 0 ? "\n  " : ",\n  ";
        Json json(out);
        json.Key("month").Int(m.month);
        json.Key("year").Int(m.year);
        json.Key("minutes").Int(m.Minutes());
        json.Key("communicationCost").Number(m.communicationCost);
        json.Key("serviceCost").Number(m.serviceCost);
        json.Key("sumCost").Number(m.SumCost());
        json.Key("transmitted").Int(m.transmitted);
        json.Key("received").Int(m.received);
        json.End();
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
    PrintOut(out + "}\n");
}

} // namespace

namespace {

// sessions and stats: the same options and load, then the chosen period printed as JSON or text.
using PeriodPrinter = void (*)(const SessionList& sessions, const Statistics& range);

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

} // namespace

int RunSessionReport(const QStringList& args)
{
    return RunPeriodReport(args, PrintSessionJson, PrintSessionTable);
}

int RunStats(const QStringList& args)
{
    return RunPeriodReport(
        args, [](const SessionList&, const Statistics& s) { PrintStatisticsJson(s); },
        [](const SessionList&, const Statistics& s) { PrintStatisticsText(s); });
}

int RunMonths(const QStringList& args)
{
    CommandArgs parsed;
    AnalysedLog log;
    int status = kExitOk;
    if (!ParseCommand(args, {kNoUpdateOption, kJsonOption}, parsed, status) ||
        !LoadAnalysedLog(parsed, log, status))
        return status;
    const MonthlySummary summary =
        CalcMonthlyTotals(log.sessions, log.settings.costs.vServFlatMonth);
    if (parsed.Has(kJsonOption.name))
        PrintMonthsJson(summary);
    else
        PrintMonthsText(summary, QDate::currentDate());
    return kExitOk;
}

} // namespace dialtally
