#include "platform/folders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace dialtally {
namespace {

struct Overrides {
    QString programDir;
    QString windowsDir;
};

Overrides& CurrentOverrides()
{
    static Overrides overrides;
    return overrides;
}

QString Absolute(const QString& path)
{
    return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

QString FromEnvironment(const char* name)
{
    return qEnvironmentVariable(name);
}

// Returns true when args[i] is the option (either "--name VALUE" or "--name=VALUE") and takes it.
bool TakeOption(QStringList& args, int i, const QString& name, QString& value, QString* error,
                bool& failed)
{
    const QString& arg = args.at(i);
    if (arg == name) {
        if (i + 1 >= args.size()) {
            if (error)
                *error = QStringLiteral("option %1 needs a folder").arg(name);
            failed = true;
            return true;
        }
        value = args.at(i + 1);
        args.remove(i, 2);
        return true;
    }
    if (arg.startsWith(name + QLatin1Char('='))) {
        value = arg.mid(name.size() + 1);
        args.removeAt(i);
        return true;
    }
    return false;
}

} // namespace

bool TakeFolderOptions(QStringList& args, QString* error)
{
    Overrides& overrides = CurrentOverrides();
    for (int i = 0; i < args.size();) {
        if (args.at(i) == QLatin1String("--"))
            break;
        bool failed = false;
        if (TakeOption(args, i, QStringLiteral("--program-dir"), overrides.programDir, error,
                       failed) ||
            TakeOption(args, i, QStringLiteral("--windows-dir"), overrides.windowsDir, error,
                       failed)) {
            if (failed)
                return false;
            continue;
        }
        ++i;
    }
    return true;
}

void SetFolderOverrides(const QString& programDir, const QString& windowsDir)
{
    CurrentOverrides() = Overrides{programDir, windowsDir};
}

QString ProgramFolder()
{
    QString dir = CurrentOverrides().programDir;
    if (dir.isEmpty())
        dir = FromEnvironment("DIALTALLY_PROGRAM_DIR");
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
              QStringLiteral("/dialtally");
    return Absolute(dir);
}

QString WindowsFolder()
{
    QString dir = CurrentOverrides().windowsDir;
    if (dir.isEmpty())
        dir = FromEnvironment("DIALTALLY_WINDOWS_DIR");
    if (dir.isEmpty())
        return ProgramFolder() + QStringLiteral("/windows");
    return Absolute(dir);
}

bool EnsureFolder(const QString& path, QString* error)
{
    if (QDir().mkpath(path))
        return true;
    if (error)
        *error =
            QStringLiteral("Cannot create the folder \"%1\".").arg(QDir::toNativeSeparators(path));
    return false;
}

QString ExecutableFolder()
{
    // /proc/self/exe works without an application object, so every tool and test can ask.
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath())
        .absolutePath();
}

QString ShippedFile(const QString& name)
{
    const QStringList candidates = {
        QDir(ExecutableFolder()).filePath(name),
        QDir(QStringLiteral(DIALTALLY_INSTALL_DATADIR)).filePath(name),
    };
    for (const QString& candidate : candidates) {
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return {};
}

} // namespace dialtally
