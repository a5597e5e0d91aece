#include "log/update.h"

#include "log/adapterline.h"
#include "log/datafields.h"
#include "log/writeall.h"
#include "platform/folders.h"
#include "platform/system.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace dialtally {
namespace {

constexpr int kRenameRetryMilliseconds = 2000;
// A read-only session log has its write permission given back this many times before the update
// gives up.
constexpr int kOpenAttempts = 3;
// The logger holds its lock on the data file only while it appends one batch.
constexpr auto kLockWait = std::chrono::seconds(10);
constexpr std::size_t kOutputBlock = std::size_t{1} << 20;

bool IsAccessError(int error)
{
    return error == EACCES || error == EPERM || error == EBUSY || error == ETXTBSY;
}

QByteArray NativePath(const QString& dir, const QString& name)
{
    return QFile::encodeName(QDir(dir).filePath(name));
}

QString SystemError(const QString& action, const QByteArray& path, int error)
{
    return QStringLiteral("Cannot %1 \"%2\": %3")
        .arg(action, QFile::decodeName(path), QString::fromLocal8Bit(std::strerror(error)));
}

// The rename must not replace a work file that an earlier update left behind.
int RenameNoReplace(const char* from, const char* to)
{
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // File systems without the flag: a hard link fails when the target exists.
    if (::link(from, to) != 0)
        return errno;
    ::unlink(from);
    return 0;
}

// The logger holds an exclusive lock while it appends a batch; a batch that was under way when
// the rename happened is complete once the lock is ours.
void WaitForLogger(int fd)
{
    const auto deadline = std::chrono::steady_clock::now() + kLockWait;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR)
            return;
        if (std::chrono::steady_clock::now() > deadline)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void ResetAttributes(const char* path)
{
    struct stat info;
    if (::stat(path, &info) == 0)
        ::chmod(path, (info.st_mode & 07777) | S_IWUSR);
}

// The six time fields count as numbers when they are digits after optional blanks, as the line
// parser reads them; a line whose fields are numbers but whose date cannot be formed is an error
// of another kind than a line without a time stamp.
bool TimeFieldsAreNumbers(std::string_view line)
{
    if (line.size() < 19)
        return false;
    constexpr std::pair<std::size_t, std::size_t> kFields[] = {{0, 2},  {3, 2},  {6, 4},
                                                               {11, 2}, {14, 2}, {17, 2}};
    for (const auto& [start, length] : kFields) {
        std::size_t i = start;
        const std::size_t end = start + length;
        while (i < end && line[i] == ' ')
            ++i;
        if (i == end)
            return false;
        for (; i < end; ++i) {
            if (line[i] < '0' || line[i] > '9')
                return false;
        }
    }
    return true;
}

// Consecutive lines nearly always share their date: its day is kept from the last line, and a
// line with the same date bytes and a plain time of day needs no calendar arithmetic. The day
// count of the record is formed from the kept day as ToDayCount forms it, so the bytes are the
// same.
class LineTimeCache {
public:
    // False when the line has no usable time; dayCount is the record's time otherwise.
    bool Get(std::string_view line, double& dayCount)
    {
        int secondOfDay = 0;
        const bool plainTime = PlainTimeOfDay(line, secondOfDay);
        if (plainTime && m_valid && SameDate(line.data())) {
            const double fraction =
                static_cast<double>(secondOfDay) / static_cast<double>(kSecondsPerDay);
            // Before the epoch the time of day still counts forward from midnight.
            dayCount = m_dayNonNegative ? m_day + fraction : m_day - fraction;
            return true;
        }
        const std::optional<DateTime> time = LineTime(line);
        if (!time)
            return false;
        dayCount = ToDayCount(*time);
        if (plainTime) {
            std::memcpy(&m_dateHead, line.data(), 8);
            std::memcpy(&m_dateTail, line.data() + 8, 2);
            // A plain time of day cannot roll the date over, so the day starts secondOfDay
            // before the line, on a whole day.
            const std::int64_t days = (time->seconds - secondOfDay) / kSecondsPerDay;
            m_day = static_cast<double>(days);
            m_dayNonNegative = days >= 0;
            m_valid = true;
        }
        return true;
    }

private:
    static constexpr std::int64_t kSecondsPerDay = 86400;

