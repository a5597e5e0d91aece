#include "log/writeall.h"

#include "platform/files.h"

#include <fcntl.h>
#include <unistd.h>

namespace dialtally {

bool ReplaceSmallFile(const std::string& path, std::string_view text, bool syncFirst)
{
    const std::string aside = path + ".new";
    const int fd = ::open(aside.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, text.data(), text.size()) && (!syncFirst || SyncFileData(fd));
    int error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(aside.c_str(), path.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(aside.c_str());
        errno = error;
    }
    return ok;
}

} // namespace dialtally
