#pragma once

#include "platform/system.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace dialtally {

// Where one run of a program keeps and finds its files, and which dialect the adapter writes.
// Each main() resolves it once (ResolvePlaces) and hands it down to the windows, the commands,
// the update and the settings store; nothing below main() reads the environment.
struct Places {
    QString programDir; // the session log "SesLog.log" and its backup
    QString windowsDir; // the logger's data file "Dtally.dat" and the files beside it
    Dialect dialect = Dialect::Windows98;
    QString configDir;  // the settings file and the logger's autostart entry
    QString runtimeDir; // where running loggers register

    // "Dtallyer.ini" in the configuration folder.
    QString SettingsFile() const;
    // "autostart/dtallywr.desktop" in the configuration folder.
    QString AutostartEntry() const;
};

// The family of the system whose adapter wrote the lines: 1 Windows 95, 2 Windows 98, 0 other.
inline std::int16_t WindowsFamily(const Places& places)
{
    return static_cast<std::int16_t>(places.dialect);
}

// Each place comes from the command-line option, else the environment, else the default:
//   program folder  --program-dir DIR   DIALTALLY_PROGRAM_DIR  $XDG_DATA_HOME/dialtally
//                                                              (~/.local/share/dialtally)
//   Windows folder  --windows-dir DIR   DIALTALLY_WINDOWS_DIR  the program folder's "windows"
//   dialect         --system 95|98|other DIALTALLY_SYSTEM      98
//   configuration                       XDG_CONFIG_HOME        ~/.config
//   logger registry --runtime-dir DIR   DIALTALLY_RUNTIME_DIR  $XDG_RUNTIME_DIR/dialtally, else
//                                                              /tmp/dialtally-UID
// The options (also in the form --option=VALUE) are taken out of args, up to "--". Relative
// folders are made absolute against the current folder. An environment value of DIALTALLY_SYSTEM
// that is not one of the words is ignored. False with a message when an option lacks its value
// or names an unknown system.
bool ResolvePlaces(QStringList& args, const QProcessEnvironment& environment, Places& places,
                   QString* error = nullptr);

} // namespace dialtally
