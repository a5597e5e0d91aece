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
    // The records are printed block by block as they are read; a big log is never held whole.
    std::string out;
    const auto print = [&out](std::span<const LogEvent> block) {
        for (const LogEvent& event : block) {
            AppendTime(out, EventTime(event));
            out += '\t';
            AppendNumber(out, event.iCode);
            out += '\t';
            AppendNumber(out, event.lValue);
            out += '\n';
            PrintIfLarge(out);
        }
    };
    if (!ReadSessionLog(ProgramFolder(), print, &error)) {
        PrintOut(out);
        return FileFailure(error);
    }
    PrintOut(out);
    return kExitOk;
}

} // namespace dialtally
