#pragma once

#include <QString>
#include <QStringList>

namespace dialtally {

// Where the program keeps its files. The program folder holds the session log, its backup and
// the log of the previous format; the Windows folder holds the companion logger's data file.
//
// Each folder comes from, in this order: the command-line option (--program-dir DIR,
// --windows-dir DIR), the environment (DIALTALLY_PROGRAM_DIR, DIALTALLY_WINDOWS_DIR), the default
// ($XDG_DATA_HOME/dialtally, and its subfolder "windows"). Every executable resolves folders here.

// Takes --program-dir and --windows-dir (also in the form --option=DIR) out of args and remembers
// them for ProgramFolder() and WindowsFolder(). Stops at "--" and returns false with a message
// when an option lacks its value.
bool TakeFolderOptions(QStringList& args, QString* error = nullptr);
void SetFolderOverrides(const QString& programDir, const QString& windowsDir);

// Absolute paths, not created by asking; use EnsureFolder() before writing into one.
QString ProgramFolder();
QString WindowsFolder();

// Creates the folder and its parents when missing.
bool EnsureFolder(const QString& path, QString* error = nullptr);

// A file that ships with the program (the companion logger, the help file, the agreement text):
// looked up beside the running executable, then in the install's share folder. Empty when absent.
QString ShippedFile(const QString& name);

// The folder of the running executable.
QString ExecutableFolder();

} // namespace dialtally
