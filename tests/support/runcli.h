#pragma once

#include <QByteArray>
#include <QDir>
#include <QProcess>
#include <QStringList>

namespace dialtally {

struct CliResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// The caller's environment with every folder of the program inside dir, so that a test never
// touches the user's own log or settings.
inline QProcessEnvironment TestEnvironment(const QDir& dir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DIALTALLY_PROGRAM_DIR", dir.path());
    env.insert("DIALTALLY_WINDOWS_DIR", dir.filePath("windows"));
    env.insert("XDG_DATA_HOME", dir.filePath("data"));
    env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    return env;
}

// Runs the built dialtally-cli; exitCode stays -1 when it does not finish within a minute.
inline CliResult RunCli(const QStringList& args, const QProcessEnvironment& env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(DIALTALLY_BIN_DIR "/dialtally-cli"), args);
    if (!process.waitForFinished(60000))
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

} // namespace dialtally
