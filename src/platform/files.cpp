#include "platform/files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dialtally {

int RenameNoReplace(const char* from, const char* to)
{
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    if (::link(from, to) != 0)
        return errno;
    ::unlink(from);
    return 0;
}

bool SyncFileData(int fd)
{
    return ::fdatasync(fd) == 0 || errno == EINVAL;
}

bool SyncFolder(const std::string& folder)
{
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
    const int error = errno;
    ::close(fd);
    errno = error;
    return ok;
}

bool MakeWritableForOwner(const char* path)
{
    struct stat info;
    return ::stat(path, &info) == 0 && ::chmod(path, (info.st_mode & 07777) | S_IWUSR) == 0;
}

bool FileIdentity(int fd, dev_t& device, ino_t& inode, off_t* size)
{
    struct stat info;
    if (::fstat(fd, &info) != 0)
        return false;
    device = info.st_dev;
    inode = info.st_ino;
    if (size)
        *size = info.st_size;
    return true;
}

bool FileIdentity(const std::string& path, dev_t& device, ino_t& inode, off_t* size)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0)
        return false;
    device = info.st_dev;
    inode = info.st_ino;
    if (size)
        *size = info.st_size;
    return true;
}

bool TryLockByte(int fd, off_t byte)
{
    struct flock range = {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_start = byte;
    range.l_len = 1;
    for (;;) {
        if (::fcntl(fd, F_OFD_SETLK, &range) == 0)
            return true;
        if (errno == EINTR)
            continue;
        if (errno == EACCES || errno == EAGAIN)
            errno = EWOULDBLOCK;
        return false;
    }
}

} // namespace dialtally
