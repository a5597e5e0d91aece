#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace dialtally {

// Running companion loggers are registered in a per-user runtime folder, one entry per process:
// a file named after its process id that the logger keeps locked for as long as it runs. An entry
// whose lock is free belongs to a logger that died; it counts as no window and is cleared away.
// This stands in for the logger's window of class "DtallyWr".
//
// The folder is the runtime folder of the places (Places::runtimeDir); it is created with access
// for the user only.

struct LoggerWindow {
    qint64 pid = 0;
    QString entryPath;
};

// Held by a running logger: Register() creates and locks its entry, the destructor removes it.
// A scan never sees the entry before it is locked.
class LoggerRegistration {
public:
    LoggerRegistration() = default;
    LoggerRegistration(const LoggerRegistration&) = delete;
    LoggerRegistration& operator=(const LoggerRegistration&) = delete;
    ~LoggerRegistration();

    bool Register(const QString& folder, QString* error = nullptr);
    void Unregister();

private:
    int m_fd = -1;
    QString m_path;
};

// Starts a program detached from this process (it outlives us), in workingDir when not empty.
// True when the program was started.
bool StartProcess(const QString& program, const QStringList& arguments,
                  const QString& workingDir = QString(), QString* error = nullptr);

// Runs a program and waits up to timeoutMs for it to end, in workingDir when not empty. Its exit
// status; none when it could not be started, crashed, or did not end in time (it is killed then).
std::optional<int> RunProcess(const QString& program, const QStringList& arguments,
                              const QString& workingDir, int timeoutMs);

// The first live logger registered in folder, or none.
std::optional<LoggerWindow> FindLoggerWindow(const QString& folder);
// Every live logger registered in folder.
std::vector<LoggerWindow> FindLoggerWindows(const QString& folder);

// Asks the logger to close (it finishes writing what it has read, then ends) and waits up to
// timeoutMs for it to be gone. True when it is gone.
bool CloseLoggerWindow(const LoggerWindow& window, int timeoutMs = 5000);

// The nearest process above this one (its parent, the parent's parent, ...) whose program name
// is name, such as the pppd that runs the script that runs us; 0 when there is none.
qint64 AncestorProcessNamed(const QString& name);

} // namespace dialtally
