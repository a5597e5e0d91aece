#pragma once

#include <QString>
#include <QStringList>

namespace dialtally {

// Folders and shipped files. Where the program's own folders are is decided once in main()
// (platform/places.h).

// Creates the folder and its parents when missing.
bool EnsureFolder(const QString& path, QString* error = nullptr);

// A file that ships with the program (the companion logger, the help file, the agreement text):
// looked up beside the running executable, then in the install's share folder. Empty when absent.
QString ShippedFile(const QString& name);

// The folder of the running executable.
QString ExecutableFolder();

// The user who owns path, or the nearest folder above it that exists; empty when none is known.
QString OwnerName(const QString& path);
// Whether this process has the administrator's rights (root).
bool RunningAsAdministrator();

} // namespace dialtally
