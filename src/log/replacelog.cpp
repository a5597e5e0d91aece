#include "log/replacelog.h"

#include "log/writeall.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace dialtally {
namespace {

std::string PathIn(const QString& folder, const QString& name)
{
    return QFile::encodeName(QDir(folder).filePath(name)).toStdString();
}

QString Shown(const std::string& path)
{
    return QDir::toNativeSeparators(QFile::decodeName(path.c_str()));
}

bool Fail(ReplaceResult& result, const QString& action, const std::string& path, int error)
{
    result.errorNumber = error;
    result.error = QStringLiteral("Cannot %1 \"%2\": %3")
                       .arg(action, Shown(path), QString::fromLocal8Bit(std::strerror(error)));
    return false;
}

bool Exists(const std::string& path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

// Writes the new content into a file of its own beside the log, with the log's permissions.
bool WriteAside(const std::string& newPath, const std::string& logPath,
                const LogContentWriter& write, ReplaceResult& result)
{
    struct stat log;
    const mode_t mode = ::stat(logPath.c_str(), &log) == 0 ? (log.st_mode & 07777) : 0644;
    const int fd = ::open(newPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0)
        return Fail(result, QStringLiteral("create"), newPath, errno);
    QString error;
    errno = 0;
    bool ok = write(fd, &error);
    int failure = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    if (ok)
        return true;
    ::unlink(newPath.c_str());
    // A writer that says nothing failed at writing the new file.
    if (error.isEmpty())
        return Fail(result, QStringLiteral("write"), newPath, failure);
    result.errorNumber = failure;
    result.error = error;
    return false;
}

// The log becomes the backup by a second name, so that it never stops being the log until the
// new content takes its place.
bool BackUpByLink(const std::string& logPath, const std::string& backupPath, bool* linksWork,
                  ReplaceResult& result)
{
    if (::link(logPath.c_str(), backupPath.c_str()) == 0) {
        *linksWork = true;
        return true;
    }
    const int error = errno;
    *linksWork = false;
    // File systems without hard links get the rename of the rule instead.
    if (error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EMLINK)
        return true;
    return Fail(result, QStringLiteral("make the backup"), backupPath, error);
}

bool PutNewInPlace(const std::string& newPath, const std::string& logPath,
                   const std::string& backupPath, bool linked, ReplaceResult& result)
{
    if (!linked && ::rename(logPath.c_str(), backupPath.c_str()) != 0) {
        ::unlink(newPath.c_str());
        return Fail(result, QStringLiteral("rename the log to"), backupPath, errno);
    }
    if (::rename(newPath.c_str(), logPath.c_str()) == 0) {
        result.backedUp = true;
        return true;
    }
    Fail(result, QStringLiteral("rename the new log to"), logPath, errno);
    ::unlink(newPath.c_str());
    // The folder must not be left without a log: the backup takes its name back.
    if (!linked && ::rename(backupPath.c_str(), logPath.c_str()) != 0)
        result.logOnlyInBackup = !Exists(logPath);
    return false;
}

} // namespace

bool ReplaceSessionLog(const QString& programDir, const LogContentWriter& write,
                       ReplaceResult* resultOut)
{
    ReplaceResult local;
    ReplaceResult& result = resultOut ? *resultOut : local;
    result = ReplaceResult();
    const std::string logPath = PathIn(programDir, kSessionLogName);
    const std::string backupPath = PathIn(programDir, kSessionLogBackupName);
    const std::string newPath = PathIn(programDir, kSessionLogNewName);

    if (!WriteAside(newPath, logPath, write, result))
        return false;
    if (!Exists(logPath)) {
        if (::rename(newPath.c_str(), logPath.c_str()) == 0)
            return true;
        Fail(result, QStringLiteral("rename the new log to"), logPath, errno);
        ::unlink(newPath.c_str());
        return false;
    }
    if (::unlink(backupPath.c_str()) != 0 && errno != ENOENT) {
        Fail(result, QStringLiteral("delete"), backupPath, errno);
        ::unlink(newPath.c_str());
        return false;
    }
    bool linked = false;
    if (!BackUpByLink(logPath, backupPath, &linked, result)) {
        ::unlink(newPath.c_str());
        return false;
    }
    return PutNewInPlace(newPath, logPath, backupPath, linked, result);
}

bool ReplaceSessionLog(const QString& programDir, std::span<const LogEvent> events,
                       ReplaceResult* result)
{
    return ReplaceSessionLog(
        programDir,
        [events](int fd, QString*) {
            // Records go out in blocks: a log of millions of events in a few hundred writes.
            constexpr std::size_t kRecordsPerBlock = 16384;
            std::vector<unsigned char> block;
            block.reserve(kRecordsPerBlock * kLogRecordSize);
            for (std::size_t i = 0; i < events.size(); ++i) {
                const LogRecordBytes bytes = EncodeRecord(events[i]);
                block.insert(block.end(), bytes.begin(), bytes.end());
                if (block.size() == block.capacity() || i + 1 == events.size()) {
                    if (!WriteAll(fd, block.data(), block.size()))
                        return false;
                    block.clear();
                }
            }
            return true;
        },
        result);
}

} // namespace dialtally
