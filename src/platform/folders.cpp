#include "platform/folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dialtally {

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

QString OwnerName(const QString& path)
{
    QString existing = QFileInfo(path).absoluteFilePath();
    while (!QFileInfo::exists(existing) && existing != QLatin1String("/"))
        existing = QFileInfo(existing).absolutePath();
    struct stat info;
    if (::stat(QFile::encodeName(existing).constData(), &info) != 0)
        return {};
    const passwd* user = ::getpwuid(info.st_uid);
    return user ? QString::fromLocal8Bit(user->pw_name) : QString();
}

bool RunningAsAdministrator()
{
    return ::geteuid() == 0;
}

} // namespace dialtally
