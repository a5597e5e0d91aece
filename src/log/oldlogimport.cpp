#include "log/oldlogimport.h"

#include "log/numberword.h"
#include "log/sessionlog.h"
#include "log/writeall.h"
#include "platform/files.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace dialtally {
namespace {

const char kJournalHeader[] = "dialtally import journal 1";
constexpr std::size_t kMaxJournal = 4096;

std::string Native(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString SystemError(const QString& action, const std::string& path, int error)
{
    return QStringLiteral("Cannot %1 \"%2\": %3")
        .arg(action, QFile::decodeName(QByteArray::fromStdString(path)),
             QString::fromLocal8Bit(std::strerror(error)));
}

bool Exists(const std::string& path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

// A file as the journal names it: which file it is and how long it was.
struct Identity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;

    static Identity Of(const std::string& path)
    {
        Identity identity;
        identity.exists = FileIdentity(path, identity.device, identity.inode, &identity.size);
        return identity;
    }
    bool SameFile(const Identity& other) const
    {
        return exists && other.exists && device == other.device && inode == other.inode;
    }
    friend bool operator==(const Identity&, const Identity&) = default;
};

struct ImportJournal {
    Identity temp; // the new log, complete
    Identity log;  // the session log that it copied
    Identity old;  // the old log that it converted
};

std::string IdentityText(const char* name, const Identity& identity)
{
    if (!identity.exists)
        return std::string(name) + " none\n";
    return std::string(name) + ' ' + std::to_string(identity.device) + ' ' +
           std::to_string(identity.inode) + ' ' + std::to_string(identity.size) + '\n';
}

bool ParseIdentity(const std::string& line, const char* name, Identity& identity)
{
    identity = Identity();
    if (line == std::string(name) + " none")
        return true;
    std::istringstream in(line);
    std::string word, extra;
    if (!(in >> word) || word != name)
        return false;
    identity.exists = true;
    return ReadNumber(in, identity.device) && ReadNumber(in, identity.inode) &&
           ReadNumber(in, identity.size) && identity.size >= 0 && !(in >> extra);
}

// Empty when there is none, when it does not read as a journal (damaged then) or when it cannot
// be opened (unreadable then, with the reason).
std::optional<ImportJournal> ReadJournal(const std::string& path, bool& damaged,
                                         QString& unreadable)
{
    damaged = false;
    QFile file(QFile::decodeName(QByteArray::fromStdString(path)));
    if (!file.exists())
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly)) {
        unreadable =
            QStringLiteral("Cannot read \"%1\": %2").arg(file.fileName(), file.errorString());
        return std::nullopt;
    }
    damaged = true;
    const std::string text = file.read(kMaxJournal + 1).toStdString();
    std::istringstream in(text);
    std::string header, temp, log, old, rest;
    ImportJournal journal;
    if (text.size() > kMaxJournal || !std::getline(in, header) || header != kJournalHeader ||
        !std::getline(in, temp) || !std::getline(in, log) || !std::getline(in, old) ||
        (in >> rest) || !ParseIdentity(temp, "temp", journal.temp) || !journal.temp.exists ||
        !ParseIdentity(log, "log", journal.log) || !ParseIdentity(old, "old", journal.old) ||
        !journal.old.exists)
        return std::nullopt;
    damaged = false;
    return journal;
}

// Replaces the journal in one step and forces it to disk; false with errno set.
bool WriteJournal(const std::string& path, const ImportJournal& journal)
{
    const std::string text = std::string(kJournalHeader) + '\n' +
                             IdentityText("temp", journal.temp) + IdentityText("log", journal.log) +
                             IdentityText("old", journal.old);
    return ReplaceSmallFile(path, text, true);
}

// The files of the import in the program folder.
struct ImportFiles {
    std::string folder;
    std::string oldLog;
    std::string temp;
    std::string journal;
    std::string log;
    std::string retired;

