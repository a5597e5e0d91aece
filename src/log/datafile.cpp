#include "log/datafile.h"

#include "log/writeall.h"
#include "platform/files.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace dialtally {
namespace {

std::string Join(const std::string& folder, const char* name)
{
    if (folder.empty() || folder.back() == '/')
        return folder + name;
    return folder + '/' + name;
}

void SetText(std::string* error, const std::string& text)
{
    if (error)
        *error = text;
}

std::string Quoted(const std::string& path)
{
    return '"' + path + '"';
}

std::string ErrorText(int error)
{
    return std::strerror(error);
}

} // namespace

HandoverFiles HandoverFiles::InFolder(const std::string& windowsDir)
{
    HandoverFiles files;
    files.folder = windowsDir;
    files.data = Join(windowsDir, "Dtally.dat");
    files.work = Join(windowsDir, "Dtally.wrk");
    files.journal = Join(windowsDir, "Dtally.jnl");
    files.position = Join(windowsDir, "Dtally.pos");
    files.ledger = Join(windowsDir, "Dtally.ppp");
    files.lock = Join(windowsDir, "Dtally.lck");
    return files;
}

HandoverLock::HandoverLock(HandoverLock&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

HandoverLock& HandoverLock::operator=(HandoverLock&& other) noexcept
{
    if (this != &other) {
        Release();
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

HandoverLock::~HandoverLock()
{
    Release();
}

bool HandoverLock::Acquire(const std::string& lockPath, HandoverLockKind kind,
                           std::chrono::milliseconds wait)
{
    Release();
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    auto pause = std::chrono::microseconds(200);
    while (!TryLockByte(fd, static_cast<off_t>(kind))) {
        const int error = errno;
        if (error != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            errno = error;
            return false;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(20000));
    }
    m_fd = fd;
    return true;
}

void HandoverLock::Release()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool SettleUnconfirmedBatch(const HandoverFiles& files, off_t* cutBytes, std::string* error)
{
    if (cutBytes)
        *cutBytes = 0;
    std::optional<LoggerPosition> position = ReadLoggerPosition(files.position);
    if (!position || !position->batch)
        return true;
    const UnconfirmedBatch batch = *position->batch;
    dev_t device;
    ino_t inode;
    for (const std::string* path : {&files.data, &files.work}) {
        off_t size = 0;
        if (!FileIdentity(*path, device, inode, &size) || device != batch.device ||
            inode != batch.inode)
            continue;
        if (size > batch.lengthBefore) {
            if (::truncate(path->c_str(), batch.lengthBefore) != 0) {
                SetText(error, "cannot cut back \"" + *path + "\": " + std::strerror(errno));
                return false;
            }
            if (cutBytes)
                *cutBytes = size - batch.lengthBefore;
        }
        break;
    }
    off_t ledgerSize = 0;
    if (batch.ledgerBefore >= 0 && FileIdentity(files.ledger, device, inode, &ledgerSize) &&
        ledgerSize > batch.ledgerBefore) {
        if (::truncate(files.ledger.c_str(), batch.ledgerBefore) != 0) {
            SetText(error, "cannot cut back \"" + files.ledger + "\": " + std::strerror(errno));
            return false;
        }
    }
    position->batch.reset();
    if (!WriteLoggerPosition(files.position, *position)) {
        SetText(error, "cannot write \"" + files.position + "\": " + std::strerror(errno));
        return false;
    }
    return true;
}

off_t CutUnfinishedLine(int fd)
{
    struct stat info;
    if (::fstat(fd, &info) != 0)
        return -1;
    off_t end = info.st_size;
    std::vector<char> block(64 * 1024);
    off_t lineEnd = 0; // just after the last CR or LF; 0 when the file holds none
    while (end > 0) {
        const off_t start =
            end > static_cast<off_t>(block.size()) ? end - static_cast<off_t>(block.size()) : 0;
        const auto size = static_cast<std::size_t>(end - start);
        ssize_t got;
        while ((got = ::pread(fd, block.data(), size, start)) < 0 && errno == EINTR) {
        }
        if (got != static_cast<ssize_t>(size)) {
            if (got >= 0)
                errno = EIO;
            return -1;
        }
        std::size_t i = size;
        while (i > 0 && block[i - 1] != '\n' && block[i - 1] != '\r')
            --i;
        if (i > 0) {
            lineEnd = start + static_cast<off_t>(i);
            break;
        }
        end = start;
    }
    const off_t cut = info.st_size - lineEnd;
    if (cut > 0 && ::ftruncate(fd, lineEnd) != 0)
        return -1;
    return cut;
}

namespace {

// Half a batch would leave a broken field: both files are cut back to their lengths before the
// batch, and the batch is no longer named, so it is tried again whole.
bool TakeBackBatch(const HandoverFiles& files, int fd, off_t lengthBefore, int ledgerFd,
                   off_t ledgerBefore, const SourcePlace& before)
{
    return ::ftruncate(fd, lengthBefore) == 0 &&
           (ledgerFd < 0 || ::ftruncate(ledgerFd, ledgerBefore) == 0) &&
           WriteLoggerPosition(files.position, {before, std::nullopt});
}

// The ledger, opened for appending, its torn last line cut; -1 with errno set.
int OpenLedger(const HandoverFiles& files, off_t& length)
{
    const int fd = ::open(files.ledger.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    dev_t device;
    ino_t inode;
    if (fd >= 0 && (CutUnfinishedLine(fd) < 0 || !FileIdentity(fd, device, inode, &length))) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

struct OpenBatch {
    int fd = -1;
    off_t length = 0;
    int ledgerFd = -1;
    off_t ledgerLength = -1;
};

bool AppendOpenBatch(const HandoverFiles& files, OpenBatch& open, std::string_view batch,
                     std::string_view ledgerLines, const SourcePlace& before,
                     const SourcePlace& after, off_t* cutUnfinished, bool* mustSettle,
                     std::string* problem)
{
    const std::string dataError = "cannot write the data file " + Quoted(files.data) + ": ";
    const std::string ledgerError = "cannot write the ledger " + Quoted(files.ledger) + ": ";
    const std::string positionError =
        "cannot write the position file " + Quoted(files.position) + ": ";
    // A torn last field would swallow the first line of this batch.
    const off_t cut = CutUnfinishedLine(open.fd);
    dev_t device;
    ino_t inode;
    if (cut < 0 || !FileIdentity(open.fd, device, inode, &open.length)) {
        SetText(problem, dataError + ErrorText(errno));
        return false;
    }
    *cutUnfinished = cut;
    if (!ledgerLines.empty()) {
        open.ledgerFd = OpenLedger(files, open.ledgerLength);
        if (open.ledgerFd < 0) {
            SetText(problem, ledgerError + ErrorText(errno));
            return false;
        }
    }
    if (!WriteLoggerPosition(
            files.position,
            {before, UnconfirmedBatch{device, inode, open.length, after, open.ledgerLength}})) {
        SetText(problem, positionError + ErrorText(errno));
        return false;
    }
    const bool ledgerWritten =
        open.ledgerFd < 0 || WriteAll(open.ledgerFd, ledgerLines.data(), ledgerLines.size());
    const int ledgerWriteError = errno;
    const bool written = ledgerWritten && WriteAll(open.fd, batch.data(), batch.size());
    const int writeError = errno;
    if (written && WriteLoggerPosition(files.position, {after, std::nullopt}))
        return true;
    SetText(problem, !ledgerWritten ? ledgerError + ErrorText(ledgerWriteError)
                     : written      ? positionError + ErrorText(errno)
                                    : dataError + ErrorText(writeError));
    if (!TakeBackBatch(files, open.fd, open.length, open.ledgerFd, open.ledgerLength, before))
        *mustSettle = true;
    return false;
}

} // namespace

bool AppendBatch(const HandoverFiles& files, std::string_view batch, std::string_view ledgerLines,
                 const SourcePlace& before, const SourcePlace& after, off_t* cutUnfinished,
                 bool* mustSettle, std::string* problem)
{
    *cutUnfinished = 0;
    OpenBatch open;
    open.fd = ::open(files.data.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (open.fd < 0) {
        SetText(problem,
                "cannot write the data file " + Quoted(files.data) + ": " + ErrorText(errno));
        return false;
    }
    const bool appended = AppendOpenBatch(files, open, batch, ledgerLines, before, after,
                                          cutUnfinished, mustSettle, problem);
    ::close(open.fd);
    if (open.ledgerFd >= 0)
        ::close(open.ledgerFd);
    return appended;
}

bool ClaimDataFile(const HandoverFiles& files, std::chrono::milliseconds lockWait,
                   const std::function<void()>& retryWait, bool* claimed, off_t* batchBytesCut,
                   std::string* problem)
{
    *claimed = false;
    *batchBytesCut = 0;
    for (int attempt = 0;; ++attempt) {
        HandoverLock dataLock;
        if (!dataLock.Acquire(files.lock, HandoverLockKind::Data, lockWait)) {
            SetText(problem, errno == EWOULDBLOCK
                                 ? "the companion logger did not let go of " + Quoted(files.data) +
                                       " within " + std::to_string(lockWait.count() / 1000) +
                                       " seconds"
                                 : "cannot open " + Quoted(files.lock) + ": " + ErrorText(errno));
            return false;
        }
        const int error = RenameNoReplace(files.data.c_str(), files.work.c_str());
        if (error == 0) {
            *claimed = true;
            return SettleUnconfirmedBatch(files, batchBytesCut, problem);
        }
        // A file that someone holds at the moment may be free a moment later; once.
        if ((error == EBUSY || error == ETXTBSY) && attempt == 0) {
            dataLock.Release();
            if (retryWait)
                retryWait();
            continue;
        }
        // No data file is the normal case: nothing was logged since.
        if (error == ENOENT)
            return true;
        SetText(problem, "cannot rename " + Quoted(files.data) + " to " + Quoted(files.work) +
                             ": " + ErrorText(error));
        return false;
    }
}

} // namespace dialtally
