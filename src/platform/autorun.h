#pragma once

#include <QString>
#include <QStringList>

namespace dialtally {

// The companion logger starts at login through an XDG autostart entry, entryPath
// (Places::AutostartEntry(): "autostart/dtallywr.desktop" in the configuration folder).

// Writes the entry so that the session manager runs program with arguments at login; replaces an
// older entry. Returns false with a message when it cannot be written.
bool EnableAutorun(const QString& entryPath, const QString& program, const QStringList& arguments,
                   QString* error = nullptr);
// Removes the entry; true also when there was none.
bool DisableAutorun(const QString& entryPath, QString* error = nullptr);
bool IsAutorunEnabled(const QString& entryPath);

// The Exec line of a desktop entry: every argument quoted where needed, "%" doubled.
QString DesktopExecLine(const QString& program, const QStringList& arguments);

} // namespace dialtally