    explicit ImportFiles(const QString& programDir)
    {
        const QDir dir(programDir);
        folder = Native(programDir);
        oldLog = Native(dir.filePath(kOldLogName));
        temp = Native(dir.filePath(kTempLogName));
        journal = Native(dir.filePath(kImportJournalName));
        log = Native(dir.filePath(kSessionLogName));
        retired = Native(dir.filePath(kRetiredLogName));
    }
};

bool Unlink(const std::string& path, QString* error)
{
    if (::unlink(path.c_str()) == 0 || errno == ENOENT)
        return true;
    if (error)
        *error = SystemError(QStringLiteral("delete"), path, errno);
    return false;
}

// The journal goes first: a journal without its new log says that the new log is in place.
void Abandon(const ImportFiles& files)
{
    ::unlink(files.journal.c_str());
    SyncFolder(files.folder);
    ::unlink(files.temp.c_str());
}

// The old log that the journal names becomes "OldLog.log" once its records are in the session
// log; then the journal goes. An old log that is another file came after it was retired.
bool RetireAndClose(const ImportFiles& files, const Identity& old, QString* error)
{
    if (Identity::Of(files.oldLog) == old &&
        ::rename(files.oldLog.c_str(), files.retired.c_str()) != 0) {
        if (error)
            *error = SystemError(QStringLiteral("rename"), files.oldLog, errno);
        return false;
    }
    SyncFolder(files.folder);
    return Unlink(files.journal, error);
}

// The new log replaces the session log in one step.
bool PutInPlace(const ImportFiles& files, QString* error)
{
    if (::rename(files.temp.c_str(), files.log.c_str()) != 0) {
        if (error)
            *error = SystemError(QStringLiteral("rename"), files.temp, errno);
        return false;
    }
    if (!SyncFolder(files.folder)) {
        if (error)
            *error = SystemError(QStringLiteral("write"), files.folder, errno);
        return false;
    }
    return true;
}

bool SettleJournal(const ImportFiles& files, ImportReport& report, QString* error)
{
    bool damaged = false;
    QString unreadable;
    const std::optional<ImportJournal> journal = ReadJournal(files.journal, damaged, unreadable);
    // Without its journal nothing tells whether the old log's records are in place already.
    if (!unreadable.isEmpty()) {
        if (error)
            *error = unreadable;
        return false;
    }
    if (!journal) {
        // A damaged journal was never followed by the rename: it is on disk whole before.
        if (damaged) {
            report.abandonedInterrupted = true;
            Abandon(files);
        }
        return true;
    }
    if (!Exists(files.temp)) {
        // Only the rename takes the new log away while its journal stands: it is in place.
        report.finishedInterrupted = true;
        return RetireAndClose(files, journal->old, error);
    }
    if (Identity::Of(files.temp) == journal->temp && Identity::Of(files.log) == journal->log &&
        Identity::Of(files.oldLog) == journal->old) {
        report.finishedInterrupted = true;
        return PutInPlace(files, error) && RetireAndClose(files, journal->old, error);
    }
    // The session log changed since (an update appended), or the new log or the old log is not
    // the one named: the new log is out of date and the old log waits for the next import.
    report.abandonedInterrupted = true;
    Abandon(files);
    return true;
}

// Deletes a left-over new log, converts the old log and puts the current log behind it.
ImportOutcome BuildNewLog(const ImportFiles& files, const QString& programDir, ProgressBar* bar,
                          const RegionalDateForm& form, ImportReport& report)
{
    const QDir dir(programDir);
    if (!Unlink(files.temp, &report.error))
        return ImportOutcome::Failed;
    if (bar) {
        bar->SetText(kImportingText);
        bar->SetText(kReadingOldLogText);
    }
    if (!ConvertOldLog(dir.filePath(kOldLogName), dir.filePath(kTempLogName), bar,
                       kReadingOldLogText, kWritingImportText, form, &report.counts, &report.error))
        return ImportOutcome::ReadFailed;
    if (Exists(files.log)) {
        if (bar)
            bar->SetText(kAppendingText);
        if (!AppendLogFile(dir.filePath(kTempLogName), dir.filePath(kSessionLogName),
                           &report.currentRecords, &report.error))
            return ImportOutcome::AppendFailed;
    } else {
        // Without a current log nothing else forces the records to disk before the rename.
        const int fd = ::open(files.temp.c_str(), O_WRONLY | O_CLOEXEC);
        const bool synced = fd >= 0 && SyncFileData(fd);
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        if (!synced) {
            report.error = SystemError(QStringLiteral("write"), files.temp, error);
            return ImportOutcome::ReadFailed;
        }
    }
    return ImportOutcome::Imported;
}

