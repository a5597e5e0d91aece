#include "platform/folders.h"

#include <QDir>
#include <QFileInfo>

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

} // namespace dialtally
