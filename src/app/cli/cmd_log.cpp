#include "app/cli/cliargs.h"
#include "app/cli/commands.h"
#include "app/cli/load.h"
#include "log/sessionlog.h"
#include "platform/folders.h"

#include <charconv>
#include <string>

namespace dialtally {
namespace {

void AppendTime(std::string& out, const std::optional<DateTime>& time)
{
    out += time ? FormatIsoDateTime(*time) : std::string("-");
}

void AppendNumber(std::string& out, long long value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

// Output is built in blocks: a log of millions of events prints in a second, not a minute.
void FlushIfLarge(std::string& out)
{
    if (out.size() > (1u << 20)) {
        PrintOut(out);
        out.clear();
    }
}

bool ReadLogOrReport(EventList& events, int& status)
{
    QString error;
    if (!ReadSessionLog(ProgramFolder(), events, &error)) {
        status = FileFailure(error);
        return false;
    }
    return true;
}

} // namespace

int RunEvents(const QStringList& args)
{
    CommandArgs parsed;
    QString error;
    if (!parsed.Parse(args, {kNoUpdateOption}, &error))
        return UsageError(error);
    if (!parsed.Positional().isEmpty())
        return UsageError(
            QStringLiteral("unexpected argument %1").arg(parsed.Positional().first()));
    RunUpdateUnless(parsed);
    EventList events;
    int status = kExitOk;
    if (!ReadLogOrReport(events, status))
        return status;
    std::string out;
    for (const LogEvent& event : events) {
        AppendTime(out, EventTime(event));
        out += '\t';
        AppendNumber(out, event.iCode);
        out += '\t';
        AppendNumber(out, event.lValue);
        out += '\n';
        FlushIfLarge(out);
    }
    PrintOut(out);
    return kExitOk;
}

} // namespace dialtally
