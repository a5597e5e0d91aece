#include "app/cli/cliargs.h"
#include "app/cli/commands.h"
#include "platform/places.h"
#include "platform/version.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <memory>

using namespace dialtally;

namespace {

QString ProgramHelp()
{
    QString text = QStringLiteral(
        "Usage: dialtally-cli [global options] COMMAND [options]\n"
        "\n"
        "Reports from the Dialtally session log, without a display.\n"
        "\n"
        "Global options:\n"
        "  --program-dir DIR   folder of the session log (default $DIALTALLY_PROGRAM_DIR,\n"
        "                      else $XDG_DATA_HOME/dialtally)\n"
        "  --windows-dir DIR   folder of the logger's data file (default\n"
        "                      $DIALTALLY_WINDOWS_DIR, else the program folder's \"windows\")\n"
        "  --system 95|98|other  the system whose adapter wrote the lines, which selects\n"
        "                      their dialect (default $DIALTALLY_SYSTEM, else 98)\n"
        "  --help              this text; COMMAND --help tells about one command\n"
        "  --version           the version\n"
        "\n"
        "Commands:\n");
    for (const CliCommand& command : CliCommands())
        text += QStringLiteral("  %1%2\n")
                    .arg(QString::fromLatin1(command.name), -12)
                    .arg(QString::fromUtf8(command.summary));
    return text;
}

// The graph and the printed report draw text, which takes the fonts of a graphical application.
// They draw on a picture in memory or into a PDF, so the application runs off screen unless a
// platform is asked for.
bool NeedsGraphics(int argc, char* argv[])
{
    QStringList words;
    for (int i = 1; i < argc; ++i)
        words << QString::fromLocal8Bit(argv[i]);
    Places places;
    return ResolvePlaces(words, QProcessEnvironment::systemEnvironment(), places) &&
           !words.isEmpty() &&
           (words.first() == QLatin1String("graph") || words.first() == QLatin1String("report"));
}

} // namespace

int main(int argc, char* argv[])
{
    std::unique_ptr<QCoreApplication> application;
    if (NeedsGraphics(argc, argv)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    const QCoreApplication& app = *application;
    QStringList args = app.arguments().mid(1);
    QString error;
    Places places;
    if (!ResolvePlaces(args, QProcessEnvironment::systemEnvironment(), places, &error))
        return UsageError(error);
    if (args.isEmpty())
        return UsageError(QStringLiteral("no command given; try dialtally-cli --help"));
    const QString name = args.takeFirst();
    if (name == QLatin1String("--help") || name == QLatin1String("help")) {
        PrintOut(ProgramHelp());
        return kExitOk;
    }
    if (name == QLatin1String("--version")) {
        PrintOut(VersionText("dialtally-cli"));
        return kExitOk;
    }
    for (const CliCommand& command : CliCommands()) {
        if (name != QLatin1String(command.name))
            continue;
        if (args.contains(QStringLiteral("--help"))) {
            PrintOut(QString::fromUtf8(command.help));
            return kExitOk;
        }
        return command.run(args, places);
    }
    if (name.startsWith(QLatin1Char('-')))
        return UsageError(QStringLiteral("unknown option %1").arg(name));
    return UsageError(QStringLiteral("unknown command %1").arg(name));
}