ImportOutcome Import(const QString& programDir, ProgressBar* bar, const RegionalDateForm& form,
                     ImportReport& report)
{
    const ImportFiles files(programDir);
    if (!SettleJournal(files, report, &report.error))
        return ImportOutcome::Failed;
    if (!Exists(files.oldLog))
        return ImportOutcome::NoOldLog;
    // What the new log copies and converts; nothing changes them while the lock is held.
    const Identity log = Identity::Of(files.log);
    const Identity old = Identity::Of(files.oldLog);
    const ImportOutcome built = BuildNewLog(files, programDir, bar, form, report);
    if (built != ImportOutcome::Imported) {
        ::unlink(files.temp.c_str());
        return built;
    }
    // An older "OldLog.log" that cannot be deleted would stop the import after its new log is in
    // place; it goes now, while everything can still be left as it was.
    if (Exists(files.retired) && !Unlink(files.retired, &report.error)) {
        ::unlink(files.temp.c_str());
        return ImportOutcome::Failed;
    }
    if (!WriteJournal(files.journal, {Identity::Of(files.temp), log, old})) {
        report.error = SystemError(QStringLiteral("write"), files.journal, errno);
        Abandon(files);
        return ImportOutcome::Failed;
    }
    if (!PutInPlace(files, &report.error)) {
        Abandon(files);
        return ImportOutcome::Failed;
    }
    // From here the import is done: a failure leaves the journal, and the next import only
    // retires the old log.
    if (!RetireAndClose(files, old, &report.error))
        return ImportOutcome::Failed;
    if (bar)
        bar->SetText(kImportedText);
    return ImportOutcome::Imported;
}

} // namespace

bool OldLogExists(const QString& programDir)
{
    return Exists(Native(QDir(programDir).filePath(kOldLogName)));
}

bool FinishInterruptedImport(const UpdateSettings& settings, ImportReport* reportOut,
                             QString* error)
{
    ImportReport localReport;
    ImportReport& report = reportOut ? *reportOut : localReport;
    const ImportFiles files(settings.programDir);
    // Nothing to settle: the lock is not even taken.
    if (!Exists(files.journal))
        return true;
    UpdateReport update;
    const bool ok = ChangeSessionLog(
        settings, [&](QString* changeError) { return SettleJournal(files, report, changeError); },
        &update);
    if (!ok && error)
        *error = update.error;
    return ok;
}

ImportReport ImportOldLogFile(const UpdateSettings& settings, ProgressBar* bar,
                              const RegionalDateForm& form)
{
    ImportReport report;
    UpdateReport update;
    const bool changed = ChangeSessionLog(
        settings,
        [&](QString*) {
            report.outcome = Import(settings.programDir, bar, form, report);
            return true;
        },
        &update);
    if (!changed) {
        // The lock could not be had, or an update cut short could not be finished first.
        report.outcome = ImportOutcome::Failed;
        report.error = update.error;
    }
    return report;
}

bool DiscardOldLog(const UpdateSettings& settings, QString* error)
{
    UpdateReport update;
    const bool ok = ChangeSessionLog(
        settings,
        [&](QString* changeError) {
            const ImportFiles files(settings.programDir);
            ImportReport report;
            // An import cut short may have put the old log's records in place already; then
            // they stay, and the old log is retired as usual.
            return SettleJournal(files, report, changeError) &&
                   (!Exists(files.oldLog) || RetireOldLog(settings.programDir, changeError));
        },
        &update);
    if (!ok && error)
        *error = update.error;
    return ok;
}

} // namespace dialtally
