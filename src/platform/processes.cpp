#include "platform/processes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace dialtally {
namespace {

const QString kEntrySuffix = QStringLiteral(".logger");
// An entry while it is being made; scans do not look at it.
const QString kAsideSuffix = QStringLiteral(".registering");

bool SetError(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return false;
}

// A folder that others could write into would let them fake or hide loggers.
bool EnsurePrivateFolder(const QString& path, QString* error)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return SetError(error, QStringLiteral("Cannot create \"%1\": %2")
                                   .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    struct stat info;
    if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::geteuid() || (info.st_mode & 0077) != 0)
        return SetError(error,
                        QStringLiteral("\"%1\" is not a folder of this user alone.").arg(path));
    return true;
}

enum class EntryState { Live, Dead, Unknown };

// With clear set, a dead entry is removed, but only while its name still stands for the file
// found dead: a logger that registers under the same process id may have put its own there.
EntryState ProbeEntry(const QString& path, bool clear = false)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? EntryState::Dead : EntryState::Unknown;
    EntryState state = EntryState::Live;
    if (::flock(fd, LOCK_SH | LOCK_NB) == 0)
        state = EntryState::Dead;
    else if (errno != EWOULDBLOCK)
        state = EntryState::Unknown;
    struct stat opened, named;
    if (clear && state == EntryState::Dead && ::fstat(fd, &opened) == 0 &&
        ::stat(native.constData(), &named) == 0 && opened.st_dev == named.st_dev &&
        opened.st_ino == named.st_ino)
        ::unlink(native.constData());
    ::close(fd);
    return state;
}

bool IsLive(const LoggerWindow& window)
{
    return ProbeEntry(window.entryPath) == EntryState::Live;
}

} // namespace

LoggerRegistration::~LoggerRegistration()
{
    Unregister();
}

bool LoggerRegistration::Register(const QString& folder, QString* error)
{
    Unregister();
    if (!EnsurePrivateFolder(folder, error))
        return false;
    // A scan clears entries whose lock is free, so the entry is locked under a name that scans
    // pass over and only then given its own name.
    const QString name = QString::number(::getpid());
    const QByteArray aside = QFile::encodeName(QDir(folder).filePath(name + kAsideSuffix));
    m_path = QDir(folder).filePath(name + kEntrySuffix);
    m_fd = ::open(aside.constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
    if (m_fd < 0 || ::flock(m_fd, LOCK_EX | LOCK_NB) != 0 ||
        ::write(m_fd, pid.constData(), static_cast<size_t>(pid.size())) != pid.size() ||
        ::rename(aside.constData(), QFile::encodeName(m_path).constData()) != 0) {
        const int code = errno;
        ::unlink(aside.constData());
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        m_path.clear();
        return SetError(error, QStringLiteral("Cannot register the logger in \"%1\": %2")
                                   .arg(folder, QString::fromLocal8Bit(std::strerror(code))));
    }
    return true;
}

void LoggerRegistration::Unregister()
{
    if (m_fd < 0)
        return;
    // Removed before the lock goes, so that nobody sees a dead entry of a logger that ended well.
    ::unlink(QFile::encodeName(m_path).constData());
    ::close(m_fd);
    m_fd = -1;
    m_path.clear();
}

bool StartProcess(const QString& program, const QStringList& arguments, const QString& workingDir,
                  QString* error)
{
    if (!QFileInfo(program).isExecutable())
        return SetError(error, QStringLiteral("\"%1\" is not a program.").arg(program));
    qint64 pid = 0;
    if (!QProcess::startDetached(program, arguments, workingDir, &pid))
        return SetError(error, QStringLiteral("Cannot start \"%1\".").arg(program));
    return true;
}

std::optional<int> RunProcess(const QString& program, const QStringList& arguments,
                              const QString& workingDir, int timeoutMs)
{
    if (!QFileInfo(program).isExecutable())
        return std::nullopt;
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setWorkingDirectory(workingDir);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit)
        return std::nullopt;
    return process.exitCode();
}

std::vector<LoggerWindow> FindLoggerWindows(const QString& registryFolder)
{
    std::vector<LoggerWindow> windows;
    const QDir folder(registryFolder);
    const QStringList names =
        folder.entryList({QLatin1Char('*') + kEntrySuffix}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        bool ok = false;
        const qint64 pid = name.left(name.size() - kEntrySuffix.size()).toLongLong(&ok);
        if (!ok || pid <= 0)
            continue;
        LoggerWindow window{pid, folder.filePath(name)};
        if (ProbeEntry(window.entryPath, true) == EntryState::Live)
            windows.push_back(window);
    }
    return windows;
}

std::optional<LoggerWindow> FindLoggerWindow(const QString& folder)
{
    std::vector<LoggerWindow> windows = FindLoggerWindows(folder);
    if (windows.empty())
        return std::nullopt;
    return windows.front();
}

bool CloseLoggerWindow(const LoggerWindow& window, int timeoutMs)
{
    // The live lock proves that the process with this id is still the logger that registered.
    if (!IsLive(window))
        return true;
    if (::kill(static_cast<pid_t>(window.pid), SIGTERM) != 0 && errno != ESRCH)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (IsLive(window)) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

qint64 AncestorProcessNamed(const QString& name)
{
    // /proc/PID/stat: "PID (NAME) STATE PPID ..."; the name may hold blanks and parentheses, so
    // the fields after it are found after the last ")".
    qint64 pid = ::getppid();
    for (int depth = 0; pid > 1 && depth < 32; ++depth) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            return 0;
        const QByteArray text = stat.readAll();
        const qsizetype open = text.indexOf('(');
        const qsizetype close = text.lastIndexOf(')');
        if (open < 0 || close < open)
            return 0;
        if (QString::fromLocal8Bit(text.mid(open + 1, close - open - 1)) == name)
            return pid;
        const QList<QByteArray> fields = text.mid(close + 2).split(' ');
        if (fields.size() < 2)
            return 0;
        pid = fields.at(1).toLongLong();
    }
    return 0;
}

} // namespace dialtally
