#include "log/companion.h"

#include "log/writeall.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace dialtally {
namespace {

constexpr std::size_t kReadBlock = 256 * 1024;
// A batch is written once it holds this much, so memory stays bounded behind a fast source.
constexpr std::size_t kBatchLimit = 4 * 1024 * 1024;
// Per call of Poll(), so that a close request is seen while a fast source keeps growing.
constexpr std::size_t kPollLimit = 32 * 1024 * 1024;
// An adapter line is a few hundred bytes; a "line" this long without an end is cut here.
constexpr std::size_t kMaxLine = 64 * 1024;
// A batch that keeps finding its data file renamed away gives up after this many tries.
constexpr int kAppendAttempts = 100;

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string ErrorText(int error)
{
    return std::strerror(error);
}

} // namespace

CompanionLogger::CompanionLogger(std::string sourcePath, std::string dataPath, bool fromStart,
                                 Reporter report)
    : m_sourcePath(std::move(sourcePath)), m_dataPath(std::move(dataPath)),
      m_report(std::move(report)), m_fromStart(fromStart)
{
}

CompanionLogger::~CompanionLogger()
{
    CloseSource();
}

bool CompanionLogger::AppendBatch(const std::string& dataPath, std::string_view bytes)
{
    for (int attempt = 0; attempt < kAppendAttempts; ++attempt) {
        const int fd = ::open(dataPath.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        int lock;
        while ((lock = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
        }
        if (lock != 0) {
            const int error = errno;
            ::close(fd);
            errno = error;
            return false;
        }
        struct stat opened, named;
        if (::fstat(fd, &opened) == 0 && ::stat(dataPath.c_str(), &named) == 0 &&
            SameFile(opened, named)) {
            // Once the lock is ours an update that renames the file waits for the whole batch.
            if (!WriteAll(fd, bytes.data(), bytes.size())) {
                const int error = errno;
                // Half a batch would leave a broken field; the whole batch is tried again later.
                if (::ftruncate(fd, opened.st_size) != 0) {
                }
                ::close(fd);
                errno = error;
                return false;
            }
            ::close(fd);
            return true;
        }
        // The file was renamed away, perhaps already consumed, while we waited for the lock.
        ::close(fd);
    }
    errno = EAGAIN;
    return false;
}

void CompanionLogger::Report(const std::string& problem)
{
    if (problem == m_lastProblem)
        return;
    m_lastProblem = problem;
    if (m_report)
        m_report(problem);
}

void CompanionLogger::OpenSource(bool atEnd)
{
    const int fd = ::open(m_sourcePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        Report("cannot open the source \"" + m_sourcePath + "\": " + ErrorText(errno));
        // A source that appears later is new: all of it is read.
        m_firstOpen = false;
        return;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return;
    }
    m_fd = fd;
    m_device = info.st_dev;
    m_inode = info.st_ino;
    m_offset = atEnd ? info.st_size : 0;
    m_firstOpen = false;
    m_lastProblem.clear();
}

void CompanionLogger::CloseSource()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void CompanionLogger::AddLine(std::string_view line)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (line.empty())
        return;
    m_batch += '"';
    const std::size_t start = m_batch.size();
    m_batch.append(line);
    std::replace(m_batch.begin() + static_cast<std::ptrdiff_t>(start), m_batch.end(), '"', '\'');
    m_batch += "\"\r\n";
    ++m_batchLines;
}

bool CompanionLogger::ReadMore()
{
    m_readBuffer.resize(kReadBlock);
    char* buffer = m_readBuffer.data();
    ssize_t n;
    while ((n = ::pread(m_fd, buffer, kReadBlock, m_offset)) < 0 && errno == EINTR) {
    }
    if (n <= 0) {
        if (n < 0)
            Report("cannot read the source \"" + m_sourcePath + "\": " + ErrorText(errno));
        return false;
    }
    m_offset += n;
    std::string_view rest(buffer, static_cast<std::size_t>(n));
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        if (end == std::string_view::npos) {
            m_partial.append(rest);
            if (m_partial.size() > kMaxLine) {
                Report("a line of the source is longer than " + std::to_string(kMaxLine) +
                       " bytes; it is cut");
                AddLine(m_partial);
                m_partial.clear();
            }
            break;
        }
        if (m_partial.empty()) {
            AddLine(rest.substr(0, end));
        } else {
            m_partial.append(rest.substr(0, end));
            AddLine(m_partial);
            m_partial.clear();
        }
        rest.remove_prefix(end + 1);
    }
    return true;
}

bool CompanionLogger::WriteBatch()
{
    if (m_batch.empty())
        return true;
    if (!AppendBatch(m_dataPath, m_batch)) {
        Report("cannot write the data file \"" + m_dataPath + "\": " + ErrorText(errno) +
               "; the lines wait");
        return false;
    }
    m_linesWritten += m_batchLines;
    m_batch.clear();
    m_batchLines = 0;
    m_lastProblem.clear();
    return true;
}

bool CompanionLogger::Poll()
{
    // Lines that could not be written before go first; the source waits behind them.
    if (!WriteBatch())
        return false;
    m_caughtUp = false;
    std::size_t readThisPoll = 0;
    for (;;) {
        if (m_fd < 0) {
            OpenSource(m_firstOpen && !m_fromStart);
            if (m_fd < 0)
                break;
        }
        while (readThisPoll < kPollLimit) {
            const off_t before = m_offset;
            if (!ReadMore())
                break;
            readThisPoll += static_cast<std::size_t>(m_offset - before);
            if (m_batch.size() >= kBatchLimit && !WriteBatch())
                return false;
        }
        if (readThisPoll >= kPollLimit)
            return WriteBatch();

        struct stat named, opened;
        const bool present = ::stat(m_sourcePath.c_str(), &named) == 0;
        if (!present || named.st_dev != m_device || named.st_ino != m_inode) {
            // Replaced or removed: what the old file still holds was read above; its partial
            // last line will never be finished.
            while (ReadMore()) {
            }
            if (!m_partial.empty()) {
                AddLine(m_partial);
                m_partial.clear();
            }
            CloseSource();
            if (!present) {
                Report("the source \"" + m_sourcePath + "\" is gone; waiting for it");
                break;
            }
            continue;
        }
        if (::fstat(m_fd, &opened) == 0 && opened.st_size < m_offset) {
            Report("the source \"" + m_sourcePath + "\" was truncated; reading it from the start");
            if (!m_partial.empty()) {
                AddLine(m_partial);
                m_partial.clear();
            }
            m_offset = 0;
            m_lastProblem.clear();
            continue;
        }
        break;
    }
    m_caughtUp = true;
    return WriteBatch();
}

} // namespace dialtally
