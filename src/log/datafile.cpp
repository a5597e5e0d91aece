#include "log/datafile.h"

#include "log/writeall.h"
#include "platform/files.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <limits>
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

// The field reader.
bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsSeparator(char c)
{
    return c == ',' || c == '\r' || c == '\n';
}

// The length of the bytes begin .. end without the blanks at their end.
std::size_t LengthWithoutTrailingBlanks(const char* begin, const char* end)
{
    while (end > begin && IsBlank(end[-1]))
        --end;
    return static_cast<std::size_t>(end - begin);
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

DataFieldReader::DataFieldReader(int fd, std::size_t blockSize, std::size_t maxField)
    : m_fd(fd), m_maxField(maxField), m_buffer(blockSize + maxField + 1)
{
}

long DataFieldReader::Fill()
{
    if (m_pos > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_pos, m_end - m_pos);
        m_end -= m_pos;
        m_pos = 0;
    }
    for (;;) {
        const ssize_t n = ::read(m_fd, m_buffer.data() + m_end, m_buffer.size() - m_end);
        if (n < 0 && errno == EINTR)
            continue;
        if (n > 0)
            m_end += static_cast<std::size_t>(n);
        return static_cast<long>(n);
    }
}

void DataFieldReader::ConsumeSeparator(std::size_t at)
{
    m_pos = at + 1;
    if (m_buffer[at] != '\r')
        return;
    if (m_pos < m_end) {
        if (m_buffer[m_pos] == '\n')
            ++m_pos;
    } else {
        m_pendingLineFeed = true;
    }
}

DataFieldReader::Result DataFieldReader::SkipToSeparator()
{
    for (;;) {
        for (std::size_t i = m_pos; i < m_end; ++i) {
            if (IsSeparator(m_buffer[i])) {
                ConsumeSeparator(i);
                m_skipToSeparator = false;
                return Result::Field;
            }
        }
        m_pos = m_end;
        const long n = Fill();
        if (n < 0)
            return Result::ReadError;
        if (n == 0) {
            m_skipToSeparator = false;
            return Result::End;
        }
    }
}

DataFieldReader::Result DataFieldReader::Next(std::string_view& field)
{
    if (m_skipToSeparator) {
        const Result result = SkipToSeparator();
        if (result != Result::Field)
            return result;
    }
    for (;;) {
        if (m_pendingLineFeed && m_pos < m_end) {
            m_pendingLineFeed = false;
            if (m_buffer[m_pos] == '\n')
                ++m_pos;
        }
        while (m_pos < m_end && IsBlank(m_buffer[m_pos]))
            ++m_pos;
        if (m_pos < m_end)
            break;
        const long n = Fill();
        if (n < 0)
            return Result::ReadError;
        if (n == 0)
            return Result::End;
    }
    return m_buffer[m_pos] == '"' ? Quoted(field) : Bare(field);
}

DataFieldReader::Result DataFieldReader::Quoted(std::string_view& field)
{
    // m_pos stands on the opening quote; scanned counts the bytes behind it already searched.
    std::size_t scanned = 0;
    bool tooLong = false;
    for (;;) {
        const std::size_t from = m_pos + 1 + scanned;
        const void* quote = std::memchr(m_buffer.data() + from, '"', m_end - from);
        if (quote) {
            const auto close =
                static_cast<std::size_t>(static_cast<const char*>(quote) - m_buffer.data());
            field = std::string_view(m_buffer.data() + m_pos + 1, close - m_pos - 1);
            m_pos = close + 1;
            // The usual case, a line end right after the quote, is taken here; anything else is
            // passed over by the next call, which may have to read more.
            if (m_pos + 1 < m_end && m_buffer[m_pos] == '\r' && m_buffer[m_pos + 1] == '\n')
                m_pos += 2;
            else
                m_skipToSeparator = true;
            return tooLong || field.size() > m_maxField ? Result::TooLong : Result::Field;
        }
        scanned = m_end - m_pos - 1;
        if (scanned > m_maxField) {
            // Only the opening quote is kept: nothing of a field this long is used.
            tooLong = true;
            m_end = m_pos + 1;
            scanned = 0;
        }
        const long n = Fill();
        if (n < 0)
            return Result::ReadError;
        if (n == 0) {
            m_pos = m_end;
            return Result::Unterminated;
        }
    }
}

DataFieldReader::Result DataFieldReader::Bare(std::string_view& field)
{
    // Blanks at the end of a bare field are not part of it, so only the bytes up to the last
    // non-blank count against maxField, wherever a block ends. When the buffer fills with a field
    // whose tail is blanks, the blanks are dropped and their place remembered: the field is too
    // long only if anything but blanks follows them before the separator.
    std::size_t scanned = 0;
    bool tooLong = false;
    // The field's length when blanks were dropped behind it; no field reaches the initial value.
    std::size_t lengthBeforeBlanks = std::numeric_limits<std::size_t>::max();
    for (;;) {
        for (std::size_t i = m_pos + scanned; i < m_end; ++i) {
            if (!IsSeparator(m_buffer[i]))
                continue;
            const std::size_t length =
                LengthWithoutTrailingBlanks(m_buffer.data() + m_pos, m_buffer.data() + i);
            field = std::string_view(m_buffer.data() + m_pos, length);
            ConsumeSeparator(i);
            const bool blanksInside = length > lengthBeforeBlanks;
            return tooLong || blanksInside || length > m_maxField ? Result::TooLong : Result::Field;
        }
        if (m_end - m_pos > m_maxField) {
            const std::size_t length =
                LengthWithoutTrailingBlanks(m_buffer.data() + m_pos, m_buffer.data() + m_end);
            const bool blanksInside = length > lengthBeforeBlanks;
            if (tooLong || blanksInside || length > m_maxField) {
                // Nothing of a field this long is used.
                tooLong = true;
                lengthBeforeBlanks = std::numeric_limits<std::size_t>::max();
                m_pos = m_end;
            } else {
                lengthBeforeBlanks = length;
                m_end = m_pos + length;
            }
        }
        scanned = m_end - m_pos;
        const long n = Fill();
        if (n < 0)
            return Result::ReadError;
        if (n == 0) {
            // The end of the file ends a bare field as a line end would: a last line without its
            // line end is a whole line all the same.
            const std::size_t length =
                LengthWithoutTrailingBlanks(m_buffer.data() + m_pos, m_buffer.data() + m_end);
            field = std::string_view(m_buffer.data() + m_pos, length);
            m_pos = m_end;
            const bool blanksInside = length > lengthBeforeBlanks;
            return tooLong || blanksInside || length > m_maxField ? Result::TooLong : Result::Field;
        }
    }
}

} // namespace dialtally