    bool SameDate(const char* date) const
    {
        std::uint64_t head;
        std::uint16_t tail;
        std::memcpy(&head, date, 8);
        std::memcpy(&tail, date + 8, 2);
        return head == m_dateHead && tail == m_dateTail;
    }

    static bool PlainTimeOfDay(std::string_view line, int& secondOfDay)
    {
        if (line.size() < 19)
            return false;
        int parts[3];
        for (int i = 0; i < 3; ++i) {
            const char high = line[11 + 3 * i];
            const char low = line[12 + 3 * i];
            if (high < '0' || high > '9' || low < '0' || low > '9')
                return false;
            parts[i] = (high - '0') * 10 + (low - '0');
        }
        if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59)
            return false;
        secondOfDay = parts[0] * 3600 + parts[1] * 60 + parts[2];
        return true;
    }

    std::uint64_t m_dateHead = 0;
    std::uint16_t m_dateTail = 0;
    double m_day = 0;
    bool m_dayNonNegative = true;
    bool m_valid = false;
};

// The record as EncodeRecord lays it out, written in place: going through the returned array
// costs a stalled load for every record, as its bytes are read back across the stores that made
// them.
void PutRecord(unsigned char* at, double dayCount, std::int16_t code, std::int32_t value)
{
    std::memcpy(at, &dayCount, 8);
    std::memcpy(at + 8, &code, 2);
    std::memcpy(at + 10, &value, 4);
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

bool Fail(UpdateReport& report, const QString& message)
{
    report.error = message;
    return false;
}

} // namespace

UpdateSettings CurrentUpdateSettings()
{
    UpdateSettings settings;
    settings.windowsDir = WindowsFolder();
    settings.programDir = ProgramFolder();
    settings.dialect = WindowsFamily();
    settings.sleep = [](int milliseconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    };
    return settings;
}

bool UpdateSessionLog()
{
    return UpdateSessionLog(CurrentUpdateSettings());
}

