#include "app/cli/cliargs.h"
#include "app/cli/commands.h"
#include "control/adapterregistry.h"
#include "log/loggersource.h"
#include "platform/autorun.h"
#include "platform/folders.h"
#include "platform/processes.h"
#include "platform/registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <cstdio>

namespace dialtally {
namespace {

// Where pppd's syslog messages land on the usual systems, in the order they are looked for.
const QStringList kSyslogFiles = {QStringLiteral("/var/log/syslog"),
                                  QStringLiteral("/var/log/messages")};
const QString kScriptName = QStringLiteral("dialtally");

QString DefaultSource()
{
    for (const QString& path : kSyslogFiles) {
        if (QFileInfo::exists(path))
            return path;
    }
    return kSyslogFiles.first();
}

// A word for a shell script between single quotes.
QString ShellWord(const QString& text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString SystemName(Dialect dialect)
{
    return dialect == Dialect::Windows95 ? QStringLiteral("95") : QStringLiteral("98");
}

// pppd runs its scripts as root. The logger's files belong to the user whose folders they are:
// the hook runs as that user, so that the logger and the update can go on writing them.
QString HookScript(const QString& phase, const Places& places, AdapterLanguage language,
                   const QString& runAs)
{
    QStringList words;
    if (!runAs.isEmpty())
        words << QStringLiteral("runuser -u") << ShellWord(runAs) << QStringLiteral("--");
    words << ShellWord(ShippedFile(QStringLiteral("dtallywr"))) << QStringLiteral("--program-dir")
          << ShellWord(places.programDir) << QStringLiteral("--windows-dir")
          << ShellWord(places.windowsDir) << QStringLiteral("--system")
          << SystemName(places.dialect) << QStringLiteral("--language")
          << AdapterLanguageCode(language) << QStringLiteral("--ppp-hook") << phase;
    return QStringLiteral("#!/bin/sh\n"
                          "# Written by dialtally-cli setup-pppd: pppd runs this when the link "
                          "goes %1;\n"
                          "# Dialtally records the connection from pppd's CONNECT_TIME, "
                          "BYTES_SENT and BYTES_RCVD.\n"
                          "exec %2\n")
        .arg(phase, words.join(QLatin1Char(' ')));
}

bool WriteScript(const QString& path, const QString& text, QString* error)
{
    QSaveFile file(path);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !file.open(QIODevice::WriteOnly) ||
        file.write(text.toLocal8Bit()) < 0 || !file.commit()) {
        *error = QStringLiteral("cannot write \"%1\": %2").arg(path, file.errorString());
        return false;
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                    QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                    QFile::ExeOther);
    return true;
}

int InstallHooks(const Places& places, AdapterLanguage language, const QString& pppDir)
{
    if (ShippedFile(QStringLiteral("dtallywr")).isEmpty())
        return FileFailure(QStringLiteral("the companion logger dtallywr is not installed"));
    const QString owner = OwnerName(places.windowsDir);
    const QString runAs =
        RunningAsAdministrator() && owner != QLatin1String("root") ? owner : QString();
    QString error;
    QStringList written;
    for (const QString& phase : {QStringLiteral("up"), QStringLiteral("down")}) {
        const QString path =
            QDir(pppDir).absoluteFilePath(QStringLiteral("ip-%1.d/%2").arg(phase, kScriptName));
        if (!WriteScript(path, HookScript(phase, places, language, runAs), &error)) {
            if (!RunningAsAdministrator())
                error += QStringLiteral("; pppd's folders belong to root: run this with sudo, "
                                        "naming your folders (--program-dir)");
            return FileFailure(error);
        }
        written << path;
    }
    QString text = QStringLiteral("Wrote %1 and %2.\n").arg(written[0], written[1]);
    text += QStringLiteral("pppd runs them at every connection; when the link goes down, the "
                           "connection is written to\n\"%1\"%2.\n")
                .arg(QDir(places.windowsDir).filePath(QStringLiteral("Dtally.dat")),
                     runAs.isEmpty() ? QString() : QStringLiteral(" as the user %1").arg(runAs));
    text += QStringLiteral("A logger following pppd's log as well does no harm: the ledger "
                           "Dtally.ppp keeps each\nconnection from being written twice.\n");
    PrintOut(text);
    return kExitOk;
}

// The rotated logs beside the source ("syslog.1", "syslog.2.gz", ...) and the source, oldest
// first.
QStringList LogsOldestFirst(const QString& source)
{
    const QFileInfo info(source);
    QFileInfoList logs = info.dir().entryInfoList({info.fileName() + QStringLiteral(".*")},
                                                  QDir::Files | QDir::Readable, QDir::Time);
    QStringList paths;
    for (auto it = logs.crbegin(); it != logs.crend(); ++it)
        paths << it->absoluteFilePath();
    if (info.isReadable())
        paths << info.absoluteFilePath();
    return paths;
}

QStringList FolderArguments(const Places& places)
{
    return {QStringLiteral("--program-dir"), places.programDir,
            QStringLiteral("--windows-dir"), places.windowsDir,
            QStringLiteral("--system"),      SystemName(places.dialect)};
}

// The logger that runs now follows what it was started with: it is closed; the history that the
// logs hold comes in at once, and a new logger follows the source.
bool RestartLogger(const Places& places, const QString& program, const QString& source,
                   QString* error)
{
    for (const LoggerWindow& window : FindLoggerWindows(places.runtimeDir))
        CloseLoggerWindow(window);
    const QStringList logs = LogsOldestFirst(source);
    if (!logs.isEmpty()) {
        // What was printed comes before what the logger prints.
        std::fflush(stdout);
        QProcess once;
        once.setProcessChannelMode(QProcess::ForwardedChannels);
        once.start(program, FolderArguments(places) + QStringList{QStringLiteral("--once")} + logs);
        if (!once.waitForFinished(-1) || once.exitCode() != 0)
            PrintError(QStringLiteral("the logs could not all be read; the logger reads the "
                                      "present one all the same"));
    }
    return StartProcess(program, FolderArguments(places), QString(), error);
}

QString SourceAdvice(const QString& source)
{
    QString text;
    if (!QFileInfo::exists(source)) {
        text += QStringLiteral(
                    "\"%1\" does not exist: this system keeps its log in the journal only.\n"
                    "Either install rsyslog (sudo apt-get install rsyslog), which writes "
                    "pppd's messages there,\nor let the logger read the journal instead:\n"
                    "    journalctl -f -n all -o short-iso -t pppd | dtallywr --source-format pppd "
                    "--source -\n")
                    .arg(source);
    } else if (!QFileInfo(source).isReadable()) {
        text += QStringLiteral("You cannot read \"%1\" yet: add yourself to its group (on Debian "
                               "\"adm\": sudo adduser $USER adm)\nand log in again.\n")
                    .arg(source);
    }
    text += QStringLiteral(
        "pppd sends its messages to syslog (facility daemon); nothing needs to change in its "
        "options.\nTo keep them in a file of their own, add the syslog line\n"
        "    :programname, isequal, \"pppd\" /var/log/ppp.log\n"
        "to /etc/rsyslog.d/30-pppd.conf and run setup-pppd --source /var/log/ppp.log. pppd's "
        "own\noption \"logfile FILE\" works too, but its lines carry no time: they take the "
        "time the\nlogger reads them.\n");
    return text;
}

// The window shows logging on, and switches it, by the dial-up adapter's "Logging" value in the
// emulated system's registry. A machine that dials with pppd has no such file yet: it gets one
// with the adapter's key, logging on. An adapter that is there is switched on; a registry file
// without the adapter (or a damaged one) is the user's and is left as it is.
bool SwitchAdapterLoggingOn(const Places& places, QString* done, QString* error)
{
    const QString file = SystemRegistryFile(places.windowsDir);
    if (!QFileInfo::exists(file)) {
        QSaveFile registry(file);
        const QByteArray text = "REGEDIT4\r\n\r\n"
                                "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class"
                                "\\Net\\0000]\r\n"
                                "\"DriverDesc\"=\"Dial-Up Adapter\"\r\n"
                                "\"DeviceVxDs\"=\"pppmac.vxd\"\r\n"
                                "\"Logging\"=\"1\"\r\n";
        if (!registry.open(QIODevice::WriteOnly) || registry.write(text) != text.size() ||
            !registry.commit()) {
            *error = QStringLiteral("%1: %2").arg(file, registry.errorString());
            return false;
        }
        *done = QStringLiteral("  wrote %1 (the dial-up adapter, its logging on)\n").arg(file);
        return true;
    }
    if (FindAdapterKey(file).isEmpty()) {
        *error = QStringLiteral("%1 holds no dial-up adapter (or cannot be read); it is left as "
                                "it is, and the window shows logging off")
                     .arg(file);
        return false;
    }
    if (!SetAdapterLogging(file, true)) {
        *error = QStringLiteral("%1: the adapter's logging could not be switched on").arg(file);
        return false;
    }
    *done = QStringLiteral("  switched the dial-up adapter's logging on in %1\n").arg(file);
    return true;
}

} // namespace

int RunSetupPppd(const QStringList& args, const Places& places)
{
    CommandArgs parsed;
    QString error;
    if (!parsed.Parse(args,
                      {{QStringLiteral("--source"), true},
                       {QStringLiteral("--language"), true},
                       {QStringLiteral("--install-hooks"), false},
                       {QStringLiteral("--ppp-dir"), true}},
                      &error))
        return UsageError(error);
    if (!parsed.Positional().isEmpty())
        return UsageError(
            QStringLiteral("unexpected argument %1").arg(parsed.Positional().first()));
    if (places.dialect == Dialect::Other)
        return UsageError(QStringLiteral("the update reads no adapter lines on this system "
                                         "(--system other); choose --system 95 or 98"));
    AdapterLanguage language = AdapterLanguage::English;
    if (parsed.Has(QStringLiteral("--language"))) {
        const auto parsedLanguage =
            ParseAdapterLanguage(parsed.Value(QStringLiteral("--language")).toStdString());
        if (!parsedLanguage)
            return UsageError(QStringLiteral("--language takes en, fi, nl, es or it"));
        language = *parsedLanguage;
    }
    if (places.dialect == Dialect::Windows95 && language != AdapterLanguage::English)
        return UsageError(QStringLiteral("the Windows 95 adapter writes English only"));
    if (parsed.Has(QStringLiteral("--install-hooks")))
        return InstallHooks(places, language,
                            parsed.Has(QStringLiteral("--ppp-dir"))
                                ? parsed.Value(QStringLiteral("--ppp-dir"))
                                : QStringLiteral("/etc/ppp"));

    const QString program = ShippedFile(QStringLiteral("dtallywr"));
    if (program.isEmpty())
        return FileFailure(QStringLiteral("the companion logger dtallywr is not installed"));
    LoggerSource source;
    source.format = SourceFormat::Pppd;
    source.path = parsed.Has(QStringLiteral("--source"))
                      ? QFileInfo(parsed.Value(QStringLiteral("--source"))).absoluteFilePath()
                      : DefaultSource();
    source.language = language;
    if (!WriteLoggerSource(places.windowsDir, source, &error))
        return FileFailure(error);
    const QStringList follow = {QStringLiteral("--windows-dir"),   places.windowsDir,
                                QStringLiteral("--source"),        source.path,
                                QStringLiteral("--source-format"), QStringLiteral("pppd"),
                                QStringLiteral("--language"),      AdapterLanguageCode(language)};
    if (!EnableAutorun(places.AutostartEntry(), program, follow, &error))
        return FileFailure(error);
    QString text = QStringLiteral("The companion logger follows pppd's messages in \"%1\":\n")
                       .arg(source.path);
    text += QStringLiteral("  wrote %1 (the source, its format, the adapter's language)\n")
                .arg(LoggerSourceFile(places.windowsDir));
    text +=
        QStringLiteral("  wrote %1 (the logger starts at login)\n").arg(places.AutostartEntry());
    QString registryDone;
    if (SwitchAdapterLoggingOn(places, &registryDone, &error))
        text += registryDone;
    else
        PrintError(error);
    PrintOut(text);
    PrintOut(QStringLiteral("Reading the connections that the logs hold already:\n"));
    if (RestartLogger(places, program, source.path, &error))
        PrintOut(QStringLiteral("Started the logger.\n"));
    else
        PrintError(error);
    PrintOut(SourceAdvice(source.path));
    return kExitOk;
}

} // namespace dialtally
