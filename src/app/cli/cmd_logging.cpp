#include "app/cli/cliargs.h"
#include "app/cli/commands.h"
#include "control/logging.h"

namespace dialtally {
namespace {

// The messages break their lines as a message box does; a terminal wants "\n".
QString TerminalLines(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

} // namespace

int RunLogging(const QStringList& args, const Places& places)
{
    CommandArgs parsed;
    QString error;
    if (!parsed.Parse(args, {}, &error))
        return UsageError(error);
    const QStringList& words = parsed.Positional();
    if (words.size() > 1 || (words.size() == 1 && words.first() != QLatin1String("on") &&
                             words.first() != QLatin1String("off")))
        return UsageError(QStringLiteral("logging takes on or off"));

    const LoggingPlaces logging = LoggingPlacesFor(places);
    bool on = false;
    if (!GetLoggingState(logging, on)) {
        PrintError(TerminalLines(MissingAdapterMessage(WindowsFamily(places))));
        return kExitFailure;
    }
    if (words.isEmpty()) {
        PrintOut(std::string_view(on ? "on\n" : "off\n"));
        return kExitOk;
    }
    const bool switchOn = words.first() == QLatin1String("on");
    if (!SetLogging(logging, switchOn)) {
        PrintError(switchOn ? QStringLiteral("logging could not be switched on")
                            : QStringLiteral("logging could not be switched off"));
        return kExitFailure;
    }
    PrintOut(TerminalLines(LoggingSwitchedMessage(switchOn)) + QLatin1Char('\n'));
    return kExitOk;
}

} // namespace dialtally
