#include "log/update.h"

#include "log/datafile.h"
#include "log/updatejournal.h"
#include "log/workrecords.h"
#include "platform/files.h"
#include "platform/folders.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace dialtally {
namespace {

constexpr int kRenameRetryMilliseconds = 2000;
// A read-only session log has its write permission given back this many times before the update
// gives up.
constexpr int kOpenAttempts = 3;
// The logger holds the data lock only while it appends one batch.
constexpr auto kDataLockWait = std::chrono::seconds(30);

// Errors of a file that someone else holds at the moment; they may pass.
bool IsBusyError(int error)
{
    return error == EBUSY || error == ETXTBSY;
}

bool IsAccessError(int error)
{
    return error == EACCES || error == EPERM || IsBusyError(error);
}

QString Decoded(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

QString SystemError(const QString& action, const std::string& path, int error)
{
    return QStringLiteral("Cannot %1 \"%2\": %3")
        .arg(action, Decoded(path), QString::fromLocal8Bit(std::strerror(error)));
}

bool Exists(const std::string& path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { Close(); }
    int Get() const { return m_fd; }
    void Reset(int fd)
    {
        Close();
        m_fd = fd;
    }
    void Close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

// One run of the update. Holding the update lock it finishes a work file left over by an
// earlier run, then takes the data file over and does the same with it. Every step that fails
// keeps the work file and the journal, so the next run can do it again.
class UpdateRun {
public:
    UpdateRun(const UpdateSettings& settings, UpdateReport& report)
        : m_settings(settings), m_report(report),
          m_files(HandoverFiles::InFolder(QFile::encodeName(settings.windowsDir).toStdString())),
          m_logPath(
              QFile::encodeName(QDir(settings.programDir).filePath(kSessionLogName)).toStdString())
    {
    }

    // Runs change with the update lock held, after a left-over work file is finished.
    bool RunExclusive(const std::function<bool(QString* error)>& change)
    {
        if (!TakeUpdateLock() || !FinishLeftOverWork())
            return false;
        m_log.Close();
        QString error;
        if (change(&error))
            return true;
        return Fail(error);
    }

    // Four steps: one update at a time; a work file that an earlier run left is done first; the
    // data file is claimed; its lines are appended.
    bool Run()
    {
        // Nothing logged and nothing left over: the Windows folder is not even touched.
        if (!Exists(m_files.data) && !Exists(m_files.work))
            return true;
        return TakeUpdateLock() && FinishLeftOverWork() && ClaimDataFile() &&
               (!m_claimed || FinishWorkFile());
    }

private:
    bool Fail(const QString& message)
    {
        m_report.error = message;
        return false;
    }

    bool TakeUpdateLock()
    {
        if (m_updateLock.Acquire(m_files.lock, HandoverLockKind::Update,
                                 std::chrono::seconds(kUpdateWaitSeconds)))
            return true;
        if (errno == EWOULDBLOCK)
            return Fail(QStringLiteral("Another update of \"%1\" has been running for %2 seconds; "
                                       "nothing was changed.")
                            .arg(Decoded(m_files.data))
                            .arg(kUpdateWaitSeconds));
        return Fail(SystemError(QStringLiteral("open"), m_files.lock, errno));
    }

    bool OpenLog()
    {
        EnsureFolder(m_settings.programDir);
        int openError = 0;
        for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
            m_log.Reset(::open(m_logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
            if (m_log.Get() >= 0)
                return true;
            openError = errno;
            if (!IsAccessError(openError))
                break;
            MakeWritableForOwner(m_logPath.c_str());
        }
        return Fail(SystemError(QStringLiteral("open"), m_logPath, openError));
    }

    // Cuts the session log of the interrupted run back to its length before that run appended.
    bool UndoInterruptedRun()
    {
        bool damaged = false;
        std::string why;
        const std::optional<UpdateJournal> journal =
            ReadUpdateJournal(m_files.journal, &damaged, &why);
        if (damaged)
            return Fail(
                QStringLiteral("Cannot finish the interrupted update of \"%1\": its journal "
                               "\"%2\" cannot be read: %3")
                    .arg(Decoded(m_files.work), Decoded(m_files.journal),
                         QString::fromLocal8Bit(why.c_str())));
        if (!journal) {
            // Left by a program that kept no journal: nothing tells what of it was appended.
            m_report.interruptedWithoutJournal = true;
            return true;
        }
        // The log that the interrupted run appended to, as long as it is still that file.
        dev_t device;
        ino_t inode;
        off_t size = 0;
        if (!FileIdentity(journal->logPath, device, inode, &size) || device != journal->device ||
            inode != journal->inode || size <= journal->length)
            return true;
        if (::truncate(journal->logPath.c_str(), journal->length) != 0)
            return Fail(SystemError(QStringLiteral("cut back"), journal->logPath, errno));
        m_report.recordsUndone += (size - journal->length + kLogRecordSize - 1) / kLogRecordSize;
        return true;
    }

    // Cuts the torn end of a record off the log and journals its length before appending.
    bool BeginWork()
    {
        dev_t device;
        ino_t inode;
        off_t size = 0;
        if (!FileIdentity(m_log.Get(), device, inode, &size))
            return Fail(SystemError(QStringLiteral("read the length of"), m_logPath, errno));
        const off_t torn = size % static_cast<off_t>(kLogRecordSize);
        if (torn != 0) {
            if (::ftruncate(m_log.Get(), size - torn) != 0)
                return Fail(SystemError(QStringLiteral("cut the torn end of"), m_logPath, errno));
            m_report.tornBytesCut += torn;
            size -= torn;
        }
        m_logStart = size;
        if (!WriteUpdateJournal(m_files.journal, {m_logPath, device, inode, size}))
            return Fail(QStringLiteral("Cannot update from \"%1\": %2")
                            .arg(Decoded(m_files.data),
                                 SystemError(QStringLiteral("write"), m_files.journal, errno)));
        return true;
    }

    bool FinishLeftOverWork()
    {
        if (!Exists(m_files.work)) {
            // A journal without a work file is of a run that ended after its work file was gone,
            // or before its rename.
            ::unlink(m_files.journal.c_str());
            return true;
        }
        m_report.finishedInterrupted = true;
        return OpenLog() && UndoInterruptedRun() && BeginWork() && SettleBatch() &&
               FinishWorkFile();
    }

    bool ClaimDataFile()
    {
        if (!Exists(m_files.data))
            return true;
        if ((m_log.Get() < 0 && !OpenLog()) || !BeginWork() || !TakeDataFile(m_claimed))
            return false;
        if (!m_claimed)
            ::unlink(m_files.journal.c_str());
        return true;
    }

    // Claims the data file: it becomes the work file once the logger is between batches.
    bool TakeDataFile(bool& renamed)
    {
        off_t cut = 0;
        std::string why;
        const bool ok = dialtally::ClaimDataFile(
            m_files, kDataLockWait,
            [this] {
                if (m_settings.sleep)
                    m_settings.sleep(kRenameRetryMilliseconds);
            },
            &renamed, &cut, &why);
        m_report.renamed = renamed;
        m_report.batchBytesCut += cut;
        if (ok)
            return true;
        // Nothing was claimed when the rename failed; a claimed work file waits with its journal.
        if (!renamed)
            ::unlink(m_files.journal.c_str());
        return Fail(QStringLiteral("Cannot update from \"%1\": %2")
                        .arg(Decoded(m_files.data), QString::fromLocal8Bit(why.c_str())));
    }

    // A batch that a killed logger left half written at the end of a left-over work file is cut
    // away; the logger delivers it again, whole.
    bool SettleBatch()
    {
        HandoverLock dataLock;
        if (!dataLock.Acquire(m_files.lock, HandoverLockKind::Data, kDataLockWait))
            return Fail(QStringLiteral("The companion logger did not let go of \"%1\" within %2 "
                                       "seconds; the work file waits for the next update.")
                            .arg(Decoded(m_files.lock))
                            .arg(kDataLockWait.count()));
        off_t cut = 0;
        std::string why;
        if (!SettleUnconfirmedBatch(m_files, &cut, &why))
            return Fail(QString::fromLocal8Bit(why.c_str()));
        m_report.batchBytesCut += cut;
        return true;
    }

    bool FinishWorkFile()
    {
        FileDescriptor work(::open(m_files.work.c_str(), O_RDONLY | O_CLOEXEC));
        if (work.Get() < 0)
            return Fail(SystemError(QStringLiteral("open"), m_files.work, errno));
        const std::int64_t appendedBefore = m_report.appended;
        int error = 0;
        WorkFileEnd end =
            AppendWorkFileRecords(work.Get(), m_log.Get(), m_settings.dialect, m_report, &error);
        // The records must be on disk before the lines they came from are deleted.
        if (end != WorkFileEnd::WriteFailed && !SyncFileData(m_log.Get())) {
            end = WorkFileEnd::WriteFailed;
            error = errno;
        }
        switch (end) {
        case WorkFileEnd::WriteFailed:
            return CutBackAfterWriteFailure(error, appendedBefore);
        case WorkFileEnd::ReadFailed:
            return Fail(SystemError(QStringLiteral("read"), m_files.work, error) + KeptText());
        case WorkFileEnd::TooManyErrors:
            return Fail(QStringLiteral("More than %1 fields of \"%2\" hold an unusable date (the "
                                       "last one is field %3).")
                            .arg(kMaxOtherFieldErrors)
                            .arg(Decoded(m_files.work))
                            .arg(m_report.stoppedAtField) +
                        KeptText());
        case WorkFileEnd::Unterminated:
        case WorkFileEnd::Complete:
            break;
        }
        if (!DeleteWorkFile())
            return false;
        if (end == WorkFileEnd::Unterminated)
            return Fail(QStringLiteral("The last field of \"%1\" has no end; it was dropped.")
                            .arg(Decoded(m_files.work)));
        return true;
    }

    static QString KeptText()
    {
        return QStringLiteral(" The work file is kept for the next update.");
    }

    // Half a run of records would be counted twice when the kept work file is done again.
    bool CutBackAfterWriteFailure(int error, std::int64_t appendedBefore)
    {
        QString message = SystemError(QStringLiteral("write"), m_logPath, error);
        if (::ftruncate(m_log.Get(), m_logStart) != 0)
            message += QLatin1Char(' ') + SystemError(QStringLiteral("cut back"), m_logPath, errno);
        m_report.appended = appendedBefore;
        return Fail(message + KeptText());
    }

    // The work file goes first, then its journal: a journal without a work file is stale.
    bool DeleteWorkFile()
    {
        if (::unlink(m_files.work.c_str()) != 0) {
            int error = errno;
            bool deleted = false;
            if (IsAccessError(error)) {
                MakeWritableForOwner(m_files.work.c_str());
                deleted = ::unlink(m_files.work.c_str()) == 0;
                error = errno;
            }
            if (!deleted)
                return Fail(SystemError(QStringLiteral("delete"), m_files.work, error) +
                            QStringLiteral(" It is finished at the next update."));
        }
        m_report.workFileDeleted = true;
        SyncFolder(m_files.folder);
        ::unlink(m_files.journal.c_str());
        return true;
    }

    const UpdateSettings& m_settings;
    UpdateReport& m_report;
    const HandoverFiles m_files;
    const std::string m_logPath;
    HandoverLock m_updateLock;
    FileDescriptor m_log;
    off_t m_logStart = 0;
    bool m_claimed = false;
};

} // namespace

UpdateSettings UpdateSettingsFor(const Places& places)
{
    UpdateSettings settings;
    settings.windowsDir = places.windowsDir;
    settings.programDir = places.programDir;
    settings.dialect = places.dialect;
    settings.sleep = [](int milliseconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    };
    return settings;
}

bool UpdateSessionLog(const UpdateSettings& settings, UpdateReport* reportOut)
{
    UpdateReport localReport;
    UpdateReport& report = reportOut ? *reportOut : localReport;
    report = UpdateReport();
    // Without a Windows folder nothing can have been logged.
    if (settings.windowsDir.isEmpty())
        return true;
    return UpdateRun(settings, report).Run();
}

bool ChangeSessionLog(const UpdateSettings& settings,
                      const std::function<bool(QString* error)>& change, UpdateReport* reportOut)
{
    UpdateReport localReport;
    UpdateReport& report = reportOut ? *reportOut : localReport;
    report = UpdateReport();
    // Without a Windows folder there is no update to keep away.
    if (settings.windowsDir.isEmpty())
        return change(&report.error);
    EnsureFolder(settings.windowsDir);
    return UpdateRun(settings, report).RunExclusive(change);
}

QStringList UpdateWarnings(const UpdateReport& report)
{
    QStringList warnings;
    if (report.tornBytesCut > 0)
        warnings << QStringLiteral("The session log ended in %1 bytes of a torn record; they were "
                                   "cut off before appending.")
                        .arg(report.tornBytesCut);
    if (report.finishedInterrupted && report.interruptedWithoutJournal)
        warnings << QStringLiteral("A work file left by an earlier update was done in full; "
                                   "nothing told what of it was already in the session log.");
    else if (report.finishedInterrupted)
        warnings << QStringLiteral("An interrupted update was finished first (%1 of its records "
                                   "were cut back and written again).")
                        .arg(report.recordsUndone);
    if (report.batchBytesCut > 0)
        warnings << QStringLiteral("%1 bytes of a batch that the logger did not finish were cut "
                                   "off; the logger delivers that batch again.")
                        .arg(report.batchBytesCut);
    if (report.skipped + report.otherErrors > 0)
        warnings << QStringLiteral("%1 fields skipped").arg(report.skipped + report.otherErrors);
    return warnings;
}

SessionList LoadSessions(ProgressBar* bar, const UpdateSettings& settings, UpdateReport* report,
                         QString* readError)
{
    UpdateSessionLog(settings, report);
    AdvanceProgress(bar, 1);
    // Sessions are built while the log is read, so the events never stand in memory as a whole;
    // the reading and the building steps of the bar follow each other at the end.
    SessionList sessions;
    ReadSessions(settings.programDir, sessions, readError);
    AdvanceProgress(bar, 1);
    AdvanceProgress(bar, 2);
    return sessions;
}

} // namespace dialtally
