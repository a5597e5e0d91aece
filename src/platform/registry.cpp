#include "platform/registry.h"

#include "platform/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dialtally {
namespace {

constexpr std::uint32_t kChangingRights = kKeySetValue | kKeyCreateSubKey | kKeyCreateLink;

QByteArray Native(const QString& path)
{
    return QFile::encodeName(path);
}

RegistryStatus StatusOfErrno(int error)
{
    return error == ENOENT || error == ENOTDIR ? RegistryStatus::NotFound
                                               : RegistryStatus::AccessDenied;
}

// The whole file from an open descriptor; false with errno set.
bool ReadAll(int fd, QByteArray& text)
{
    text.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        text.append(buffer, got);
    }
}

bool WriteAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote =
            ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        done += wrote;
    }
    return true;
}

RegistryStatus ReadText(const QString& file, QByteArray& text)
{
    const int fd = ::open(Native(file).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return StatusOfErrno(errno);
    const bool ok = ReadAll(fd, text);
    const int error = errno;
    ::close(fd);
    return ok ? RegistryStatus::Success : StatusOfErrno(error);
}

bool CanReplace(const QString& file)
{
    const QByteArray native = Native(file);
    struct stat info;
    return ::stat(native.constData(), &info) == 0 && (info.st_mode & S_IWUSR) != 0 &&
           ::access(native.constData(), W_OK) == 0 &&
           ::access(Native(QFileInfo(file).absolutePath()).constData(), W_OK | X_OK) == 0;
}

// The file opened and locked for writing, while its name still stands for the file locked: a
// writer that replaced it meanwhile leaves a lock on a file that is no longer the registry.
class WriteLock {
public:
    explicit WriteLock(const QString& file) : m_native(Native(file))
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_fd = ::open(m_native.constData(), O_RDONLY | O_CLOEXEC);
            if (m_fd < 0) {
                m_error = errno;
                return;
            }
            int locked;
            do
                locked = ::flock(m_fd, LOCK_EX);
            while (locked != 0 && errno == EINTR);
            struct stat opened, named;
            if (locked == 0 && ::fstat(m_fd, &opened) == 0 &&
                ::stat(m_native.constData(), &named) == 0 && opened.st_dev == named.st_dev &&
                opened.st_ino == named.st_ino) {
                m_mode = opened.st_mode & 07777;
                return;
            }
            m_error = errno;
            ::close(m_fd);
            m_fd = -1;
        }
    }
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;
    ~WriteLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    int Fd() const { return m_fd; }
    int Error() const { return m_error; }
    mode_t Mode() const { return m_mode; }

private:
    QByteArray m_native;
    int m_fd = -1;
    int m_error = 0;
    mode_t m_mode = 0600;
};

// A writer killed before its rename leaves its temporary file behind. Only the holder of the
// write lock makes one, so while it is held every other is such a leftover.
void RemoveLeftovers(const QString& file)
{
    const QFileInfo info(file);
    const QDir folder = info.absoluteDir();
    for (const QString& name : folder.entryList({info.fileName() + QStringLiteral(".??????")},
                                                QDir::Files | QDir::Hidden))
        QFile::remove(folder.filePath(name));
}

// Writes text beside file, forces it to disk and renames it over file, with file's permissions.
RegistryStatus ReplaceText(const QString& file, mode_t mode, const QByteArray& text)
{
    RemoveLeftovers(file);
    QByteArray temporary = Native(file) + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return RegistryStatus::AccessDenied;
    const bool written = ::fchmod(fd, mode) == 0 && WriteAll(fd, text) && SyncFileData(fd);
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.constData(), Native(file).constData()) != 0) {
        ::unlink(temporary.constData());
        return RegistryStatus::AccessDenied;
    }
    SyncFolder(Native(QFileInfo(file).absolutePath()).toStdString());
    return RegistryStatus::Success;
}

} // namespace

QString SystemRegistryFile(const QString& windowsDir)
{
    return QDir(windowsDir).filePath(QStringLiteral("SYSTEM.REG"));
}

RegistryStatus OpenRegistryKey(const QString& file, const QString& path, std::uint32_t access,
                               RegistryKey& key)
{
    key = RegistryKey{};
    QByteArray text;
    const RegistryStatus read = ReadText(file, text);
    if (read != RegistryStatus::Success)
        return read;
    const std::optional<RegistryText> parsed = ParseRegistryText(text);
    if (!parsed || !RegistryKeyExists(*parsed, path.toLatin1()))
        return RegistryStatus::NotFound;
    if ((access & kChangingRights) && !CanReplace(file))
        return RegistryStatus::AccessDenied;
    key = RegistryKey{file, path, access};
    return RegistryStatus::Success;
}

RegistryStatus QueryRegistryValue(const RegistryKey& key, const QString& name, RegistryValue& value)
{
    if (!key.IsOpen())
        return RegistryStatus::InvalidHandle;
    if (!(key.access & kKeyQueryValue))
        return RegistryStatus::AccessDenied;
    QByteArray text;
    const RegistryStatus read = ReadText(key.file, text);
    if (read != RegistryStatus::Success)
        return read;
    const std::optional<RegistryText> parsed = ParseRegistryText(text);
    if (!parsed)
        return RegistryStatus::NotFound;
    const std::optional<RegistryValue> found =
        FindRegistryValue(*parsed, key.path.toLatin1(), name.toLatin1());
    if (!found)
        return RegistryStatus::NotFound;
    value = *found;
    return RegistryStatus::Success;
}

RegistryStatus SetRegistryValue(const RegistryKey& key, const QString& name,
                                const RegistryValue& value)
{
    if (!key.IsOpen())
        return RegistryStatus::InvalidHandle;
    if (!(key.access & kKeySetValue))
        return RegistryStatus::AccessDenied;
    const WriteLock lock(key.file);
    if (lock.Fd() < 0)
        return StatusOfErrno(lock.Error());
    QByteArray text;
    if (!ReadAll(lock.Fd(), text))
        return StatusOfErrno(errno);
    const QByteArray path = key.path.toLatin1();
    const std::optional<RegistryText> parsed = ParseRegistryText(text);
    if (!parsed || !RegistryKeyExists(*parsed, path))
        return RegistryStatus::NotFound;
    const std::optional<QByteArray> edited =
        WithRegistryValue(text, *parsed, path, name.toLatin1(), value);
    if (!edited)
        return RegistryStatus::InvalidParameter;
    if (*edited == text)
        return RegistryStatus::Success;
    if (!CanReplace(key.file))
        return RegistryStatus::AccessDenied;
    return ReplaceText(key.file, lock.Mode(), *edited);
}

RegistryStatus CloseRegistryKey(RegistryKey& key)
{
    if (!key.IsOpen())
        return RegistryStatus::InvalidHandle;
    key = RegistryKey{};
    return RegistryStatus::Success;
}

} // namespace dialtally
