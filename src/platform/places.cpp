#include "platform/places.h"

#include <QDir>
#include <unistd.h>

namespace dialtally {
namespace {

QString Absolute(const QString& path)
{
    return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

// Takes "--name VALUE" or "--name=VALUE" out of args; value stays untouched when it is absent.
bool TakeOption(QStringList& args, const QString& name, const char* needs, QString& value,
                QString* error)
{
    for (int i = 0; i < args.size();) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("--"))
            break;
        if (arg == name) {
            if (i + 1 >= args.size()) {
                if (error)
                    *error = QStringLiteral("option %1 needs %2").arg(name, QLatin1String(needs));
                return false;
            }
            value = args.at(i + 1);
            args.remove(i, 2);
        } else if (arg.startsWith(name + QLatin1Char('='))) {
            value = arg.mid(name.size() + 1);
            args.removeAt(i);
        } else {
            ++i;
        }
    }
    return true;
}

QString FirstOf(const QString& option, const QProcessEnvironment& environment, const char* name)
{
    return option.isEmpty() ? environment.value(QString::fromLatin1(name)) : option;
}

QString HomeFolder(const QProcessEnvironment& environment)
{
    const QString home = environment.value(QStringLiteral("HOME"));
    return home.isEmpty() ? QDir::homePath() : home;
}

} // namespace

QString Places::SettingsFile() const
{
    return QDir(configDir).filePath(QStringLiteral("Dtallyer.ini"));
}

QString Places::AutostartEntry() const
{
    return QDir(configDir).filePath(QStringLiteral("autostart/dtallywr.desktop"));
}

bool ResolvePlaces(QStringList& args, const QProcessEnvironment& environment, Places& places,
                   QString* error)
{
    QString programDir, windowsDir, system, runtimeDir;
    if (!TakeOption(args, QStringLiteral("--program-dir"), "a folder", programDir, error) ||
        !TakeOption(args, QStringLiteral("--windows-dir"), "a folder", windowsDir, error) ||
        !TakeOption(args, QStringLiteral("--system"), "95, 98 or other", system, error) ||
        !TakeOption(args, QStringLiteral("--runtime-dir"), "a folder", runtimeDir, error))
        return false;

    Places resolved;
    if (!system.isEmpty()) {
        const auto dialect = ParseSystemName(system);
        if (!dialect) {
            if (error)
                *error = QStringLiteral("unknown system \"%1\"; use 95, 98 or other").arg(system);
            return false;
        }
        resolved.dialect = *dialect;
    } else if (const auto dialect =
                   ParseSystemName(environment.value(QStringLiteral("DIALTALLY_SYSTEM")))) {
        resolved.dialect = *dialect;
    }

    const QString home = HomeFolder(environment);
    QString data = environment.value(QStringLiteral("XDG_DATA_HOME"));
    if (data.isEmpty())
        data = QDir(home).filePath(QStringLiteral(".local/share"));
    programDir = FirstOf(programDir, environment, "DIALTALLY_PROGRAM_DIR");
    resolved.programDir = Absolute(
        programDir.isEmpty() ? QDir(data).filePath(QStringLiteral("dialtally")) : programDir);
    windowsDir = FirstOf(windowsDir, environment, "DIALTALLY_WINDOWS_DIR");
    resolved.windowsDir = windowsDir.isEmpty()
                              ? QDir(resolved.programDir).filePath(QStringLiteral("windows"))
                              : Absolute(windowsDir);

    const QString config = environment.value(QStringLiteral("XDG_CONFIG_HOME"));
    resolved.configDir =
        Absolute(config.isEmpty() ? QDir(home).filePath(QStringLiteral(".config")) : config);

    const QString own = FirstOf(runtimeDir, environment, "DIALTALLY_RUNTIME_DIR");
    const QString runtime = environment.value(QStringLiteral("XDG_RUNTIME_DIR"));
    if (!own.isEmpty())
        resolved.runtimeDir = Absolute(own);
    else if (!runtime.isEmpty())
        resolved.runtimeDir = QDir(Absolute(runtime)).filePath(QStringLiteral("dialtally"));
    else
        resolved.runtimeDir = QStringLiteral("/tmp/dialtally-%1").arg(::geteuid());

    places = resolved;
    return true;
}

} // namespace dialtally