bool UpdateSessionLog(const UpdateSettings& settings, UpdateReport* reportOut)
{
    UpdateReport localReport;
    UpdateReport& report = reportOut ? *reportOut : localReport;
    report = UpdateReport();

    // Without a Windows folder nothing can have been logged.
    if (settings.windowsDir.isEmpty())
        return true;
    const QByteArray dataPath = NativePath(settings.windowsDir, kDataFileName);
    const QByteArray workPath = NativePath(settings.windowsDir, kWorkFileName);

    int renameError = RenameNoReplace(dataPath.constData(), workPath.constData());
    if (IsAccessError(renameError)) {
        if (settings.sleep)
            settings.sleep(kRenameRetryMilliseconds);
        renameError = RenameNoReplace(dataPath.constData(), workPath.constData());
    }
    if (renameError != 0) {
        // No data file is the normal case: nothing was logged since the last update.
        report.workFileLeftOver = renameError == EEXIST;
        return true;
    }
    report.renamed = true;

    FileDescriptor work(::open(workPath.constData(), O_RDONLY | O_CLOEXEC));
    if (work.Get() < 0)
        return Fail(report, SystemError(QStringLiteral("open"), workPath, errno));
    WaitForLogger(work.Get());

    const QByteArray logPath = NativePath(settings.programDir, kSessionLogName);
    EnsureFolder(settings.programDir);
    FileDescriptor log;
    int openError = 0;
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        log.Reset(::open(logPath.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
        if (log.Get() >= 0)
            break;
        openError = errno;
        if (!IsAccessError(openError))
            break;
        ResetAttributes(logPath.constData());
    }
    if (log.Get() < 0)
        return Fail(report, SystemError(QStringLiteral("open"), logPath, openError));

    struct stat logInfo;
    if (::fstat(log.Get(), &logInfo) != 0)
        return Fail(report, SystemError(QStringLiteral("read the length of"), logPath, errno));
    const off_t logStart = logInfo.st_size;

    // Records gather in a fixed block that is written whenever it cannot take one more.
    std::vector<unsigned char> out(kOutputBlock);
    std::size_t outSize = 0;
    bool writeFailed = false;
    int writeError = 0;
    auto flush = [&] {
        if (outSize > 0 && !writeFailed && !WriteAll(log.Get(), out.data(), outSize)) {
            writeFailed = true;
            writeError = errno;
        }
        outSize = 0;
    };

    DataFieldReader reader(work.Get());
    LineTimeCache times;
    bool readFailed = false;
    bool tooManyErrors = false;
    std::string_view field;
    for (;;) {
        const DataFieldReader::Result result = reader.Next(field);
        if (result == DataFieldReader::Result::End)
            break;
        if (result == DataFieldReader::Result::ReadError) {
            readFailed = true;
            break;
        }
        if (result == DataFieldReader::Result::Unterminated) {
            report.unterminatedLastField = true;
            break;
        }
        ++report.fields;
        if (result == DataFieldReader::Result::TooLong) {
            ++report.skipped;
            continue;
        }
        double dayCount = 0;
        if (!times.Get(field, dayCount)) {
            if (!TimeFieldsAreNumbers(field)) {
                ++report.skipped;
            } else if (++report.otherErrors > kMaxOtherFieldErrors) {
                tooManyErrors = true;
                break;
            }
            continue;
        }
        const std::int16_t code = ClassifyMessage(MessageText(field), settings.dialect);
        if (code == 0)
            continue;
        std::int32_t value = 0;
        switch (ValueKind(code)) {
        case 1:
            value = DecimalValue(field);
            break;
        case 2:
            value = HexValue(field);
            break;
        default:
            break;
        }
        PutRecord(out.data() + outSize, dayCount, code, value);
        outSize += kLogRecordSize;
        ++report.appended;
        if (outSize + kLogRecordSize > out.size()) {
            flush();
            if (writeFailed)
                break;
        }
    }
    flush();

    // The records must be on disk before the lines they came from are deleted.
    if (!writeFailed && ::fdatasync(log.Get()) != 0 && errno != EINVAL) {
        writeFailed = true;
        writeError = errno;
    }
    if (writeFailed) {
        // Half a run of records would be counted twice by a later update of the kept work file.
        QString message = SystemError(QStringLiteral("write"), logPath, writeError);
        if (::ftruncate(log.Get(), logStart) != 0)
            message += QLatin1Char(' ') + SystemError(QStringLiteral("cut back"), logPath, errno);
        report.appended = 0;
        return Fail(report, message);
    }
    log.Close();
    if (readFailed)
        return Fail(report, SystemError(QStringLiteral("read"), workPath, errno));
    if (tooManyErrors)
        return Fail(report, QStringLiteral("More than %1 fields of \"%2\" hold an unusable date.")
                                .arg(kMaxOtherFieldErrors)
                                .arg(QFile::decodeName(workPath)));

    if (::unlink(workPath.constData()) != 0) {
        int error = errno;
        bool deleted = false;
        if (IsAccessError(error)) {
            ResetAttributes(workPath.constData());
            deleted = ::unlink(workPath.constData()) == 0;
            error = errno;
        }
        if (!deleted)
            return Fail(report, SystemError(QStringLiteral("delete"), workPath, error));
    }
    report.workFileDeleted = true;
    if (report.unterminatedLastField)
        return Fail(report, QStringLiteral("The last field of \"%1\" has no end.")
                                .arg(QFile::decodeName(workPath)));
    return true;
}

SessionList LoadSessions(ProgressBar* bar, const UpdateSettings& settings)
{
    UpdateSessionLog(settings);
    AdvanceProgress(bar, 1);
    // Sessions are built while the log is read, so the events never stand in memory as a whole;
    // the reading and the building steps of the bar follow each other at the end.
    SessionList sessions;
    ReadSessions(settings.programDir, sessions);
    AdvanceProgress(bar, 1);
    AdvanceProgress(bar, 2);
    return sessions;
}

SessionList LoadSessions(ProgressBar* bar)
{
    return LoadSessions(bar, CurrentUpdateSettings());
}

} // namespace dialtally
